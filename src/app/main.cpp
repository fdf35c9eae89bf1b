#include "app/arabic_qt_texts.h"
#include "app/command_line.h"
#include "app/fonts.h"
#include "app/frm_main.h"
#include "app/instance_lock.h"
#include "app/menu_style.h"
#include "app/qt_message_boxes.h"
#include "app/quit_on_signal.h"
#include "app/session_platform.h"
#include "app/startup_mark.h"
#include "app/usage_command.h"
#include "common/app_name.h"
#include "common/log.h"
#include "common/number_text.h"
#include "common/settings.h"
#include "history/history_store.h"
#include "router/router_link.h"
#include "system/command_launcher.h"
#include "system/registry.h"
#include "traffic/platform.h"

#include <QApplication>

#include <cstdio>
#include <memory>

namespace {

void nameApplication() {
    QCoreApplication::setApplicationName(tarvo::appName());
    QCoreApplication::setOrganizationName(tarvo::appName());
}

void print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char** argv) {
    // Judged before anything starts: help, the version, a wrong option and "--usage" end
    // without a window, a display, the lock or any file.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const tarvo::CommandLine command = tarvo::parseCommandLine(arguments);
    switch (command.action) {
    case tarvo::CommandLine::Action::Error:
        print(stderr, command.error + u'\n');
        return 2;
    case tarvo::CommandLine::Action::Help:
        print(stdout, tarvo::helpText());
        return 0;
    case tarvo::CommandLine::Action::Version:
        print(stdout, tarvo::versionText());
        return 0;
    case tarvo::CommandLine::Action::Usage: {
        QCoreApplication core(argc, argv);
        nameApplication();
        return tarvo::runUsageCommand(command.json);
    }
    case tarvo::CommandLine::Action::Meter:
        break;
    }

    const QList<QByteArray> platformChoices = tarvo::choosePlatformForSession();
    QApplication app(argc, argv);
    tarvo::forgetPlatformChoices(platformChoices);
    nameApplication();
    // Ties the window to its launcher (the Wayland app id, the X11 desktop-file hint).
    QApplication::setDesktopFileName(QStringLiteral("org.tarvo.Tarvo"));
    QApplication::setStyle(new tarvo::MenuKeyboardStyle);
    tarvo::installFontSubstitutions();
    if (const QString mark = qEnvironmentVariable("TARVO_STARTUP_MARK"); !mark.isEmpty())
        tarvo::markFirstDrawnWindow(mark);
    tarvo::ArabicQtTexts qtTexts;
    qtTexts.install();

    auto interfaces = tarvo::makeInterfaceTableSource();
    auto connection = tarvo::makeConnectionProbe();
    tarvo::SystemClock clock;
    tarvo::QtMessageBoxes messages;
    tarvo::QtSettingsStore settings;
    tarvo::LockFileInstanceLock instanceLock;
    auto registry = tarvo::createRegistry();
    tarvo::ProcessLauncher launcher;
    const std::unique_ptr<tarvo::Notifier> notifier = tarvo::makeDesktopNotifier();
    // The home router: "auto", "off" or the address of its description.
    tarvo::RouterLink router(tarvo::SettingsView(settings).router(), tarvo::makeSsdpDiscovery(),
                             tarvo::makeDefaultGateway());
    router.setClock([&clock] { return clock.now().toUTC(); });

    tarvo::Services services;
    services.interfaces = interfaces.get();
    services.connection = connection.get();
    services.clock = &clock;
    services.messages = &messages;
    services.settings = &settings;
    services.instanceLock = &instanceLock;
    services.registry = registry.get();
    services.launcher = &launcher;
    services.notifier = notifier.get(); // the history for the usage window comes with openHistory
    services.router = &router;
    services.applicationFilePath = QCoreApplication::applicationFilePath();
    services.dataDirectory = tarvo::DataDirectory::forProgram();
    services.decimalSeparator = tarvo::localeDecimalSeparator();
    services.bootId = tarvo::bootIdentity();
    services.bootTime = tarvo::bootTime();

    // Opened only once this copy holds the lock (see frmMain::Form_Load).
    std::unique_ptr<tarvo::HistoryStore> history;
    services.openHistory = [&history, directory = services.dataDirectory]() {
        // The log beside the data, like the history only once this copy holds the lock: a
        // copy that ends at once writes neither.
        if (directory.ensureExists())
            tarvo::Log::install(directory.path());
        history = std::make_unique<tarvo::HistoryStore>(
            directory.filePath(QString::fromLatin1(tarvo::HistoryStore::kFileName)),
            tarvo::HistoryStore::Mode::ReadWrite);
        return history.get();
    };

    tarvo::frmMain window(services);
    if (!window.Form_Load())
        return 0;
    tarvo::quitOnTerminationSignals(app);
    const int code = app.exec();
    window.writeHistory();
    return code;
}
