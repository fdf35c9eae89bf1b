#include "app/arabic_qt_texts.h"
#include "app/fonts.h"
#include "app/frm_main.h"
#include "app/instance_lock.h"
#include "app/menu_style.h"
#include "app/qt_message_boxes.h"
#include "common/number_text.h"
#include "system/command_launcher.h"
#include "system/registry.h"
#include "traffic/platform.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvo"));
    QApplication::setOrganizationName(QStringLiteral("Tarvo"));
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
    tarvo::DbusNotifier notifier;

    tarvo::Services services;
    services.interfaces = interfaces.get();
    services.connection = connection.get();
    services.clock = &clock;
    services.messages = &messages;
    services.settings = &settings;
    services.instanceLock = &instanceLock;
    services.registry = registry.get();
    services.launcher = &launcher;
    // No usage history yet: the usage window shows empty tables.
    services.usage = nullptr;
    services.notifier = &notifier;
    services.applicationFilePath = QCoreApplication::applicationFilePath();
    services.dataDirectory = tarvo::DataDirectory::forProgram();
    services.decimalSeparator = tarvo::localeDecimalSeparator();
    services.bootId = tarvo::bootIdentity();

    tarvo::frmMain window(services);
    if (!window.Form_Load())
        return 0;
    return app.exec();
}
