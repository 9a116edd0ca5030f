#pragma once
// Reading and writing the program's text files. Files are written as UTF-8.
// A file that is not valid UTF-8 is read as Windows-1252 (files made on the
// original desktop), so no byte of it is lost.
#include <QByteArray>
#include <QString>

namespace kelpo {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const QByteArray &bytes);
// One character per byte; every byte value gives a character.
QString DecodeWindows1252(const QByteArray &bytes);
// UTF-16 (little or big endian) when the text starts with its byte order
// mark; otherwise UTF-8 when the whole text is valid UTF-8 (a leading byte
// order mark is dropped), otherwise Windows-1252.
QString DecodeText(const QByteArray &bytes);
// UTF-8 that DecodeText reads back unchanged: a text that itself begins with
// U+FEFF gets a byte order mark in front, which the reader drops, so the
// character of the text is kept.
QByteArray EncodeText(const QString &text);

}  // namespace kelpo
