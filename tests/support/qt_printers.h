#pragma once

#include <QRect>
#include <QString>

#include <ostream>

// Readable QString values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// Rectangles in failure messages as "x,y wxh".
inline std::ostream& operator<<(std::ostream& os, const QRect& r) {
    return os << r.x() << ',' << r.y() << ' ' << r.width() << 'x' << r.height();
}
inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << r;
}
