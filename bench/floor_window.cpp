// The least a Qt Widgets strip can cost, for bench/idle.sh to set Tarvo's figures against:
// a window with a menu bar holding a clock and one label, both rewritten once a second.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QTime>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    auto* label = new QLabel(QStringLiteral("0 Kb"), &window);
    window.setCentralWidget(label);
    window.menuBar()->addMenu(QStringLiteral("خيارات"))->addAction(QStringLiteral("خروج"));
    QAction* clock = window.menuBar()->addAction(QString());
    QTimer tick;
    int second = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        clock->setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
        label->setText(QStringLiteral("DOWN:%1").arg(++second % 7));
    });
    tick.start(1000);
    window.show();
    return app.exec();
}
