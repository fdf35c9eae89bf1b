#pragma once

#include "app/meter_session.h"
#include "app/services.h"
#include "app/strip_art.h"
#include "calendar/date_window_opener.h"
#include "calendar/hijri.h"
#include "common/caption_fit.h"
#include "history/usage_window.h"
#include "history/usage_window_opener.h"
#include "news/frmrss.h"
#include "news/news_window_opener.h"
#include "system/system_commands.h"

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;

namespace tarvo {

// The main window: a strip of traffic figures under a menu bar that doubles as a status
// line. Controls keep their short names; hidden ones hold working values.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(const Services& services, QWidget* parent = nullptr);

    // Start-up; false when another copy runs and this one must end without a trace.
    bool Form_Load();
    // Lays the strip out for the window's width; it reads neither the counters nor the clock.
    void Form_Resize();
    void Form_QueryUnload();
    // The one wake-up a second, run by the session; the window shows what it returns.
    void tick_Timer();
    // The steps of a tick, as the session runs them; without a time, they read the clock.
    void Timer1_Timer();
    void Timer1_Timer(const QDateTime& now);
    void Timer2_Timer();
    void Timer3_Timer();
    void Timer3_Timer(const QDateTime& now);
    // Whether the ticks run the clock and the rates: off until the start-up is done and
    // while offline.
    bool isTimer1Enabled() const { return session_.clockRunning(); }
    void setTimer1Enabled(bool on) { session_.setClockRunning(on); }
    void zac_Click();
    void ontop_Click();
    void opaut_Click();
    void brop_Click();
    void inop_Click();
    void rss_Click();
    void hotus_Click();
    void exit_Click();
    void mino_Click();
    void clk_Click();
    // Either total opens the usage window.
    void Command2_Click();
    void Command3_Click();
    // Once a minute: tells the user when the use of the monthly allowance passes a mark.
    void allowanceTimer_Timer();

    // Clean stop: the pending minute goes into the usage history.
    void writeHistory();

    // Another start of the program while this one runs: show, restore, raise, activate.
    void bringToFront();

    // The default browser's executable, or the empty text.
    QString DefaultBrowser();

    // The open secondary windows, or null.
    hijri* dateWindow() const { return dateWindows_.window(); }
    frmrss* newsWindow() const { return newsWindows_.window(); }
    UsageWindow* usageWindow() const { return usageWindows_.window(); }

    // One step of the start-up slide; false once the slide is over.
    bool slideStep();

    // Window size in twips; the height is that of the client area below the title bar.
    int widthTwips() const;
    void setWidthTwips(int width);

    bool isTopmost() const;
    void setTopmost(bool on);

    // How the program ends when the window closes; tests replace it.
    void setEndProgram(std::function<void()> endProgram) { endProgram_ = std::move(endProgram); }

    const TrafficMeter& meter() const { return session_.meter(); }

    // Controls on the window.
    QWidget* Picture2 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* lblSent = nullptr;
    QLabel* lblRecv = nullptr;
    QTimer* tick = nullptr;
    // Controls inside the strip.
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QLineEdit* Text5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* Command4 = nullptr;
    QTimer* slideTimer = nullptr;
    // The menu tree.
    QMenu* mnu = nullptr;
    QAction* ontop = nullptr;
    QAction* opaut = nullptr;
    QAction* brop = nullptr;
    QAction* inop = nullptr;
    QAction* l1 = nullptr;
    QAction* rss = nullptr;
    QAction* lou = nullptr;
    QAction* hotus = nullptr;
    QAction* l3 = nullptr;
    QAction* zac = nullptr;
    QAction* exit = nullptr;
    QAction* mino = nullptr;
    QAction* clk = nullptr;
    QAction* netcb = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void createMenus();
    void showSecond(const MeterSecond& second);
    void showFields();
    void placeLabel9();
    void placeLabel10();
    void applySize(int widthPx);
    void openUsageWindow();
    // The secondary windows that are open, for a new one to keep clear of.
    QList<QWidget*> openWindows() const;

    Services services_;
    MeterSession session_;
    SystemCommands commands_;
    DateWindowOpener dateWindows_;
    NewsWindowOpener newsWindows_;
    UsageWindowOpener usageWindows_;
    CaptionNeedsCache label9Needs_;
    CaptionNeedsCache label10Needs_;
    int label2LeftTwips_ = 0;
    int slideOffset_ = 0;
    std::function<void()> endProgram_;
};

} // namespace tarvo
