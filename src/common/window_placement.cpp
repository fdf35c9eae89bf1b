#include "common/window_placement.h"

#include "common/placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace tarvo {

namespace {

// Runs once the window is shown with a frame from the window manager. That frame may come
// after the first exposure, so it waits for a later one or a move; without a window manager
// it never comes, and nothing needs correcting.
class WhenFramed : public QObject {
public:
    WhenFramed(QWidget* window, std::function<void()> framed)
        : QObject(window), window_(window), framed_(std::move(framed)) {
        window->windowHandle()->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Expose && event->type() != QEvent::Move)
            return false;
        const QWindow* handle = window_->windowHandle();
        if (!handle->isExposed() || handle->frameMargins().isNull())
            return false;
        watched->removeEventFilter(this);
        deleteLater();
        framed_();
        return false;
    }

private:
    QWidget* window_;
    std::function<void()> framed_;
};

QMargins knownMargins(const QWidget* window) {
    const QWindow* handle = window->windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

QPoint centredFrame(const QWidget* window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? centredIn(screen->availableGeometry(),
                              frameSizeFor(window->size(), knownMargins(window)))
                  : window->pos();
}

// The frame a platform reports may fall a few pixels short of the one the window manager
// draws (wine under an X window manager takes Windows' title bar and borders: 1 to 5 px
// less), so windows keep this far from each other and from the screen's edges.
const QMargins kFrameSlack(6, 6, 6, 6);

// Where the window goes with the given frame margins; its height fitted first.
StripSidePlace placeWith(QWidget* window, const QWidget* strip, const QList<QWidget*>& others,
                         QSize client, const HeightFit& height, const QMargins& margins) {
    const QRect area = strip->screen()->availableGeometry().marginsRemoved(kFrameSlack);
    QList<QRect> frames;
    for (const QWidget* other : others)
        if (other && other != window && other->isVisible())
            frames.append(other->frameGeometry().marginsAdded(kFrameSlack));
    const int frameHeight = margins.top() + margins.bottom();
    const StripSidePlace place = placeByStrip(strip->frameGeometry().marginsAdded(kFrameSlack),
                                              frameSizeFor(client, margins), area, frames,
                                              height.fit ? height.shortest + frameHeight : 0);
    if (height.fit)
        height.fit(place.frame.height() - frameHeight);
    return place;
}

} // namespace

void placeBesideStrip(QWidget* window, QWidget* strip, const QList<QWidget*>& others, QSize client,
                      const HeightFit& height) {
    if (!strip || !strip->screen())
        return;
    if (client.isEmpty())
        client = window->size();
    // The platform may know the window's frame before it is shown (Windows does).
    window->winId();
    QMargins margins = knownMargins(window);
    if (margins.isNull())
        margins = marginsBetween(strip->frameGeometry(), strip->geometry());
    const StripSidePlace place = placeWith(window, strip, others, client, height, margins);
    if (place.overStrip && strip->windowHandle()) {
        // A dialog's owner is what window managers keep it above.
        window->setWindowFlags((window->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
        window->winId();
        window->windowHandle()->setTransientParent(strip->windowHandle());
    }
    window->move(place.frame.topLeft());
    QList<QPointer<QWidget>> watched;
    for (QWidget* other : others)
        watched.append(other);
    // Before it is framed, X11 places the client where the frame was meant to go: once framed
    // it goes where its own frame belongs (a move of the framed window moves its frame).
    new WhenFramed(window, [window, strip = QPointer<QWidget>(strip), watched, client, height] {
        if (!strip || !strip->screen())
            return;
        QList<QWidget*> others;
        for (const QPointer<QWidget>& other : watched)
            others.append(other.data());
        const QPoint at =
            placeWith(window, strip, others, client, height, window->windowHandle()->frameMargins())
                .frame.topLeft();
        if (window->frameGeometry().topLeft() != at)
            window->move(at);
    });
}

void centreOnScreen(QWidget* window) {
    // Placed by the program, so that it opens centred with or without a window manager.
    window->move(centredFrame(window));
    window->winId();
    if (!knownMargins(window).isNull()) {
        window->move(centredFrame(window));
        return;
    }
    new WhenFramed(window,
                   [window] { window->windowHandle()->setFramePosition(centredFrame(window)); });
}

void present(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

void setStaysOnTop(QWidget* window, bool on) {
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on)
        return;
    if (QWindow* handle = window->windowHandle(); handle && window->isVisible()) {
        // Change the level in place; setWindowFlags would hide and re-create the window.
        window->overrideWindowFlags(window->windowFlags().setFlag(Qt::WindowStaysOnTopHint, on));
        handle->setFlags(window->windowFlags());
    } else {
        window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    }
}

} // namespace tarvo
