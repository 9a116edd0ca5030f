#pragma once
// Reading and writing the program's text files. Files are written as UTF-8.
// A file that is not valid UTF-8 is read as Windows-1252 (files made on the
// original desktop), so no byte of it is lost.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace kelpo {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(QByteArrayView bytes);
// One character per byte; every byte value gives a character.
QString DecodeWindows1252(const QByteArray &bytes);
// UTF-16 (little or big endian) when the text starts with its byte order
// mark; otherwise UTF-8 when the whole text is valid UTF-8 (a leading byte
// order mark is dropped), otherwise Windows-1252.
QString DecodeText(const QByteArray &bytes);
// A file's text as UTF-8, read as DecodeText reads it: the bytes themselves
// when they are UTF-8 (a leading byte order mark left out), otherwise the
// decoded text encoded again, kept in `converted`.
QByteArrayView Utf8TextOf(const QByteArray &bytes, QByteArray *converted);

// A piece of a UTF-8 text (a line, a value); a U+FEFF at its start is a
// character of the text, not a byte order mark.
QString DecodeUtf8Piece(QByteArrayView utf8);
// The same, decoded only as far as its first `max` UTF-16 units.
QString DecodeUtf8Prefix(QByteArrayView utf8, qsizetype max);
// The start of `utf8` that holds at least its first `max` UTF-16 units:
// no more need be decoded for them.
QByteArrayView Utf8Reach(QByteArrayView utf8, qsizetype max);
// The value of a line after a key of `keyLength` UTF-16 units, at most `max`
// units of it. Whole characters are skipped: a key that ends inside a
// character of two units leaves out its second half as well.
QString Utf8After(QByteArrayView line, qsizetype keyLength, qsizetype max);

// UTF-8 that DecodeText reads back unchanged: a text that itself begins with
// U+FEFF gets a byte order mark in front, which the reader drops, so the
// character of the text is kept.
QByteArray EncodeText(const QString &text);

}  // namespace kelpo
