// The group exchange file reader. The items it reads, written out again,
// read back to the same items; writing those again gives the same bytes but
// for the time of the last visit, which stays within a minute or two.
#include "ExchangeFile.h"
#include "FuzzSupport.h"

using namespace kelpo;

namespace {

// What the writer makes of a value: vertical tab and form feed become blanks.
QString Printable(QString text)
{
    text.replace(QChar(0x0B), QLatin1Char(' '));
    text.replace(QChar(0x0C), QLatin1Char(' '));
    return text;
}

QByteArray Write(const ExchangeParse &p, const Formats &f)
{
    QList<const Rec *> records;
    for (const Rec &r : p.items)
        records.append(&r);
    QByteArray out;
    QString error;
    FUZZ_CHECK(BuildExchangeText(p.groupName, records, true, f, &out, &error));
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    for (Formats formats : fuzz::FormatSets()) {
        ExchangeParse first;
        bool whole = false;
        fuzz::WithinHeapBound(size, [&] { whole = ParseExchangeText(bytes, formats, &first); });
        FUZZ_CHECK(whole == (first.headerOk && first.countOk && first.error.isEmpty()));
        FUZZ_CHECK(first.error.isEmpty() || first.stoppedAt == qint64(first.items.size()) || !first.countOk);
        FUZZ_CHECK(first.groupName.size() <= 255);
        if (!first.headerOk)
            continue;

        const QByteArray written = Write(first, formats);
        ExchangeParse again;
        FUZZ_CHECK(ParseExchangeText(written, formats, &again));
        FUZZ_CHECK_EQ(Printable(first.groupName), again.groupName);
        FUZZ_CHECK_EQ(again.number, qint32(first.items.size()) - 1);
        FUZZ_CHECK_EQ(first.items.size(), again.items.size());
        for (size_t k = 0; k < first.items.size(); ++k)
            fuzz::CheckSameItem(first.items[k], again.items[k], Printable, Printable);
        FUZZ_CHECK(fuzz::LinesWithout(Write(again, formats), "Last=", Crypt) == fuzz::LinesWithout(written, "Last=", Crypt));
    }
    return 0;
}
