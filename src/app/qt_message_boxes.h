#pragma once

#include "common/message_boxes.h"

class QWidget;

namespace tarvo {

// Plain message boxes without an icon, laid out right to left: one OK button, or Yes and
// No with No as the answer of Enter and Escape.
class QtMessageBoxes final : public MessageBoxes {
public:
    void information(const QString& caption, const QString& text) override;
    bool askYesNo(const QString& caption, const QString& text) override;
};

} // namespace tarvo
