#include "app/arabic_qt_texts.h"
#include "app/fonts.h"
#include "app/frm_main.h"
#include "app/instance_lock.h"
#include "app/menu_style.h"
#include "app/qt_message_boxes.h"
#include "app/quit_on_signal.h"
#include "app/usage_command.h"
#include "common/number_text.h"
#include "history/history_store.h"
#include "system/command_launcher.h"
#include "system/registry.h"
#include "traffic/platform.h"

#include <QApplication>

#include <memory>
#include <string_view>

namespace {

void nameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("Tarvo"));
    QCoreApplication::setOrganizationName(QStringLiteral("Tarvo"));
}

} // namespace

int main(int argc, char** argv) {
    // "--usage" prints the history and ends: no window, no display, no lock.
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--usage") {
            QCoreApplication core(argc, argv);
            nameApplication();
            return tarvo::runUsageCommand(QCoreApplication::arguments());
        }
    }

    QApplication app(argc, argv);
    nameApplication();
    // Ties the window to its launcher (the Wayland app id, the X11 desktop-file hint).
    QApplication::setDesktopFileName(QStringLiteral("org.tarvo.Tarvo"));
    QApplication::setStyle(new tarvo::MenuKeyboardStyle);
    tarvo::installFontSubstitutions();
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
    services.applicationFilePath = QCoreApplication::applicationFilePath();
    services.dataDirectory = tarvo::DataDirectory::forProgram();
    services.decimalSeparator = tarvo::localeDecimalSeparator();
    services.bootId = tarvo::bootIdentity();

    // Opened only once this copy holds the lock (see frmMain::Form_Load).
    std::unique_ptr<tarvo::HistoryStore> history;
    services.openHistory = [&history, directory = services.dataDirectory]() {
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
