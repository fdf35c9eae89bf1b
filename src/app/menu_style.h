#pragma once

#include <QProxyStyle>

namespace tarvo {

// Alt alone reaches the menu bar, as on the desktop the program comes from; the arrow
// keys then walk it. Mnemonics work without their underline: drawn under an Arabic letter
// it splits the word there ("نعم", "لا" of the standard buttons).
class MenuKeyboardStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

} // namespace tarvo
