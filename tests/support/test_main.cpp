#include <QApplication>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
#ifdef Q_OS_WIN
    // Wine hands a Windows program no QT_* variables; scripts/windows/wine-run.sh passes each
    // as TARVO_WINE_QT_* instead, so that a test's scale or screen holds under wine too.
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : environment.keys())
        if (name.startsWith(u"TARVO_WINE_QT_"))
            qputenv(name.mid(11).toLocal8Bit(), environment.value(name).toLocal8Bit());
#endif
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
