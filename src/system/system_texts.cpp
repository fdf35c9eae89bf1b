#include "system/system_texts.h"
#include "common/app_name.h"

namespace tarvo {

QString messageCaption() {
    return appName();
}

QString browserErrorText() {
    return QStringLiteral("خطأ بالمتصفح!");
}

QString noNetworkSettingsText() {
    return QStringLiteral("لم يتم العثور على برنامج لإعدادات الشبكة!");
}

QString usageNote() {
    // The leading blanks centre the shorter lines under the long one.
    return QStringLiteral("                       - قم بإختيار تشغيل تلقائي من قائمة خيارات -") +
           u'\r' +
           QStringLiteral(
               "- لكي يتم الحساب بطريقة صحيحة يتم إغلاق البرنامج تلقائياً عند إغلاق الحاسب -") +
           u'\r' +
           QStringLiteral("                           - يتم إحتساب متوسط السرعة لكل دقيقة -");
}

} // namespace tarvo
