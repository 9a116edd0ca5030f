// The whole-number conversion of the "Entries:" field. Checked against Qt's
// own conversion for whole texts, and for the keep-what-was-read rule.
#include "FuzzSupport.h"
#include "TextCodec.h"
#include "WholeNumber.h"

using namespace kelpo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = DecodeText(fuzz::Bytes(data, size));
    WholeNumber w;
    fuzz::WithinHeapBound(size, [&] { w = ReadWholeNumber(text); });

    // A character that belongs to no number ends the reading: same value, not valid.
    const WholeNumber stopped = ReadWholeNumber(text + QLatin1Char('z'));
    FUZZ_CHECK_EQ(stopped.value, w.value);
    FUZZ_CHECK(!stopped.valid);

    if (!w.valid)
        return 0;
    // A valid text: its value is written and read back unchanged.
    const WholeNumber back = ReadWholeNumber(QString::number(w.value));
    FUZZ_CHECK(back.valid);
    FUZZ_CHECK_EQ(back.value, w.value);
    const WholeNumber hex = ReadWholeNumber(QLatin1Char('$') + QString::number(quint32(w.value), 16));
    FUZZ_CHECK(hex.valid);
    FUZZ_CHECK_EQ(hex.value, w.value);

    // Decimal texts give what Qt gives; hexadecimal ones the same bit pattern.
    QStringView t(text);
    while (t.startsWith(QLatin1Char(' ')))
        t = t.mid(1);
    bool negative = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t.startsWith(QLatin1Char('-'));
        t = t.mid(1);
    }
    QStringView digits = t;
    int base = 10;
    for (const char *prefix : {"$", "0x", "0X", "x", "X"}) {
        if (t.startsWith(QLatin1String(prefix))) {
            digits = t.mid(qsizetype(qstrlen(prefix)));
            base = 16;
            break;
        }
    }
    bool ok = false;
    const qint64 magnitude = digits.toString().toLongLong(&ok, base);
    FUZZ_CHECK(ok);
    if (base == 10) {
        FUZZ_CHECK_EQ(qint64(w.value), negative ? -magnitude : magnitude);
    } else {
        FUZZ_CHECK(magnitude <= 0xFFFFFFFFLL);
        const quint32 bits = negative ? quint32(0) - quint32(magnitude) : quint32(magnitude);
        FUZZ_CHECK_EQ(quint32(w.value), bits);
    }
    return 0;
}
