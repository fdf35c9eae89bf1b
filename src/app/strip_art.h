#pragma once

#include <QIcon>
#include <QPixmap>
#include <QWidget>

namespace tarvo {

// The strip's decorative picture (328 x 108 pixels) and the window icon, drawn rather
// than shipped so the program needs no image files.
QPixmap stripPicture();
QIcon meterIcon();

// The strip whose painted background is the decorative picture.
class StripBox : public QWidget {
    Q_OBJECT
public:
    explicit StripBox(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture_;
};

} // namespace tarvo
