#include "app/qt_message_boxes.h"

#include <QApplication>
#include <QMessageBox>

namespace tarvo {

namespace {
// Texts join their lines with a bare CR; the box breaks lines at LF only.
QString displayText(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

int run(const QString& caption, const QString& text, QMessageBox::StandardButtons buttons,
        QMessageBox::StandardButton safeButton) {
    QMessageBox box(QMessageBox::NoIcon, caption, displayText(text), buttons,
                    QApplication::activeWindow());
    // Arabic texts: the box reads right to left, its buttons included.
    box.setLayoutDirection(Qt::RightToLeft);
    // Enter alone or Escape gives the answer that changes nothing.
    box.setDefaultButton(safeButton);
    box.setEscapeButton(safeButton);
    return box.exec();
}
} // namespace

void QtMessageBoxes::information(const QString& caption, const QString& text) {
    run(caption, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtMessageBoxes::askYesNo(const QString& caption, const QString& text) {
    return run(caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

} // namespace tarvo
