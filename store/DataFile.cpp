#include "DataFile.h"

#include "AtomicFile.h"
#include "FileRead.h"
#include "ItemDates.h"
#include "LineReader.h"
#include "TextBlocks.h"
#include "TextCodec.h"

#include <QFile>
#include <QIODevice>
#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace kelpo {

const QString ItemSeparator = QString(41, QLatin1Char('-')) + QChar(0x03);

namespace {

constexpr int TextLimit = 255;

const QString ErrorLoadingEntry =
    QStringLiteral("Error loading entry. Entry will be ignored.\nPossible name: ");

// Repeated values (the same script, group text or comment in many items)
// are held once: equal bytes give the same shared text. The bytes are kept
// as well, as the file's own may be gone by the time they come again.
class Interner {
public:
    template <typename Decode>
    QString Get(QByteArrayView bytes, Decode decode)
    {
        if (bytes.size() > MaxLength)
            return decode();
        // Items next to each other often share a value (the same group, no
        // script): that needs no hashing.
        if (!bytes.isEmpty() && bytes.size() == last_.size() &&
            std::memcmp(bytes.data(), last_.data(), size_t(bytes.size())) == 0)
            return lastText_;
        const auto it = seen_.constFind(bytes);
        if (it != seen_.constEnd()) {
            last_ = it.key();
            lastText_ = it.value();
            return lastText_;
        }
        lastText_ = decode();
        if (seen_.size() < MaxEntries) {
            keys_.push_back(bytes.toByteArray());
            last_ = keys_.back();
            seen_.insert(last_, lastText_);
        } else {
            lastBytes_ = bytes.toByteArray();
            last_ = lastBytes_;
        }
        return lastText_;
    }

private:
    QByteArrayView last_;  // in keys_ or lastBytes_
    QString lastText_;
    static constexpr qsizetype MaxLength = 1024;
    static constexpr qsizetype MaxEntries = 4096;
    QHash<QByteArrayView, QString> seen_;  // keys in keys_
    std::vector<QByteArray> keys_;         // moving one keeps its bytes in place
    QByteArray lastBytes_;
};

// Notes the first thing in the file that was not understood, with its line.
class Damage {
public:
    Damage(const LineReader &in, LoadResult &result) : in_(in), result_(result) {}

    void AtLine(const QString &what) { Note(QStringLiteral("Line %1: %2").arg(in_.LineNumber()).arg(what)); }
    void Note(const QString &what)
    {
        if (!result_.whole)
            return;
        result_.whole = false;
        result_.damage = what;
    }

private:
    const LineReader &in_;
    LoadResult &result_;
};

// A line quoted in a message: its start, without control characters.
QString Quote(QStringView line)
{
    QString t = CutView(line, 40).toString();
    for (QChar &c : t) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('?');
    }
    return QLatin1Char('"') + t + (line.size() > 40 ? QStringLiteral("...\"") : QStringLiteral("\""));
}

QString Quote(QByteArrayView line)
{
    return Quote(DecodeUtf8Prefix(line, 41));
}

// The line from its `position`-th character (1-based, counted in UTF-16
// units) on, at most `max` characters; empty when the line is shorter.
QString From(QByteArrayView line, qsizetype position, qsizetype max = TextLimit)
{
    return Utf8After(line, position - 1, max);
}

// Short plain ASCII (the numbers of an item, its frequency line) widened
// into `buffer` without allocating: the text refers to the buffer and must
// not outlive it. Null when the bytes are longer or not plain ASCII.
QString ShortAscii(QByteArrayView bytes, char16_t (&buffer)[64])
{
    if (bytes.size() > 64)
        return QString();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x80)
            return QString();
        buffer[i] = c;
    }
    return QString::fromRawData(reinterpret_cast<const QChar *>(buffer), bytes.size());
}

// The value after an ASCII key of `keyLength` bytes, as From() gives it.
QString ValueAfterKey(QByteArrayView line, qsizetype keyLength, char16_t (&buffer)[64])
{
    const QString value = ShortAscii(line.sliced(keyLength), buffer);
    return value.isNull() ? From(line, keyLength + 1) : value;
}

// Blanks, an optional sign and digits; reading stops at any other character
// and a text without digits is 0. Values beyond 32 bits are held at the limit.
qint32 ReadInteger(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    constexpr qint64 limit = qint64(std::numeric_limits<qint32>::max()) + 1;
    qint64 value = 0;
    for (; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            break;
        value = std::min(limit, value * 10 + (c - u'0'));
    }
    if (negative)
        return qint32(-value);
    return qint32(std::min(value, limit - 1));
}

// Reads the day number after a "Last1: " or "Ends1: " key with the
// program's decimal separator. An end date written while the other
// separator was in force is accepted as well: the "Last1: " lines may have
// switched the separator away from the one the file was written with, and an
// end date is never worth dropping an item for.
bool ReadDayNumber(const Formats &formats, QByteArrayView line, double *dayNumber, bool tryOther)
{
    constexpr qsizetype KeyLength = 7;
    // Only the first 255 characters of a value count, as with every value.
    char16_t buffer[64];
    const QByteArrayView bytes = line.sliced(KeyLength);
    const QString cut = bytes.size() > TextLimit ? ValueAfterKey(line, KeyLength, buffer) : QString();
    auto parse = [&](const Formats &f) {
        return cut.isNull() ? f.ParseDayNumberUtf8(bytes, dayNumber) : f.ParseDayNumber(cut, dayNumber);
    };
    if (parse(formats))
        return true;
    if (!tryOther)
        return false;
    Formats other = formats;
    other.SwitchDecimalSeparator();
    return parse(other);
}

const QByteArray SeparatorBytes = ItemSeparator.toUtf8();

// Whether `line` begins with the ASCII `key`; compared inline, as the
// reader asks this of every line.
template <size_t N>
bool Begins(QByteArrayView line, const char (&key)[N])
{
    return line.size() >= qsizetype(N - 1) && std::memcmp(line.data(), key, N - 1) == 0;
}

bool IsSeparator(QByteArrayView line)
{
    // The length first: it turns away almost every other line without a call.
    return line.size() == SeparatorBytes.size() &&
           std::memcmp(line.data(), SeparatorBytes.constData(), size_t(line.size())) == 0;
}

// The repeat kind and the entry counter from the frequency line
// ("Freq: <kind>,<count>"), read leniently.
void ReadFrequency(QStringView line, Rec &rec)
{
    // The line is short as a rule: a plain loop finds the comma sooner than
    // a search.
    qsizetype comma = 0;
    while (comma < line.size() && line[comma] != QLatin1Char(','))
        ++comma;
    if (comma < line.size()) {
        rec.Count = ReadInteger(line.mid(comma + 1).left(6));
        rec.Freq = ReadInteger(comma > 6 ? line.mid(6, comma - 6) : QStringView());
    } else {
        rec.Freq = ReadInteger(line.size() > 6 ? CutView(line.mid(6), 6) : QStringView());
    }
}

// Shared values by kind: the same bytes mean different texts in different
// places (a "Keys: " line is an empty script, but as a comment line it is
// the comment "Keys: ").
struct SharedValues {
    double today = 0;  // the day of `now`, for the oldest form without an end date
    Interner groups, keys, comments;
    TextBlocks texts;  // names and addresses, each its own but made in blocks
};

// The value of a one-line field after its ASCII key, as From() gives it.
template <size_t N>
QString ValueOf(QByteArrayView line, const char (&key)[N], TextBlocks &texts)
{
    constexpr qsizetype KeyLength = N - 1;
    if (!Begins(line, key))
        return From(line, KeyLength + 1);
    return texts.Decode(line.sliced(KeyLength), TextLimit);
}

// Reads one item block starting at its "Item: " line into `read` (a fresh
// record). False when the block is broken; then `error` holds the message
// and the reader stands after the block.
bool ReadItem(LineReader &in, Rec &read, Formats &formats, double now, QString *error, Damage &damage,
              SharedValues &shared)
{
    in.Next();  // "Item: k"; the number is not used
    Rec *rec = &read;
    const double today = shared.today;

    // The keys of the fixed lines are checked only to tell whether the block
    // is whole; reading takes each value from its place, as it always has.
    auto expect = [&](QByteArrayView line, const auto &key, const char *what) {
        if (line.isEmpty() && in.AtEnd())
            damage.AtLine(QStringLiteral("the file ends inside the item %1.").arg(Quote(rec->Name)));
        else if (!Begins(line, key))
            damage.AtLine(QStringLiteral("the %1 line of an item is missing (found %2).").arg(QLatin1String(what), Quote(line)));
    };

    QByteArrayView line = in.Next();
    expect(line, "Name: ", "name");
    rec->Name = ValueOf(line, "Name: ", shared.texts);

    line = in.Next();
    if (!Begins(line, "Desc: "))
        expect(line, "Group: ", "group");
    if (Begins(line, "Desc: ")) {
        // An empty description adds no line: comments that began with a
        // blank line would lose it at the next save and load.
        const QString description = From(line, 7);
        if (!description.isEmpty())
            rec->Comments = description + QLatin1String("\r\n");
    }
    else if (Begins(line, "Group: "))
        rec->Group = shared.groups.Get(line, [&] { return From(line, 8); });

    line = in.Next();
    expect(line, "Site: ", "address");
    rec->Site = ValueOf(line, "Site: ", shared.texts);

    line = in.Next();
    if (Begins(line, "Keys: ")) {
        rec->Keys = shared.keys.Get(line, [&] { return From(line, 7, std::numeric_limits<qsizetype>::max()); });
        line = in.Next();
    }

    auto fail = [&](QByteArrayView lastLine) {
        *error = ErrorLoadingEntry + rec->Name;
        damage.AtLine(QStringLiteral("a date of the item %1 is not a number (found %2).").arg(Quote(rec->Name), Quote(lastLine)));
        // The rest of the block is only passed over: none of it is kept.
        if (!IsSeparator(lastLine)) {
            while (!in.AtEnd()) {
                in.Pin();
                if (IsSeparator(in.Next()))
                    break;
            }
        }
        return false;
    };

    char16_t buffer[64];
    if (Begins(line, "Last1: ")) {
        if (!std::memchr(line.data(), char(formats.DecimalSeparator().unicode()), size_t(line.size())))
            formats.SwitchDecimalSeparator();
        double d = 0;
        if (!ReadDayNumber(formats, line, &d, false) || !IsShowableDay(d))
            return fail(line);
        rec->Last = d;
    } else {
        // The old form holds the date and time as text in the short formats.
        if (!formats.ParseDateTime(From(line, 7), &rec->Last))
            rec->Last = now;
    }

    line = in.Next();
    if (Begins(line, "Freq: ")) {
        // The oldest form: no end date and no counter.
        rec->Freq = ReadInteger(From(line, 7, 6));
        rec->Ends = today + 365;
    } else {
        double d = 0;
        if (Begins(line, "Ends1: ")) {
            if (!ReadDayNumber(formats, line, &d, true))
                return fail(line);
        } else if (!formats.ParseDateTime(From(line, 7), &d)) {
            d = today;
        }
        // Only the day of the end counts; a time written with it is dropped.
        rec->Ends = WholeDay(d);
        if (std::isnan(rec->Ends))
            return fail(line);
        line = in.Next();
        expect(line, "Freq: ", "repeat");
        const QString frequency = ShortAscii(line, buffer);
        ReadFrequency(frequency.isNull() ? DecodeUtf8Piece(line) : frequency, *rec);
    }

    // Comment lines up to the separator. The last line of the file is never
    // taken: it is the separator of the last block in a whole file.
    // Blank lines before the first text are not kept. The rest is decoded
    // in one piece where every line ends with CR LF, as in the files the
    // program writes.
    qint64 first = -1;
    qint64 last = -1;
    bool crlf = true;
    bool endedCrlf = false;  // the line before ended with CR LF
    line = in.Next();
    while (!IsSeparator(line) && !in.AtEnd()) {
        if (first >= 0 || !line.isEmpty() || !rec->Comments.isEmpty()) {
            if (first < 0)
                first = in.LineStart();
            else
                crlf = crlf && endedCrlf;
            last = in.LineStart() + line.size();
        }
        endedCrlf = in.LineEndedWithCrLf();
        line = in.Next();
    }
    if (first >= 0) {
        const QByteArrayView lines = in.Span(first, last);
        auto joined = [&] {
            if (crlf)
                return DecodeUtf8Piece(lines);
            QString text;
            for (qsizetype start = 0;;) {
                const qsizetype lf = lines.indexOf('\n', start);
                if (lf < 0) {
                    text += DecodeUtf8Piece(lines.sliced(start));
                    return text;
                }
                const qsizetype end = lf > start && lines[lf - 1] == '\r' ? lf - 1 : lf;
                text += DecodeUtf8Piece(lines.sliced(start, end - start));
                text += QLatin1String("\r\n");
                start = lf + 1;
            }
        };
        if (rec->Comments.isEmpty())
            rec->Comments = shared.comments.Get(lines, joined);
        else
            rec->Comments += QLatin1String("\r\n") + joined();
    }
    if (!IsSeparator(line))
        damage.AtLine(QStringLiteral("the file ends inside the item %1.").arg(Quote(rec->Name)));
    return true;
}

// Writes the pieces of a file into a byte buffer as UTF-8, straight through
// a cursor, without making a UTF-16 copy of the whole file first. The writes
// themselves check nothing: Room(n) makes sure the next n bytes fit, and
// the writes that follow it must stay within them (a text of n UTF-16 units
// takes at most 3n bytes). Finish() cuts the buffer to what was written.
// With a file to write to, the buffer holds one piece of the file at a time:
// Room() passes on what the buffer holds once it is a piece's worth, and
// Finish() the rest.
class Utf8Writer {
public:
    // Most bytes a text of `units` UTF-16 units takes.
    static constexpr qsizetype MostBytes(qsizetype units) { return 3 * units; }
    // A piece for the file: small enough to stay in the cache between
    // being written here and being copied by the system.
    static constexpr qsizetype PieceBytes = 512 * 1024;

    Utf8Writer(QByteArray &bytes, qsizetype expected, AtomicFileWriter *file = nullptr)
        : bytes_(bytes), file_(file)
    {
        bytes_.resize(file_ ? PieceBytes + 4096 : expected);
        if (!file_)
            AdviseLargePages(bytes_);
        at_ = bytes_.data();
    }
    // False when the file could not take a piece.
    bool Finish()
    {
        bytes_.resize(at_ - bytes_.data());
        if (file_)
            return file_->Write(bytes_);
        return true;
    }

    void Room(qsizetype n)
    {
        qsizetype used = at_ - bytes_.data();
        if (file_ && used >= PieceBytes) {
            file_->Write(QByteArrayView(bytes_.data(), used));
            at_ = bytes_.data();
            used = 0;
        }
        if (bytes_.size() - used >= n)
            return;
        bytes_.resize(std::max(bytes_.size() * 2, used + n + 4096));
        if (!file_)
            AdviseLargePages(bytes_);
        at_ = bytes_.data() + used;
    }

    template <size_t N>
    Utf8Writer &Ascii(const char (&text)[N])
    {
        std::memcpy(at_, text, N - 1);
        at_ += N - 1;
        return *this;
    }
    Utf8Writer &Bytes(QByteArrayView bytes)
    {
        std::memcpy(at_, bytes.data(), size_t(bytes.size()));
        at_ += bytes.size();
        return *this;
    }
    Utf8Writer &LineEnd() { return Ascii("\r\n"); }
    static constexpr qsizetype NumberBytes = 20;  // "-9223372036854775808"
    Utf8Writer &Number(qint64 value)
    {
        at_ = std::to_chars(at_, at_ + NumberBytes, value).ptr;
        return *this;
    }
    // Text as QString::toUtf8 writes it; plain ASCII is copied straight in.
    Utf8Writer &Text(QStringView text)
    {
        if (CopyAscii(text, false))
            return *this;
        // The encoder writes half a surrogate pair alone as U+FFFD, where
        // QString::toUtf8 (and so every file written before) has "?".
        const bool halves = std::any_of(text.begin(), text.end(), [](QChar c) { return c.isSurrogate(); });
        if (halves)
            return Bytes(text.toUtf8());
        at_ = encoder_.appendToBuffer(at_, text);
        return *this;
    }
    // A text on one line: line breaks inside it would shift every later line
    // of the file, so they become blanks.
    Utf8Writer &OneLine(const QString &text)
    {
        if (CopyAscii(text, true))
            return *this;
        if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
            return Text(text);
        QString t = text;
        t.replace(QLatin1String("\r\n"), QLatin1String(" "));
        t.replace(QLatin1Char('\r'), QLatin1Char(' '));
        t.replace(QLatin1Char('\n'), QLatin1Char(' '));
        return Text(t);
    }
    // A day number with the program's decimal separator.
    Utf8Writer &DayNumber(const Formats &formats, double dayNumber)
    {
        at_ += formats.WriteDayNumber(dayNumber, at_);
        return *this;
    }

private:
    // Writes a text that is plain ASCII (and, with `oneLine`, holds no CR
    // or LF) one byte per character. False, with nothing taken, for any
    // other text.
    bool CopyAscii(QStringView text, bool oneLine)
    {
        const char16_t *s = text.utf16();
        const qsizetype n = text.size();
        char *d = at_;
        qsizetype i = 0;
#ifdef __SSE2__
        // Sixteen characters at a time; the last sixteen of a text of
        // sixteen or more are taken again as one block, overlapping the
        // block before, instead of one by one.
        const __m128i high = _mm_set1_epi16(short(0xFF80));
        const __m128i cr = _mm_set1_epi16('\r');
        const __m128i lf = _mm_set1_epi16('\n');
        const __m128i zero = _mm_setzero_si128();
        auto block = [&](qsizetype at) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + at));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + at + 8));
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(_mm_or_si128(a, b), high), zero)) != 0xFFFF)
                return false;
            if (oneLine) {
                const __m128i breaks = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(a, cr), _mm_cmpeq_epi16(a, lf)),
                                                    _mm_or_si128(_mm_cmpeq_epi16(b, cr), _mm_cmpeq_epi16(b, lf)));
                if (_mm_movemask_epi8(breaks) != 0)
                    return false;
            }
            _mm_storeu_si128(reinterpret_cast<__m128i *>(d + at), _mm_packus_epi16(a, b));
            return true;
        };
        if (n >= 16) {
            for (; i + 16 <= n; i += 16) {
                if (!block(i))
                    return false;
            }
            if (i < n && !block(n - 16))
                return false;
            i = n;
        }
#endif
        for (; i < n; ++i) {
            const char16_t c = s[i];
            if (c >= 0x80 || (oneLine && (c == u'\r' || c == u'\n')))
                return false;
            d[i] = char(c);
        }
        at_ += n;
        return true;
    }

    QByteArray &bytes_;
    AtomicFileWriter *file_;  // nullptr: the whole file is built in the buffer
    char *at_ = nullptr;
    // Stateless: each text is converted on its own.
    QStringEncoder encoder_{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
};

}  // namespace

namespace {

// Reads the file from its UTF-8 bytes, which hold `size` bytes in all.
LoadResult ReadUtf8Data(LineReader &in, qint64 size, Model &model, Formats &formats, double now)
{
    LoadResult result;
    result.opened = true;
    model.Clear();

    Damage damage(in, result);
    if (in.RestIsBlank())
        return result;  // an empty file holds nothing that could be lost

    QByteArrayView line = in.Next();
    qint32 itemCount = 0;
    auto readCount = [&](QByteArrayView countLine) {
        if (!Begins(countLine, "Number of items:"))
            damage.AtLine(QStringLiteral("the number of items is missing (found %1).").arg(Quote(countLine)));
        // The item count is read whole: a file of 100,000 items or more must
        // not lose its tail to a five-digit field.
        itemCount = ReadInteger(From(countLine, 17, countLine.size()));
    };
    if (Begins(line, "Number of items:")) {
        readCount(line);
    } else {
        if (!Begins(line, "NumGroups:"))
            damage.AtLine(QStringLiteral("this is not a Kelpo data file: it begins with %1.").arg(Quote(line)));
        const qint32 listed = ReadInteger(From(line, 11, 6));
        const int loaded = std::clamp(listed, 0, MaxGroups);
        for (int i = 1; i <= loaded; ++i) {
            GroupData &g = model.GroupTable[size_t(i)];
            // Each line is taken in before the next is read.
            in.Pin();
            line = in.Next();
            if (!Begins(line, "GroupName") || !line.contains('='))
                damage.AtLine(QStringLiteral("the name of group %1 is missing (found %2).").arg(i).arg(Quote(line)));
            g.GroupName = DecodeUtf8Prefix(line.sliced(line.indexOf('=') + 1), TextLimit);
            in.Pin();
            line = in.Next();
            if (!Begins(line, "GroupNumber") || !line.contains('='))
                damage.AtLine(QStringLiteral("the number of group %1 is missing (found %2).").arg(i).arg(Quote(line)));
            g.GroupNumber = ReadInteger(DecodeUtf8Prefix(line.sliced(line.indexOf('=') + 1), 64));
        }
        model.NumGroups = loaded;
        if (listed > MaxGroups) {
            result.groupError =
                QStringLiteral("The data file lists %1 groups, but no more than %2 can be held.\n"
                               "Only the first %2 groups were loaded.")
                    .arg(listed)
                    .arg(MaxGroups);
            damage.Note(QStringLiteral("the file lists %1 groups; only the first %2 could be loaded.").arg(listed).arg(MaxGroups));
            for (qint64 skip = 2 * qint64(listed - MaxGroups); skip > 0 && !in.AtEnd(); --skip) {
                in.Pin();
                in.Next();
            }
        }
        readCount(in.Next());
    }
    result.listedItems = itemCount;

    if (!IsSeparator(in.Next()))
        damage.AtLine(QStringLiteral("the separator line after the header is missing."));

    // Every block that begins with its "Item: " line is read, also past the
    // count the header gives (a header that says too few must not hide the
    // items after it). Lines that belong to no block are skipped up to the
    // next separator, so the blocks after a damaged part are read as well.
    qint64 found = 0;
    SharedValues shared;
    shared.today = WholeDay(now);
    // Room for the items the header gives, but never more than the file
    // could hold (an item block takes more than 50 bytes): a damaged header
    // must not reserve gigabytes.
    model.Items.Reserve(int(std::min<qint64>(std::max(0, itemCount), size / 50 + 1)));
    while (!in.AtEnd()) {
        in.Pin();
        line = in.Peek();
        if (Begins(line, "Item: ")) {
            ++found;
            QString error;
            Rec rec;
            if (ReadItem(in, rec, formats, now, &error, damage, shared))
                model.Items.Append(std::move(rec));
            else
                result.itemErrors.append(error);
            continue;
        }
        if (in.RestIsBlank())
            break;
        in.Next();
        damage.AtLine(QStringLiteral("this line belongs to no item: %1.").arg(Quote(line)));
        // The lines up to the next separator are only passed over.
        while (!in.AtEnd() && !IsSeparator(line)) {
            in.Pin();
            line = in.Next();
        }
    }
    if (found != itemCount)
        damage.Note(QStringLiteral("the file says it holds %1 items, but %2 were found in it.").arg(itemCount).arg(found));
    return result;
}

}  // namespace

LoadResult ReadDataText(const QByteArray &bytes, Model &model, Formats &formats, double now)
{
    // Files the program wrote are UTF-8 and are read as they are; a file in
    // another encoding (UTF-16 from a text editor, Windows-1252 from the
    // original desktop) is turned into UTF-8 first.
    QByteArray converted;
    const QByteArrayView text = Utf8TextOf(bytes, &converted);
    LineReader in(text);
    return ReadUtf8Data(in, text.size(), model, formats, now);
}

namespace {

LoadResult Unreadable(const QString &why)
{
    LoadResult failed;
    failed.openError = why.isEmpty() ? QStringLiteral("The file could not be read.") : why;
    return failed;
}

}  // namespace

LoadResult ReadDataFrom(QIODevice &source, Model &model, Formats &formats, double now, qsizetype pieceBytes)
{
    const Formats before = formats;
    const qint64 size = source.size();
    {
        // A reader that stopped at once (a failed read, or no UTF-8) reads
        // as an empty file, which costs nothing.
        LineReader in(source, pieceBytes);
        if (in.Head(3) == QByteArrayView("\xEF\xBB\xBF"))
            in.Skip(3);
        LoadResult result = ReadUtf8Data(in, size, model, formats, now);
        if (!in.Failed() && !in.NotUtf8())
            return result;
        model.Clear();
        formats = before;
        if (in.Failed())
            return Unreadable(in.Error());
    }
    // Not UTF-8 after all: the whole file is decoded at once.
    QByteArray bytes(std::max<qint64>(size, 0), Qt::Uninitialized);
    qsizetype done = 0;
    for (bool read = source.seek(0); read;) {
        if (done == bytes.size())
            bytes.resize(std::max<qsizetype>(2 * done, 4096));
        const qint64 got = source.read(bytes.data() + done, bytes.size() - done);
        if (got <= 0) {
            if (got == 0) {
                bytes.truncate(done);
                return ReadDataText(bytes, model, formats, now);
            }
            break;
        }
        done += got;
    }
    return Unreadable(source.errorString());
}

LoadResult LoadMainData(const QString &path, Model &model, Formats &formats, double now)
{
    QFile file;
    QString error;
    bool missing = false;
    if (!OpenRegularFile(file, path, &error, &missing)) {
        LoadResult failed;
        failed.missing = missing;
        failed.openError = error;
        return failed;
    }
    return ReadDataFrom(file, model, formats, now);
}

namespace {

// The bytes of an item block besides its texts: the keys, the numbers, the
// line ends and the separator.
constexpr qsizetype ItemBytes = 256;

qsizetype TextUnits(const Rec &r)
{
    return r.Name.size() + r.Group.size() + r.Site.size() + r.Keys.size() + r.Comments.size();
}

}  // namespace

QString StoredComments(const QString &comments)
{
    // Only a text with U+0003 in it can hold such a line.
    if (comments.size() < ItemSeparator.size() || !comments.contains(QChar(0x03)))
        return comments;
    QString text = comments;
    for (qsizetype start = 0;;) {
        const qsizetype lf = text.indexOf(QLatin1Char('\n'), start);
        qsizetype end = lf < 0 ? text.size() : lf;
        if (lf >= 0 && end > start && text.at(end - 1) == QLatin1Char('\r'))
            --end;  // a CR before an LF belongs to the line end
        if (QStringView(text).sliced(start, end - start) == ItemSeparator) {
            text.remove(end - 1, 1);
            if (lf < 0)
                break;
            start = lf;  // the LF moved one place back
            continue;
        }
        if (lf < 0)
            break;
        start = lf + 1;
    }
    return text;
}

namespace {

// Writes the whole file through `w`. False, with `badItem` naming it, when
// an item's Last or Ends is not a day the program can show; what was
// written until then must not be used.
bool WriteDataText(const Model &model, const Formats &formats, Utf8Writer &w, QString *badItem)
{
    const int groups = std::clamp(model.NumGroups, 0, MaxGroups);
    const int count = model.Items.Count();
    const QByteArray &separator = SeparatorBytes;

    w.Room(256);
    w.Ascii("NumGroups: ").Number(groups).LineEnd();
    for (int i = 1; i <= groups; ++i) {
        const GroupData &g = model.GroupTable[size_t(i)];
        w.Room(128 + Utf8Writer::MostBytes(g.GroupName.size()));
        w.Ascii("GroupName").Number(i).Ascii("=").OneLine(g.GroupName).LineEnd();
        w.Ascii("GroupNumber").Number(i).Ascii("=").Number(g.GroupNumber).LineEnd();
    }
    w.Room(256);
    w.Ascii("Number of items: ").Number(count).LineEnd();
    w.Bytes(separator).LineEnd();

    for (int k = 0; k < count; ++k) {
        const Rec &r = *model.Items.At(k);
        const double ends = WholeDay(r.Ends);  // NaN when the day is not showable
        if (!IsShowableDay(r.Last) || std::isnan(ends)) {
            if (badItem)
                *badItem = r.Name;
            return false;
        }
        w.Room(ItemBytes + Utf8Writer::MostBytes(TextUnits(r)));
        w.Ascii("Item: ").Number(k + 1).LineEnd();
        w.Ascii("Name: ").OneLine(r.Name).LineEnd();
        w.Ascii("Group: ").OneLine(r.Group).LineEnd();
        w.Ascii("Site: ").OneLine(r.Site).LineEnd();
        w.Ascii("Keys: ").OneLine(r.Keys).LineEnd();
        w.Ascii("Last1: ").DayNumber(formats, r.Last).LineEnd();
        w.Ascii("Ends1: ").DayNumber(formats, ends).LineEnd();
        w.Ascii("Freq: ").Number(r.Freq).Ascii(",").Number(r.Count).LineEnd();
        w.Text(StoredComments(r.Comments)).LineEnd();
        w.Bytes(separator).LineEnd();
    }
    return true;
}

}  // namespace

bool BuildDataText(const Model &model, const Formats &formats, QByteArray *out, QString *badItem)
{
    // The file is built as UTF-8 in one buffer, sized from the texts it will
    // hold: enough for ASCII, with room for the largest block on top, so
    // that the room made for each block never grows the buffer; other text
    // lets it grow.
    qsizetype estimate = 1024 + qsizetype(std::clamp(model.NumGroups, 0, MaxGroups)) * 300, largest = 0;
    for (int k = 0, count = model.Items.Count(); k < count; ++k) {
        const qsizetype units = TextUnits(*model.Items.At(k));
        estimate += ItemBytes + units;
        largest = std::max(largest, units);
    }
    QByteArray bytes;
    Utf8Writer w(bytes, estimate + Utf8Writer::MostBytes(largest));
    if (!WriteDataText(model, formats, w, badItem)) {
        out->clear();
        return false;
    }
    w.Finish();
    *out = std::move(bytes);
    return true;
}

SaveOutcome SaveMainData(const QString &path, const Model &model, const Formats &formats, QString *badItem,
                         QString *error)
{
    AtomicFileWriter file(path);
    if (!file.Open(error))
        return SaveOutcome::WriteFailed;
    QByteArray piece;
    Utf8Writer w(piece, 0, &file);
    // Nothing is committed after a bad item: the old file stays as it was.
    if (!WriteDataText(model, formats, w, badItem))
        return SaveOutcome::BadItem;
    const bool finished = w.Finish();
    // A failed write fails the commit too, which gives the reason.
    if (!file.Commit(error) || !finished)
        return SaveOutcome::WriteFailed;
    return SaveOutcome::Saved;
}

}  // namespace kelpo
