#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace tarvo {

// The Arabic single-byte code pages, decoded by our own tables: Qt without ICU (as on
// Windows) knows no code pages but UTF and Latin-1.

// Windows-1256, in which every byte stands for a character.
QString decodeArabicCodePage(QByteArrayView bytes);

// Windows-1256 or ISO-8859-6 under one of their common names.
bool isArabicCodePageName(QStringView name);

// By an encoding's name: Windows-1256 and ISO-8859-6 under their common names. Nothing
// for another name, or for bytes that ISO-8859-6 leaves undefined.
std::optional<QString> decodeNamedArabicCodePage(QStringView name, QByteArrayView bytes);

} // namespace tarvo
