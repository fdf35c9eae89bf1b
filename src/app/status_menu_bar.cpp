#include "app/status_menu_bar.h"

#include <QAction>
#include <QActionEvent>

namespace tarvo {

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
