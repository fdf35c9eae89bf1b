#include "app/command_line.h"

#include "common/app_name.h"

#include <array>

#ifndef TARVO_VERSION
#error "TARVO_VERSION comes from the project's version in CMakeLists.txt"
#endif

namespace tarvo {

namespace {

// Qt's own options, without their leading dash. Session managers and users pass them, and
// Qt takes each with one dash or two.
constexpr std::array kQtWithValue = {
    "platform",      "display", "style",      "session",     "geometry", "qwindowgeometry",
    "qwindowtitle",  "title",   "name",       "qwindowicon", "icon",     "platformpluginpath",
    "platformtheme", "plugin",  "stylesheet", "visual",      "ncols",    "fontengine",
};
constexpr std::array kQtFlags = {"reverse", "widgetcount", "nograb", "dograb", "sync", "cmap"};
// Options Qt also reads as "-name=value".
constexpr std::array kQtJoined = {"style", "stylesheet", "qmljsdebugger"};

template <std::size_t N> bool among(const std::array<const char*, N>& names, const QString& name) {
    for (const char* n : names)
        if (name == QLatin1String(n))
            return true;
    return false;
}

CommandLine failure(const QString& english, const QString& arabic) {
    CommandLine result;
    result.action = CommandLine::Action::Error;
    const QString name = commandName();
    result.error = name + QStringLiteral(": ") + english + u'\n' + name + QStringLiteral(": ") +
                   arabic + QStringLiteral("\nTry '%1 --help'. / للمساعدة: %1 --help").arg(name);
    return result;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    bool usage = false, json = false, help = false, version = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == u"--usage") {
            usage = true;
        } else if (arg == u"--json") {
            json = true;
        } else if (arg == u"--help" || arg == u"-h") {
            help = true;
        } else if (arg == u"--version") {
            version = true;
        } else if (arg.startsWith(u'-') && arg.size() > 1) {
            const QString bare = arg.mid(arg.startsWith(QStringLiteral("--")) ? 2 : 1);
            const qsizetype equals = bare.indexOf(u'=');
            if (equals > 0 && among(kQtJoined, bare.left(equals)))
                continue;
            if (among(kQtFlags, bare))
                continue;
            if (!among(kQtWithValue, bare))
                return failure(QStringLiteral("unknown option '%1'").arg(arg),
                               QStringLiteral("خيار غير معروف '%1'").arg(arg));
            if (i + 1 >= arguments.size())
                return failure(QStringLiteral("option '%1' needs a value").arg(arg),
                               QStringLiteral("الخيار '%1' يحتاج إلى قيمة").arg(arg));
            ++i; // the value is Qt's, whatever it looks like
        } else {
            return failure(QStringLiteral("unexpected argument '%1'").arg(arg),
                           QStringLiteral("وسيط غير متوقع '%1'").arg(arg));
        }
    }
    CommandLine result;
    if (help)
        result.action = CommandLine::Action::Help;
    else if (version)
        result.action = CommandLine::Action::Version;
    else if (json && !usage)
        return failure(QStringLiteral("'--json' goes only with '--usage'"),
                       QStringLiteral("الخيار '--json' لا يُستعمل إلا مع '--usage'"));
    else if (usage)
        result.action = CommandLine::Action::Usage;
    result.json = json;
    return result;
}

QString helpText() {
    return QStringLiteral(
        "Usage: tarvo [OPTION]\n"
        "A network traffic meter. Without options it starts the meter's window.\n"
        "\n"
        "  --usage          print the usage history (today by hour, the last 31 days,\n"
        "                   the last 12 months) and the monthly allowance, then end\n"
        "  --usage --json   the same as JSON\n"
        "  -h, --help       print this help, then end\n"
        "  --version        print the version, then end\n"
        "\n"
        "Qt's own options (-platform, -display, -style, -session and the like) pass to Qt.\n"
        "\n"
        "الاستخدام: tarvo [خيار]\n"
        "عداد لحركة الشبكة. دون خيارات يفتح نافذة العداد.\n"
        "\n"
        "  --usage          يطبع سجل الاستهلاك (اليوم بالساعات، آخر 31 يومًا، آخر 12 شهرًا)\n"
        "                   والباقة الشهرية ثم ينتهي\n"
        "  --usage --json   الشيء نفسه بصيغة JSON\n"
        "  -h, --help       يطبع هذه المساعدة ثم ينتهي\n"
        "  --version        يطبع رقم الإصدار ثم ينتهي\n"
        "\n"
        "خيارات Qt نفسها (-platform و-display و-style و-session وأمثالها) تُمرَّر إلى Qt.\n");
}

QString versionText() {
    return commandName() + QStringLiteral(" " TARVO_VERSION "\n");
}

} // namespace tarvo
