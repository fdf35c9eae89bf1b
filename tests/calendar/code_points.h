#pragma once

#include <QString>

#include <initializer_list>

namespace tarvo {

// Expected texts are written as code points, so that no lookalike letter can slip through.
inline QString cp(std::initializer_list<char16_t> codePoints) {
    return QString(reinterpret_cast<const QChar*>(codePoints.begin()),
                   qsizetype(codePoints.size()));
}

} // namespace tarvo
