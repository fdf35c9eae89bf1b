#include "app/frm_main.h"

#include "app/status_menu_bar.h"
#include "app/strip_art.h"
#include "calendar/hijri.h"
#include "common/app_name.h"
#include "common/caption_fit.h"
#include "common/form_layout.h"
#include "common/window_flags.h"
#include "common/window_placement.h"
#include "news/frmrss.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace tarvo {

namespace {

const QString kExitWarning = QStringLiteral(
    "إذا تم الخروج من البرنامج الآن لن يتم الحساب بطريقة صحيحة، سيتم تصغير البرنامج");
const QString kResetQuestion = QStringLiteral("سيتم إلغاء الحركة حتى آخر إغلاق للحاسب");
constexpr int kStripHeightTwips = 1545;
constexpr int kMinimumWidthTwips = 500;

} // namespace

frmMain::frmMain(const Services& services, QWidget* parent)
    : QMainWindow(parent), services_(services), session_(services),
      commands_(*services.registry, *services.launcher, *services.messages,
                services.applicationFilePath),
      dateWindows_(*services.clock, [this] { endProgram_(); }),
      newsWindows_(services.dataDirectory, *services.messages, *services.connection,
                   [this](const QString& link) { commands_.openLink(link); }),
      usageWindows_(*services.clock, *services.settings, *services.messages),
      // Ends the event loop without sending any window a close: the date window's Exit
      // runs no closing step of this window.
      endProgram_([] { QCoreApplication::exit(0); }) {
    setWindowTitle(QStringLiteral("TVM"));
    setWindowFlags(fixedSizeWindowFlags(windowFlags()));
    setWindowIcon(meterIcon());
    setFont(formFont(QStringLiteral("Arial"), 8.25));
    createControls();
    createMenus();
}

void frmMain::createControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    // The strip's own colours, whatever the desktop's theme: white, with black text where no
    // other colour is given. Buttons and boxes keep the theme's, which are legible on it.
    QPalette white = client->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    client->setPalette(white);
    client->setAutoFillBackground(true);
    setCentralWidget(client);

    Picture2 = new StripBox(client);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setGeometry(twipsRect(0, 0, 4260, kStripHeightTwips));
    Picture2->setPalette(white);

    const QColor navy(0, 0, 128), darkGrey(64, 64, 64), lightGrey(224, 224, 224);
    const QString arial = QStringLiteral("Arial"),
                  arabicTransparent = QStringLiteral("Arabic Transparent");

    // Below the strip: value holders the user never sees.
    Text1 = formControl<QLineEdit>(client, "Text1", {240, 2280, 1575, 315});
    Text2 = formControl<QLineEdit>(client, "Text2", {2160, 2280, 1695, 315});
    Label3 =
        formControl<QLabel>(client, "Label3", {960, 1560, 1575, 255},
                            formFont(arabicTransparent, 12, true), QStringLiteral("KBإجماليات "));
    setColours(Label3, navy);
    Label3->setAlignment(Qt::AlignCenter);
    lblSent = formControl<QLabel>(client, "lblSent", {2160, 1845, 1740, 270}, formFont(arial, 9));
    setColours(lblSent, QColor(255, 255, 0), &darkGrey);
    lblRecv = formControl<QLabel>(client, "lblRecv", {120, 1845, 1740, 270}, formFont(arial, 9));
    setColours(lblRecv, QColor(255, 0, 0), &darkGrey);

    // The strip.
    const QFont rateFont = formFont(arial, 11.25, true);
    Label9 = formControl<QLabel>(Picture2, "Label9", {120, 120, 480, 270}, rateFont,
                                 QStringLiteral("0 Kb"));
    setColours(Label9, Qt::black);
    placeLabel9();
    Label10 = formControl<QLabel>(Picture2, "Label10", {3345, 120, 480, 270}, rateFont,
                                  QStringLiteral("0 Kb"));
    setColours(Label10, Qt::black);
    Label10->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    placeFixed(Label10, QRect(Label10->pos(), label10Needs_.box(Label10)));
    Label5 = formControl<QLabel>(Picture2, "Label5", {1575, 360, 1215, 270},
                                 formFont(arial, 12, true), QStringLiteral("MBإجماليات"));
    setColours(Label5, QColor(255, 255, 128), &navy);
    Label5->setAlignment(Qt::AlignCenter);
    Label2 =
        formControl<QLabel>(Picture2, "Label2", {120, 450, 60, 285}, formFont(arial, 12, true));
    setColours(Label2, QColor(128, 128, 128));
    const QFont totalFont = formFont(arial, 9.75, true);
    Command2 = formControl<QPushButton>(Picture2, "Command2", {720, 720, 1390, 300}, totalFont);
    Command3 = formControl<QPushButton>(Picture2, "Command3", {2280, 720, 1390, 300}, totalFont);
    Text5 = formControl<QLineEdit>(Picture2, "Text5", {1080, 1080, 1215, 290},
                                   formFont(arabicTransparent, 9.75, true));
    Label6 = formControl<QLabel>(Picture2, "Label6", {2400, 1120, 1095, 255}, totalFont,
                                 QStringLiteral("متوسط السرعة"));
    setColours(Label6, Qt::black);
    Label1 =
        formControl<QLabel>(Picture2, "Label1", {120, 1200, 45, 225}, formFont(arial, 9, true));
    setColours(Label1, Qt::black);
    Text4 = formControl<QLineEdit>(Picture2, "Text4", {3720, 480, 255, 315});
    Text3 = formControl<QLineEdit>(Picture2, "Text3", {3720, 1080, 255, 315});
    Label4 = formControl<QLabel>(Picture2, "Label4", {1920, 1560, 1455, 255}, font(),
                                 QStringLiteral("Label4"));
    Command4 = formControl<QPushButton>(Picture2, "Command4", {3120, 360, 240, 275}, rateFont,
                                        QStringLiteral("MBإجماليات"));
    setColours(Command4, Qt::black, &lightGrey);
    // Hidden first: captions may grow over the room of controls no one sees.
    for (QWidget* hidden : std::initializer_list<QWidget*>{Text1, Text2, Label3, lblSent, lblRecv,
                                                           Text4, Text3, Label4, Command4})
        hidden->hide();
    for (QWidget* caption : std::initializer_list<QWidget*>{Label5, Label6, Command2, Command3})
        fitCaption(caption);
    // The figures change every second in boxes of their own size.
    for (QWidget* figure :
         std::initializer_list<QWidget*>{Command2, Command3, lblRecv, lblSent, Text5})
        figure->setFixedSize(figure->size());

    // One timer for everything a second brings, so that the meter wakes once a second. It
    // starts once the start-up is done: a copy that ends at once never ticks.
    tick = new QTimer(this);
    tick->setObjectName(QStringLiteral("tick"));
    tick->setInterval(1000);
    connect(tick, &QTimer::timeout, this, &frmMain::tick_Timer);
    connect(Command2, &QPushButton::clicked, this, &frmMain::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmMain::Command3_Click);

    slideTimer = new QTimer(this);
    slideTimer->setInterval(10);
    connect(slideTimer, &QTimer::timeout, this, [this] {
        if (!slideStep())
            slideTimer->stop();
    });
}

void frmMain::createMenus() {
    const auto named = [](QAction* action, const char* name) {
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    const auto command = [&](QAction* action, const char* name, void (frmMain::*handler)()) {
        connect(named(action, name), &QAction::triggered, this, handler);
        return action;
    };
    auto* bar = new StatusMenuBar(this);
    setMenuBar(bar);
    // The drop-down reads right to left; the bar itself keeps the strip's order.
    mnu = bar->addRightToLeftMenu(QStringLiteral("خيارات"));
    named(mnu->menuAction(), "mnu");
    ontop = command(mnu->addAction(QStringLiteral("أعلى دائماً")), "ontop", &frmMain::ontop_Click);
    ontop->setCheckable(true);
    opaut = command(mnu->addAction(QStringLiteral("تشغيل تلقائي")), "opaut", &frmMain::opaut_Click);
    brop = command(mnu->addAction(QStringLiteral("تشغيل المتصفح")), "brop", &frmMain::brop_Click);
    inop = command(mnu->addAction(QStringLiteral("خيارات الإنترنت")), "inop", &frmMain::inop_Click);
    l1 = named(mnu->addSeparator(), "l1");
    rss = command(mnu->addAction(QStringLiteral("قارئ الأخبار")), "rss", &frmMain::rss_Click);
    lou = named(mnu->addSeparator(), "lou");
    hotus =
        command(mnu->addAction(QStringLiteral("كيفية الإستخدام")), "hotus", &frmMain::hotus_Click);
    l3 = named(mnu->addSeparator(), "l3");
    zac = command(mnu->addAction(QStringLiteral("تصفير العداد")), "zac", &frmMain::zac_Click);
    exit = command(mnu->addAction(QStringLiteral("خروج")), "exit", &frmMain::exit_Click);
    mino = command(bar->addAction(QStringLiteral("تصغير")), "mino", &frmMain::mino_Click);
    clk = command(new QAction(QStringLiteral("clk"), this), "clk", &frmMain::clk_Click);
    bar->addStatusAction(clk);
    netcb = named(new QAction(QString(), this), "netcb");
    bar->addStatusAction(netcb);
}

int frmMain::widthTwips() const {
    return twips(width());
}

void frmMain::applySize(int widthPx) {
    // The bar's height as laid out at this width: on Windows a pixel over its size hint.
    const int bar = std::max(menuBar()->sizeHint().height(), menuBar()->heightForWidth(widthPx));
    setFixedSize(widthPx, bar + px(kStripHeightTwips));
}

void frmMain::setWidthTwips(int width) {
    applySize(px(width));
    // A hidden window gets its resize event only when shown; the size change still counts.
    if (!isVisible())
        Form_Resize();
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (isVisible() && event->size() != event->oldSize())
        Form_Resize();
}

void frmMain::Form_Resize() {
    // Whole pixels: the narrowest width that is still at least 500 twips.
    const int minimumPx = pxCovering(kMinimumWidthTwips);
    if (width() < minimumPx) {
        setWidthTwips(twips(minimumPx));
        if (isVisible())
            return; // the resize event of the new width runs the rest
    }
    // Only the layout: the figures come from the tick, and a resize reads no counter.
    Picture2->setGeometry(0, 0, width(), px(kStripHeightTwips));
    placeLabel10();
    update();
}

void frmMain::placeLabel9() {
    // The download rate grows from its left edge.
    placeFixed(Label9, QRect(Label9->pos(), label9Needs_.box(Label9)));
}

void frmMain::placeLabel10() {
    // The upload rate keeps its right edge 150 twips from the window's as it grows.
    const QSize box = label10Needs_.box(Label10);
    placeFixed(Label10, QRect(QPoint(px(widthTwips() - 150) - box.width(), Label10->y()), box));
}

bool frmMain::Form_Load() {
    if (!services_.instanceLock->tryAcquire()) {
        services_.instanceLock->askRunningCopyToShow();
        return false;
    }
    // The month calendar is built in: nothing to register. The strip is white from creation.
    setWidthTwips(4900);
    // The clock's caption from the first moment. No connection step has run yet, so this
    // clock step reads no counter.
    Timer1_Timer();
    session_.start();
    // The session's end and every other way out of the event loop write the pending minute.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &frmMain::writeHistory);
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { writeHistory(); });
    showFields();
    QCoreApplication::processEvents();

    label2LeftTwips_ = widthTwips() + 100;
    Label2->move(px(label2LeftTwips_), px((twips(height()) - twips(Label2->height())) / 2));
    centreOnScreen(this);
    show();
    services_.instanceLock->listenForShowRequests([window = QPointer<frmMain>(this)] {
        if (window)
            window->bringToFront();
    });
    if (session_.alwaysOnTop()) {
        setTopmost(true);
        ontop->setChecked(true);
    }
    QCoreApplication::processEvents();
    // The seconds and the minutes count from here.
    session_.beginSeconds();
    tick->start();

    // The slide runs from a timer so that the window stays live while it plays.
    if (Label2->isVisible()) {
        slideOffset_ = -label2LeftTwips_;
        slideTimer->start();
    }
    return true;
}

bool frmMain::slideStep() {
    if (twips(Label2->width()) + label2LeftTwips_ <= 0) {
        Label2->hide();
        return false;
    }
    slideOffset_ += 10;
    label2LeftTwips_ = -slideOffset_;
    Label2->move(px(label2LeftTwips_), Label2->y());
    return true;
}

bool frmMain::isTopmost() const {
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void frmMain::setTopmost(bool on) {
    setStaysOnTop(this, on);
}

void frmMain::Form_QueryUnload() {
    setTimer1Enabled(false);
    endProgram_();
}

void frmMain::closeEvent(QCloseEvent* event) {
    event->accept();
    Form_QueryUnload();
}

void frmMain::tick_Timer() {
    showSecond(session_.tick(services_.clock->now()));
}

void frmMain::Timer1_Timer() {
    Timer1_Timer(services_.clock->now());
}

void frmMain::Timer1_Timer(const QDateTime& now) {
    showSecond(session_.clockStep(now));
}

void frmMain::Timer2_Timer() {
    showSecond(session_.connectionStep());
}

void frmMain::Timer3_Timer() {
    Timer3_Timer(services_.clock->now());
}

void frmMain::Timer3_Timer(const QDateTime& now) {
    session_.save(now);
}

void frmMain::showSecond(const MeterSecond& second) {
    if (!second.clock.isEmpty())
        clk->setText(second.clock);
    if (second.connection != Connection::Unknown) {
        netcb->setVisible(true);
        netcb->setText(connectionCaption(second.connection));
        setChangedText(Label4, second.connection == Connection::Connected
                                   ? QStringLiteral("True")
                                   : QStringLiteral("False"));
    }
    if (!second.clock.isEmpty() && second.connection == Connection::Connected) {
        const QString tip = session_.stripToolTip();
        if (Picture2->toolTip() != tip)
            Picture2->setToolTip(tip);
    }
    showFields();
    if (second.pause)
        session_.pauseOffline();
}

void frmMain::writeHistory() {
    session_.flush();
}

void frmMain::zac_Click() {
    if (!services_.messages->askYesNo(appName(), kResetQuestion))
        return;
    session_.reset();
    showFields();
}

void frmMain::ontop_Click() {
    // The check mark was toggled by the click; it says which level the window goes to.
    setTopmost(ontop->isChecked());
    session_.setAlwaysOnTop(ontop->isChecked());
}

void frmMain::opaut_Click() {
    commands_.writeStartAtLogin();
}

void frmMain::brop_Click() {
    commands_.startBrowser();
}

void frmMain::inop_Click() {
    commands_.openNetworkSettings();
}

void frmMain::rss_Click() {
    newsWindows_.open(this, openWindows());
}

void frmMain::hotus_Click() {
    commands_.showUsageNote();
}

void frmMain::exit_Click() {
    services_.messages->information(appName(), kExitWarning);
    showMinimized();
}

void frmMain::bringToFront() {
    // Minimised by "خروج" or "تصغير", or only covered: starting the program again shows it.
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    present(this);
}

void frmMain::mino_Click() {
    showMinimized();
}

void frmMain::clk_Click() {
    dateWindows_.open(this, openWindows());
}

void frmMain::Command2_Click() {
    openUsageWindow();
}

void frmMain::Command3_Click() {
    openUsageWindow();
}

void frmMain::openUsageWindow() {
    usageWindows_.open(this, openWindows(), session_.usage(), session_.historyMovedAside());
}

QList<QWidget*> frmMain::openWindows() const {
    return {dateWindow(), newsWindow(), usageWindow()}; // the placement passes over closed ones
}

void frmMain::allowanceTimer_Timer() {
    session_.checkAllowance();
}

QString frmMain::DefaultBrowser() {
    return commands_.defaultBrowser();
}

void frmMain::showFields() {
    const MeterFields& f = session_.fields();
    if (setChangedText(Label9, f.downRate))
        placeLabel9();
    if (setChangedText(Label10, f.upRate))
        placeLabel10();
    setChangedText(lblRecv, f.receivedKB);
    setChangedText(lblSent, f.sentKB);
    setChangedText(Command2, f.receivedMB);
    setChangedText(Command3, f.sentMB);
    setChangedText(Text1, f.savedReceived);
    setChangedText(Text2, f.savedSent);
    setChangedText(Text3, f.minuteTicks);
    setChangedText(Text4, f.minuteSum);
    setChangedText(Text5, f.minuteAverage);
}

} // namespace tarvo
