#include "app/arabic_qt_texts.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLibraryInfo>

#include <cstring>

namespace tarvo {

QString ProgramButtonTexts::translate(const char* context, const char* sourceText, const char*,
                                      int) const {
    if (context && sourceText && std::strcmp(context, "QPlatformTheme") == 0 &&
        std::strcmp(sourceText, "OK") == 0)
        return QStringLiteral("موافق");
    return {};
}

QString ArabicQtTexts::catalogueDirectory() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

bool ArabicQtTexts::install() {
    if (installed_)
        return !qtbase_.isEmpty();
    // An Arabic catalogue turns the whole application right to left; only the boxes and
    // the menus are, the strip keeps its own layout.
    QGuiApplication::setLayoutDirection(Qt::LeftToRight);
    const bool loaded = qtbase_.load(QStringLiteral("qtbase_ar"), catalogueDirectory());
    if (loaded)
        QCoreApplication::installTranslator(&qtbase_);
    // Installed last, asked first.
    QCoreApplication::installTranslator(&buttons_);
    installed_ = true;
    return loaded;
}

ArabicQtTexts::~ArabicQtTexts() {
    if (!installed_)
        return;
    QCoreApplication::removeTranslator(&buttons_);
    QCoreApplication::removeTranslator(&qtbase_);
}

} // namespace tarvo
