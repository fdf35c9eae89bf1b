#pragma once

#include <QProxyStyle>

namespace tarvo {

// Alt alone reaches the menu bar, as on the desktop the program comes from; the arrow
// keys then walk it. The item reached is drawn highlighted, as one under the mouse: many
// styles highlight a bar item only while its menu is open. Mnemonics work without their
// underline: drawn under an Arabic letter it splits the word there ("نعم", "لا").
class MenuKeyboardStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};

} // namespace tarvo
