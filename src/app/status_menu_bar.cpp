#include "app/status_menu_bar.h"

#include <QAction>
#include <QActionEvent>
#include <QMenu>
#include <QScreen>

#include <algorithm>

namespace tarvo {

QMenu* StatusMenuBar::addRightToLeftMenu(const QString& title) {
    QMenu* menu = addMenu(title);
    menu->setLayoutDirection(Qt::RightToLeft);
    menu->installEventFilter(this);
    return menu;
}

bool StatusMenuBar::eventFilter(QObject* watched, QEvent* event) {
    // Qt hangs a right-to-left drop-down of a left-to-right bar to the left of its item,
    // off the window; it goes back under the item before it appears.
    auto* menu = qobject_cast<QMenu*>(watched);
    if (event->type() == QEvent::Show && menu && isLeftToRight()) {
        const QRect item = actionGeometry(menu->menuAction());
        if (item.isValid()) {
            int x = mapToGlobal(item.bottomLeft()).x();
            if (const QScreen* s = screen()) {
                const QRect area = s->availableGeometry();
                x = std::max(area.left(), std::min(x, area.right() + 1 - menu->width()));
            }
            menu->move(x, menu->y());
        }
    }
    return QMenuBar::eventFilter(watched, event);
}

void StatusMenuBar::addStatusAction(QAction* action) {
    addAction(action);
    status_.push_back({action, action->text()});
}

void StatusMenuBar::actionEvent(QActionEvent* event) {
    if (event->type() == QEvent::ActionChanged) {
        for (Status& s : status_) {
            if (s.action != event->action())
                continue;
            const QFontMetrics metrics = fontMetrics();
            const QString text = s.action->text();
            const bool sameLook =
                s.action->isVisible() && s.action->isEnabled() && !s.shownText.isEmpty() &&
                metrics.horizontalAdvance(text) == metrics.horizontalAdvance(s.shownText);
            s.shownText = text;
            if (sameLook && isVisible()) {
                update(actionGeometry(s.action));
                return;
            }
        }
    }
    QMenuBar::actionEvent(event);
}

} // namespace tarvo
