#include "news/news_window_opener.h"

#include "news/frmrss.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

struct Opener {
    QTemporaryDir dir;
    FakeMessages messages;
    FakeConnection connection;
    NewsWindowOpener opener{DataDirectory(dir.path()), messages, connection, [](const QString&) {}};
    QWidget strip;
    explicit Opener(const QRect& stripFrame) {
        strip.setGeometry(stripFrame);
        strip.show();
    }
};

} // namespace

TEST(NewsWindowOpener, OpensOneReaderAndClosingDiscardsIt) {
    Opener t(QRect(0, 0, 300, 100));
    frmrss* reader = t.opener.open(&t.strip);
    ASSERT_NE(reader, nullptr);
    EXPECT_TRUE(reader->isVisible());
    EXPECT_EQ(t.opener.open(&t.strip), reader);
    reader->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(t.opener.window(), nullptr);
}

// Beside the strip where there is room for the reader with its new-feed panel; over it, as a
// dialog the strip owns, where there is none. Either way wholly on the screen.
TEST(NewsWindowOpener, BesideTheStripOrAboveItAsAWindowItOwns) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    for (const bool room : {true, false}) {
        Opener t(room ? QRect(area.topLeft(), QSize(300, 100))
                      : QRect(area.adjusted(150, 150, -150, -150)));
        frmrss* reader = t.opener.open(&t.strip);
        reader->Command3_Click(); // the new-feed panel
        EXPECT_TRUE(area.contains(reader->frameGeometry())) << room;
        const QWindow* owner = reader->windowHandle()->transientParent();
        EXPECT_EQ(reader->frameGeometry().intersects(t.strip.frameGeometry()), !room);
        EXPECT_EQ(owner, room ? nullptr : t.strip.windowHandle());
        EXPECT_EQ(reader->windowType(), room ? Qt::Window : Qt::Dialog);
    }
}
