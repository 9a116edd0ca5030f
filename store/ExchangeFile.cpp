#include "ExchangeFile.h"

#include "AtomicFile.h"
#include "FileRead.h"
#include "ItemDates.h"
#include "Product.h"
#include "TextBlocks.h"
#include "TextCodec.h"
#include "WholeNumber.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace kelpo {

const QString ExchangeItemMarker = QStringLiteral("ThisIsTheVeryEndOfTheItemMarker");

namespace {

constexpr qsizetype TextLimit = 255;
constexpr qsizetype NoLimit = std::numeric_limits<qsizetype>::max();

// In the unscrambled text a line end is written as this byte. No unscrambled
// value byte can be it: it would have been stored as 0x0A, which always ends
// a line.
constexpr char LineEnd = 0x0B;

// A line's value after its key of `keyLength` characters, whatever those
// characters are; at most `max` characters.
QString After(QByteArrayView line, qsizetype keyLength, qsizetype max = TextLimit)
{
    return Utf8After(line, keyLength, max);
}

// The same for the texts an item keeps (name, address, script, comments):
// made in shared blocks where the key is plain ASCII, as it always is in
// the files the program writes.
QString After(QByteArrayView line, qsizetype keyLength, TextBlocks &texts, qsizetype max = TextLimit)
{
    const bool asciiKey = line.size() >= keyLength &&
                          std::all_of(line.begin(), line.begin() + keyLength, [](char c) { return (c & 0x80) == 0; });
    return asciiKey ? texts.Decode(line.sliced(keyLength), max) : Utf8After(line, keyLength, max);
}

// The offending text as the conversion messages quote it.
QString Quoted(QStringView value)
{
    QString quoted = QStringLiteral("'");
    quoted += CutView(value, TextLimit);
    quoted += QLatin1Char('\'');
    return quoted;
}

QString NotInteger(QStringView value)
{
    return Quoted(value) + QLatin1String(" is not a valid integer value");
}

QString NotFloat(QStringView value)
{
    return Quoted(value) + QLatin1String(" is not a valid floating point value");
}

bool ReadInteger(QStringView value, qint32 *number)
{
    const WholeNumber w = ReadWholeNumber(value.toString());
    *number = w.value;
    return w.valid;
}

// The lines of the unscrambled UTF-8 text, as views.
class Lines {
public:
    explicit Lines(QByteArrayView text) : text_(text) {}

    qsizetype Size() const { return text_.size(); }

    // False at the end of the text; `line` is then empty.
    bool Next(QByteArrayView *line)
    {
        if (pos_ >= text_.size()) {
            *line = {};
            return false;
        }
        qsizetype end = text_.indexOf(LineEnd, pos_);
        if (end < 0)
            end = text_.size();
        *line = text_.sliced(pos_, end - pos_);
        pos_ = end + 1;
        return true;
    }

private:
    QByteArrayView text_;
    qsizetype pos_ = 0;
};

// The bytes after the header line, unscrambled, with each line end (LF or
// CR LF) replaced by LineEnd. A CR that is not followed by LF is a value byte.
QByteArray Unscramble(const char *p, qsizetype n)
{
    QByteArray plain(n, Qt::Uninitialized);
    char *d = plain.data();
    qsizetype k = 0;
#ifdef __SSE2__
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i one = _mm_set1_epi8(0x01);
#endif
    for (qsizetype i = 0; i < n;) {
#ifdef __SSE2__
        // Sixteen bytes at once where none of them is a CR or an LF.
        if (n - i >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
            if (_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr))) == 0) {
                _mm_storeu_si128(reinterpret_cast<__m128i *>(d + k), _mm_xor_si128(v, one));
                i += 16;
                k += 16;
                continue;
            }
        }
#endif
        for (const qsizetype stop = std::min(n, i + 16); i < stop; ++i) {
            const char c = p[i];
            if (c == '\n')
                d[k++] = LineEnd;
            else if (c == '\r' && i + 1 < n && p[i + 1] == '\n')
                continue;
            else
                d[k++] = char(c ^ 0x01);
        }
    }
    plain.truncate(k);
    return plain;
}

// Reads one item. Returns false with `error` set when a value does not
// convert or the file ends before the item's fixed lines are all there.
bool ReadItem(Lines &in, Formats &formats, qint64 index, qint64 announced, Rec *rec,
              QString *error, TextBlocks &texts)
{
    QByteArrayView line;
    if (!in.Next(&line)) {
        *error = QStringLiteral("The file ends too early: it holds %1 of the %2 items it announces.")
                     .arg(index)
                     .arg(announced);
        return false;
    }
    rec->Name = After(line, 5, texts);

    auto next = [&]() {
        if (in.Next(&line))
            return true;
        *error = QStringLiteral("The file ends too early: item %1 (\"%2\") is incomplete.")
                     .arg(index + 1)
                     .arg(rec->Name);
        return false;
    };

    if (!next())
        return false;
    rec->Site = After(line, 4, texts);

    if (!next())
        return false;
    const QString last = After(line, 5);
    if (!last.contains(formats.DecimalSeparator()))
        formats.SwitchDecimalSeparator();
    double d = 0;
    if (!formats.ParseDayNumber(last, &d) || !IsShowableDay(d)) {
        *error = NotFloat(last);
        return false;
    }
    rec->Last = d;

    if (!next())
        return false;
    const QString ends = After(line, 4);
    if (!formats.ParseDayNumber(ends, &d) || !IsShowableDay(d)) {
        *error = NotFloat(ends);
        return false;
    }
    rec->Ends = WholeDay(d);

    if (!next())
        return false;
    const QString freq = After(line, 5, NoLimit);
    if (!ReadInteger(freq, &rec->Freq)) {
        *error = NotInteger(freq);
        return false;
    }

    if (!next())
        return false;
    const QString count = After(line, 4, NoLimit);
    if (!ReadInteger(count, &rec->Count)) {
        *error = NotInteger(count);
        return false;
    }

    if (!next())
        return false;
    rec->Keys = After(line, 5, texts, NoLimit);

    if (!next())
        return false;
    rec->Comments = After(line, 4, texts, NoLimit);

    // Further lines up to the marker (or the end of the file) continue the
    // comments, without a separator; empty ones are skipped.
    static const QByteArray marker = ExchangeItemMarker.toUtf8();
    while (in.Next(&line) && line != QByteArrayView(marker))
        rec->Comments += DecodeUtf8Piece(line);
    return true;
}

// A value as written on a line: vertical tab and form feed would scramble
// into LF and CR and break the line, so they become blanks.
QString Printable(const QString &value)
{
    if (!value.contains(QChar(0x0B)) && !value.contains(QChar(0x0C)))
        return value;
    QString v = value;
    v.replace(QChar(0x0B), QLatin1Char(' '));
    v.replace(QChar(0x0C), QLatin1Char(' '));
    return v;
}

QString FileNameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

}  // namespace

QByteArray Crypt(QByteArray bytes)
{
    char *p = bytes.data();
    for (qsizetype i = 0, n = bytes.size(); i < n; ++i)
        p[i] = char(p[i] ^ 0x01);
    return bytes;
}

bool BuildExchangeText(const QString &groupName, const QList<const Rec *> &items,
                       bool includeKeysAndComments, const Formats &formats, QByteArray *out,
                       QString *error)
{
    QByteArray file;
    file.reserve(items.size() * 160 + 128);
    file += ExchangeHeader.toUtf8();
    file += "\r\n";
    auto line = [&file](QLatin1String key, const QString &value) {
        file += Crypt((key + Printable(value)).toUtf8());
        file += "\r\n";
    };
    auto invalid = [error](const Rec &r, const char *what) {
        if (error)
            *error = QStringLiteral("The item \"%1\" cannot be saved: its %2 is not a valid date.")
                         .arg(r.Name, QLatin1String(what));
        return false;
    };

    line(QLatin1String("Name="), groupName);
    line(QLatin1String("Number="), QString::number(items.size() - 1));
    for (const Rec *r : items) {
        if (!IsShowableDay(r->Last))
            return invalid(*r, "last completion");
        if (!IsShowableDay(r->Ends))
            return invalid(*r, "end date");
        line(QLatin1String("Name="), r->Name);
        line(QLatin1String("Url="), r->Site);
        line(QLatin1String("Last="), formats.FormatDayNumber(r->Last));
        line(QLatin1String("End="), formats.FormatDayNumber(WholeDay(r->Ends)));
        line(QLatin1String("Freq="), QString::number(r->Freq));
        line(QLatin1String("Num="), QString::number(r->Count));
        line(QLatin1String("Keys="), includeKeysAndComments ? r->Keys : QString());
        line(QLatin1String("Com="), includeKeysAndComments ? r->Comments : QString());
        line(QLatin1String(), ExchangeItemMarker);
    }
    *out = std::move(file);
    return true;
}

bool SaveExchangeFile(const QString &path, const QString &groupName,
                      const QList<const Rec *> &items, bool includeKeysAndComments,
                      const Formats &formats, QString *error)
{
    QByteArray bytes;
    if (!BuildExchangeText(groupName, items, includeKeysAndComments, formats, &bytes, error))
        return false;
    // Made to be passed on: the user's umask decides who may read it.
    return WriteFileAtomic(path, bytes, error, FileAccess::Shared);
}

bool ParseExchangeText(QByteArray bytes, Formats &formats, ExchangeParse *out)
{
    *out = ExchangeParse();

    const QByteArray header = ExchangeHeader.toUtf8();
    qsizetype headerEnd = bytes.indexOf('\n');
    const qsizetype rest = headerEnd < 0 ? bytes.size() : headerEnd + 1;
    if (headerEnd < 0)
        headerEnd = bytes.size();
    if (headerEnd > 0 && bytes.at(headerEnd - 1) == '\r')
        --headerEnd;
    if (headerEnd != header.size() || std::memcmp(bytes.constData(), header.constData(), size_t(headerEnd)) != 0)
        return false;
    out->headerOk = true;

    QByteArray plain = Unscramble(bytes.constData() + rest, bytes.size() - rest);
    bytes = QByteArray();  // a large file is not held twice over
    QByteArray converted;
    Lines in(Utf8TextOf(plain, &converted));
    if (!converted.isEmpty())
        plain = QByteArray();

    QByteArrayView line;
    in.Next(&line);
    out->groupName = After(line, 5);

    if (!in.Next(&line)) {
        out->error = QStringLiteral("The file ends too early: the number of items is missing.");
        return false;
    }
    const QString number = After(line, 7, 10);
    if (!ReadInteger(number, &out->number)) {
        out->error = NotInteger(number);
        return false;
    }
    out->countOk = true;

    // The count only bounds the loop: every item takes at least one line, so
    // a count larger than the file ends at the file's end.
    const qint64 announced = qint64(out->number) + 1;
    // Room for the items announced, but never more than the file could hold
    // (an item takes more than 40 bytes).
    out->items.reserve(size_t(std::clamp<qint64>(announced, 0, in.Size() / 40 + 1)));
    TextBlocks texts;
    for (qint64 k = 0; k < announced; ++k) {
        Rec rec;
        if (!ReadItem(in, formats, k, announced, &rec, &out->error, texts)) {
            out->stoppedAt = k;
            return false;
        }
        out->items.push_back(std::move(rec));
    }
    return true;
}

bool LoadExchangeFile(const QString &path, Formats &formats, ExchangeParse *out, QString *ioError)
{
    FileContent file = ReadRegularFile(path, ExchangeFileLimit);
    if (!file.ok()) {
        if (ioError)
            *ioError = file.error;
        return false;
    }
    ParseExchangeText(std::move(file.bytes), formats, out);
    return true;
}

bool Duplicate(const Model &model, const QString &name)
{
    return model.Items.FindExact(name) != nullptr;
}

QString NotExchangeFileMessage(const QString &path)
{
    return FileNameOf(path) + QLatin1String(" is not a valid Kelpo data file.");
}

QString ImportedMessage(const QString &path)
{
    return FileNameOf(path) + QLatin1String(" successfully imported.");
}

QString AddItemsPrompt(qint32 number)
{
    return QLatin1String("Add ") + QString::number(qint64(number) + 1)
           + QLatin1String(" new items to this Group:");
}

QString DuplicatePrompt(const QString &name)
{
    return name + QLatin1String(" already exists. Rename to:");
}

}  // namespace kelpo
