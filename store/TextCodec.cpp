#include "TextCodec.h"

#include "Model.h"

#include <QStringDecoder>

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace kelpo {

bool IsValidUtf8(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
#ifdef __SSE2__
        // Long plain ASCII runs 64 bytes at a time.
        if (n - i >= 64) {
            const auto *v = reinterpret_cast<const __m128i *>(p + i);
            const __m128i any = _mm_or_si128(_mm_or_si128(_mm_loadu_si128(v), _mm_loadu_si128(v + 1)),
                                             _mm_or_si128(_mm_loadu_si128(v + 2), _mm_loadu_si128(v + 3)));
            if (_mm_movemask_epi8(any) == 0) {
                i += 64;
                continue;
            }
        }
#endif
        // Plain ASCII runs eight bytes at a time.
        if (n - i >= 8) {
            quint64 word;
            std::memcpy(&word, p + i, 8);
            if ((word & 0x8080808080808080ULL) == 0) {
                i += 8;
                continue;
            }
        }
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra;
        unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            if (c == 0xE0)
                lo = 0xA0;  // overlong
            else if (c == 0xED)
                hi = 0x9F;  // UTF-16 surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            if (c == 0xF0)
                lo = 0x90;  // overlong
            else if (c == 0xF4)
                hi = 0x8F;  // above U+10FFFF
        } else {
            return false;  // continuation byte, overlong C0/C1, or F5..FF
        }
        if (n - i <= extra)
            return false;
        if (p[i + 1] < lo || p[i + 1] > hi)
            return false;
        for (int k = 2; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
        }
        i += extra + 1;
    }
    return true;
}

QString DecodeWindows1252(const QByteArray &bytes)
{
    // 0x80..0x9F differ from Latin-1. The five bytes the code page leaves
    // undefined map to the control character of the same value, as Windows
    // itself does, so every byte keeps a character.
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
    };
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *d = out.data();
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    for (qsizetype i = 0, n = bytes.size(); i < n; ++i) {
        const unsigned char c = p[i];
        d[i] = (c >= 0x80 && c <= 0x9F) ? QChar(high[c - 0x80]) : QChar(char16_t(c));
    }
    return out;
}

QString DecodeText(const QByteArray &bytes)
{
    // Text editors save "Unicode" files as UTF-16 with a byte order mark.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decode(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                              QStringDecoder::Flag::ConvertInitialBom);
        QString text = decode(QByteArrayView(bytes).sliced(2));
        // Half of a surrogate pair alone is no character: it could not be
        // written back as UTF-8, so it reads as the replacement character.
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                ++i;
            else if (c.isSurrogate())
                text[i] = QChar::ReplacementCharacter;
        }
        return text;
    }
    if (IsValidUtf8(bytes)) {
        // A byte order mark some editors put in front is not part of the text.
        // Only that one: QString::fromUtf8 would drop a second U+FEFF as well,
        // which belongs to the text.
        const QByteArrayView text = bytes.startsWith("\xEF\xBB\xBF") ? QByteArrayView(bytes).sliced(3) : QByteArrayView(bytes);
        QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return decode(text);
    }
    return DecodeWindows1252(bytes);
}

QByteArrayView Utf8TextOf(const QByteArray &bytes, QByteArray *converted)
{
    if (!bytes.startsWith("\xFF\xFE") && !bytes.startsWith("\xFE\xFF") && IsValidUtf8(bytes))
        return QByteArrayView(bytes).sliced(bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0);
    *converted = DecodeText(bytes).toUtf8();
    return *converted;
}

QString DecodeUtf8Piece(QByteArrayView utf8)
{
    QStringDecoder decode(QStringDecoder::Utf8,
                          QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decode(utf8);
}

QByteArrayView Utf8Reach(QByteArrayView utf8, qsizetype max)
{
    // No character takes more than three bytes per UTF-16 unit.
    return max < (utf8.size() - 3) / 3 ? utf8.first(max * 3 + 3) : utf8;
}

QString DecodeUtf8Prefix(QByteArrayView utf8, qsizetype max)
{
    utf8 = Utf8Reach(utf8, max);
    QString text = DecodeUtf8Piece(utf8);
    text.truncate(CutView(text, max).size());
    return text;
}

QString Utf8After(QByteArrayView line, qsizetype keyLength, qsizetype max)
{
    qsizetype start = 0;
    for (qsizetype units = 0; units < keyLength && start < line.size();) {
        const auto lead = static_cast<unsigned char>(line[start]);
        const int bytes = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        units += bytes == 4 ? 2 : 1;
        start += bytes;
    }
    if (start >= line.size())
        return {};
    return DecodeUtf8Prefix(line.sliced(start), max);
}

QByteArray EncodeText(const QString &text)
{
    if (text.startsWith(QChar(0xFEFF)))
        return "\xEF\xBB\xBF" + text.toUtf8();
    return text.toUtf8();
}

}  // namespace kelpo
