#pragma once

#include <QString>

namespace tarvo {

// What the program tells the user: a box with one OK button, or a Yes/No question.
// An empty caption leaves the box without a caption of its own.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void information(const QString& caption, const QString& text) = 0;
    virtual bool askYesNo(const QString& caption, const QString& text) = 0;
};

} // namespace tarvo
