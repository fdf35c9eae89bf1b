#include "calendar/date_window_opener.h"
#include "calendar/hijri.h"
#include "support/fakes.h"

#include <QApplication>
#include <QLineEdit>
#include <QScreen>

#include <gtest/gtest.h>

namespace tarvo {
namespace {

void runDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(DateWindowOpener, OpensOneWindowLoadedAndOnTop) {
    FakeClock clock;
    DateWindowOpener opener(clock, [] {});
    EXPECT_EQ(opener.window(), nullptr);
    QWidget mainWindow;
    hijri* window = opener.open(&mainWindow);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(opener.window(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->windowModality(), Qt::NonModal);
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(window->Text2->text(), "10/07/1438");
    // Beside the window it was opened from, wholly on its screen.
    EXPECT_FALSE(window->frameGeometry().intersects(mainWindow.frameGeometry()));
    EXPECT_TRUE(mainWindow.screen()->availableGeometry().contains(window->frameGeometry()));
}

TEST(DateWindowOpener, ShowsAnOpenWindowAgainWithoutReloadingIt) {
    FakeClock clock;
    DateWindowOpener opener(clock, [] {});
    hijri* first = opener.open(nullptr);
    first->Text2->setText("changed by the user");
    clock.time = clock.time.addDays(1);
    first->hide();
    EXPECT_EQ(opener.open(nullptr), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->Text2->text(), "changed by the user");
}

TEST(DateWindowOpener, ClosingDiscardsTheWindowAndTheNextOpeningLoadsItAfresh) {
    FakeClock clock;
    DateWindowOpener opener(clock, [] {});
    opener.open(nullptr)->close();
    runDeferredDeletes();
    EXPECT_EQ(opener.window(), nullptr);

    clock.time = QDateTime(QDate(2017, 5, 27), QTime(8, 0));
    hijri* again = opener.open(nullptr);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Text2->text(), "01/09/1438");
}

} // namespace
} // namespace tarvo
