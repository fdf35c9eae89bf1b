#pragma once

#include <QFont>
#include <QString>

class QLineEdit;

namespace tarvo {

// Puts text into a one-line box in its given font, and lowers the point size (not below
// smallestPoints) while the whole text would not fit: the Arabic faces that stand in for the
// window's own fonts run wider, and a date line cut at either end loses its era mark or year.
// The box shows the text from its start.
void setTextToFit(QLineEdit* box, const QString& text, const QFont& font,
                  double smallestPoints = 8.0);

// The width a line edit has for its text.
int textRoom(const QLineEdit* box);

} // namespace tarvo
