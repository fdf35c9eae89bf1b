#include "app/menu_style.h"

#include <QStyleOptionMenuItem>
#include <QWidget>

namespace tarvo {

int MenuKeyboardStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                                 QStyleHintReturn* returnData) const {
    if (hint == QStyle::SH_MenuBar_AltKeyNavigation)
        return 1;
    if (hint == QStyle::SH_UnderlineShortcut)
        return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void MenuKeyboardStyle::drawControl(ControlElement element, const QStyleOption* option,
                                    QPainter* painter, const QWidget* widget) const {
    // The bar has the keyboard focus only while Alt or a mnemonic walks it.
    if (element == CE_MenuBarItem && (option->state & State_Selected) && widget &&
        widget->hasFocus()) {
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            QStyleOptionMenuItem shown = *item;
            shown.state |= State_Sunken;
            QProxyStyle::drawControl(element, &shown, painter, widget);
            return;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

} // namespace tarvo
