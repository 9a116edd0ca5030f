#include "DataFile.h"

#include "FileRead.h"
#include "ItemDates.h"
#include "TextCodec.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace kelpo {

const QString ItemSeparator = QString(41, QLatin1Char('-')) + QChar(0x03);

namespace {

constexpr int TextLimit = 255;

const QString ErrorLoadingEntry =
    QStringLiteral("Error loading entry. Entry will be ignored.\nPossible name: ");

// The file's lines one by one, as views into the decoded text. A line ends
// at LF; a CR right before the LF belongs to the line end. Past the end,
// every read gives an empty line.
class LineReader {
public:
    explicit LineReader(QStringView text) : text_(text) {}

    bool AtEnd() const { return pos_ >= text_.size(); }
    // The number of the line read last, from 1.
    qint64 LineNumber() const { return lineNumber_; }

    // The next line, without taking it.
    QStringView Peek() const
    {
        LineReader copy = *this;
        return copy.Next();
    }

    // Only blanks and line ends are left.
    bool RestIsBlank() const
    {
        for (qsizetype i = pos_; i < text_.size(); ++i) {
            const QChar c = text_.at(i);
            if (c != QLatin1Char('\r') && c != QLatin1Char('\n') && c != QLatin1Char(' ') && c != QLatin1Char('\t'))
                return false;
        }
        return true;
    }

    QStringView Next()
    {
        if (AtEnd())
            return {};
        ++lineNumber_;
        qsizetype end = text_.indexOf(QLatin1Char('\n'), pos_);
        qsizetype next;
        if (end < 0) {
            end = text_.size();
            next = end;
        } else {
            next = end + 1;
        }
        if (end > pos_ && text_.at(end - 1) == QLatin1Char('\r'))
            --end;
        const QStringView line = text_.mid(pos_, end - pos_);
        pos_ = next;
        return line;
    }

private:
    QStringView text_;
    qsizetype pos_ = 0;
    qint64 lineNumber_ = 0;
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

// The line from its `position`-th character (1-based) on, at most `max`
// characters; empty when the line is shorter.
QStringView From(QStringView line, qsizetype position, qsizetype max = TextLimit)
{
    qsizetype start = position - 1;
    // A key skipped by its length may end inside a character of two UTF-16
    // units: its second half is not kept either.
    if (start > 0 && start < line.size() && line.at(start).isLowSurrogate() && line.at(start - 1).isHighSurrogate())
        ++start;
    if (start >= line.size())
        return {};
    return CutView(line.mid(start), max);
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

// Reads a day number with the program's decimal separator. An end date
// written while the other separator was in force is accepted as well: the
// "Last1: " lines may have switched the separator away from the one the file
// was written with, and an end date is never worth dropping an item for.
bool ReadDayNumber(const Formats &formats, QStringView text, double *dayNumber, bool tryOther)
{
    const QString t = text.toString();
    if (formats.ParseDayNumber(t, dayNumber))
        return true;
    if (!tryOther)
        return false;
    Formats other = formats;
    other.SwitchDecimalSeparator();
    return other.ParseDayNumber(t, dayNumber);
}

bool IsSeparator(QStringView line)
{
    return line == ItemSeparator;
}

// Reads one item block starting at its "Item: " line. Returns the record, or
// nullptr when the block is broken; then `error` holds the message and the
// reader stands after the block.
std::unique_ptr<Rec> ReadItem(LineReader &in, Formats &formats, double now, QString *error, Damage &damage)
{
    in.Next();  // "Item: k"; the number is not used
    auto rec = std::make_unique<Rec>();
    const double today = WholeDay(now);

    // The keys of the fixed lines are checked only to tell whether the block
    // is whole; reading takes each value from its place, as it always has.
    auto expect = [&](QStringView line, QLatin1String key, const char *what) {
        if (line.isEmpty() && in.AtEnd())
            damage.AtLine(QStringLiteral("the file ends inside the item %1.").arg(Quote(rec->Name)));
        else if (!line.startsWith(key))
            damage.AtLine(QStringLiteral("the %1 line of an item is missing (found %2).").arg(QLatin1String(what), Quote(line)));
    };

    QStringView line = in.Next();
    expect(line, QLatin1String("Name: "), "name");
    rec->Name = From(line, 7).toString();

    line = in.Next();
    if (!line.startsWith(QLatin1String("Desc: ")))
        expect(line, QLatin1String("Group: "), "group");
    if (line.startsWith(QLatin1String("Desc: "))) {
        // An empty description adds no line: comments that began with a
        // blank line would lose it at the next save and load.
        const QStringView description = From(line, 7);
        if (!description.isEmpty())
            rec->Comments = description.toString() + QLatin1String("\r\n");
    }
    else if (line.startsWith(QLatin1String("Group: ")))
        rec->Group = From(line, 8).toString();

    line = in.Next();
    expect(line, QLatin1String("Site: "), "address");
    rec->Site = From(line, 7).toString();

    line = in.Next();
    if (line.startsWith(QLatin1String("Keys: "))) {
        rec->Keys = From(line, 7, std::numeric_limits<qsizetype>::max()).toString();
        line = in.Next();
    }

    auto fail = [&](QStringView lastLine) {
        *error = ErrorLoadingEntry + rec->Name;
        damage.AtLine(QStringLiteral("a date of the item %1 is not a number (found %2).").arg(Quote(rec->Name), Quote(lastLine)));
        if (!IsSeparator(lastLine)) {
            while (!in.AtEnd() && !IsSeparator(in.Next())) {
            }
        }
        return nullptr;
    };

    if (line.startsWith(QLatin1String("Last1: "))) {
        if (!line.contains(formats.DecimalSeparator()))
            formats.SwitchDecimalSeparator();
        double d = 0;
        if (!ReadDayNumber(formats, From(line, 8), &d, false) || !IsShowableDay(d))
            return fail(line);
        rec->Last = d;
    } else {
        // The old form holds the date and time as text in the short formats.
        if (!formats.ParseDateTime(From(line, 7).toString(), &rec->Last))
            rec->Last = now;
    }

    line = in.Next();
    if (line.startsWith(QLatin1String("Freq: "))) {
        // The oldest form: no end date and no counter.
        rec->Freq = ReadInteger(From(line, 7, 6));
        rec->Ends = today + 365;
    } else {
        double d = 0;
        if (line.startsWith(QLatin1String("Ends1: "))) {
            if (!ReadDayNumber(formats, From(line, 8), &d, true))
                return fail(line);
        } else if (!formats.ParseDateTime(From(line, 7).toString(), &d)) {
            d = today;
        }
        // Only the day of the end counts; a time written with it is dropped.
        rec->Ends = WholeDay(d);
        if (std::isnan(rec->Ends))
            return fail(line);
        line = in.Next();
        expect(line, QLatin1String("Freq: "), "repeat");
        const qsizetype comma = line.indexOf(QLatin1Char(','));
        if (comma >= 0) {
            rec->Count = ReadInteger(line.mid(comma + 1).left(6));
            rec->Freq = ReadInteger(comma > 6 ? line.mid(6, comma - 6) : QStringView());
        } else {
            rec->Freq = ReadInteger(From(line, 7, 6));
        }
    }

    // Comment lines up to the separator. The last line of the file is never
    // taken: it is the separator of the last block in a whole file.
    line = in.Next();
    while (!IsSeparator(line) && !in.AtEnd()) {
        if (!rec->Comments.isEmpty())
            rec->Comments += QLatin1String("\r\n");
        rec->Comments += line;
        line = in.Next();
    }
    if (!IsSeparator(line))
        damage.AtLine(QStringLiteral("the file ends inside the item %1.").arg(Quote(rec->Name)));
    return rec;
}

// A text written on one line of the file: line breaks inside it would shift
// every later line of the file, so they become blanks.
QString OneLine(const QString &text)
{
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String(" "));
    t.replace(QLatin1Char('\r'), QLatin1Char(' '));
    t.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return t;
}

}  // namespace

namespace {

LoadResult ReadDecodedData(const QString &text, Model &model, Formats &formats, double now)
{
    LoadResult result;
    result.opened = true;
    model.Clear();

    LineReader in(text);
    Damage damage(in, result);
    if (in.RestIsBlank())
        return result;  // an empty file holds nothing that could be lost

    QStringView line = in.Next();
    qint32 itemCount = 0;
    auto readCount = [&](QStringView countLine) {
        if (!countLine.startsWith(QLatin1String("Number of items:")))
            damage.AtLine(QStringLiteral("the number of items is missing (found %1).").arg(Quote(countLine)));
        // The item count is read whole: a file of 100,000 items or more must
        // not lose its tail to a five-digit field.
        itemCount = ReadInteger(From(countLine, 17, countLine.size()));
    };
    if (line.startsWith(QLatin1String("Number of items:"))) {
        readCount(line);
    } else {
        if (!line.startsWith(QLatin1String("NumGroups:")))
            damage.AtLine(QStringLiteral("this is not a Kelpo data file: it begins with %1.").arg(Quote(line)));
        const qint32 listed = ReadInteger(From(line, 11, 6));
        const int loaded = std::clamp(listed, 0, MaxGroups);
        for (int i = 1; i <= loaded; ++i) {
            GroupData &g = model.GroupTable[size_t(i)];
            line = in.Next();
            if (!line.startsWith(QLatin1String("GroupName")) || !line.contains(QLatin1Char('=')))
                damage.AtLine(QStringLiteral("the name of group %1 is missing (found %2).").arg(i).arg(Quote(line)));
            g.GroupName = CutView(line.mid(line.indexOf(QLatin1Char('=')) + 1), TextLimit).toString();
            line = in.Next();
            if (!line.startsWith(QLatin1String("GroupNumber")) || !line.contains(QLatin1Char('=')))
                damage.AtLine(QStringLiteral("the number of group %1 is missing (found %2).").arg(i).arg(Quote(line)));
            g.GroupNumber = ReadInteger(line.mid(line.indexOf(QLatin1Char('=')) + 1));
        }
        model.NumGroups = loaded;
        if (listed > MaxGroups) {
            result.groupError =
                QStringLiteral("The data file lists %1 groups, but no more than %2 can be held.\n"
                               "Only the first %2 groups were loaded.")
                    .arg(listed)
                    .arg(MaxGroups);
            damage.Note(QStringLiteral("the file lists %1 groups; only the first %2 could be loaded.").arg(listed).arg(MaxGroups));
            for (qint64 skip = 2 * qint64(listed - MaxGroups); skip > 0 && !in.AtEnd(); --skip)
                in.Next();
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
    while (!in.AtEnd()) {
        line = in.Peek();
        if (line.startsWith(QLatin1String("Item: "))) {
            ++found;
            QString error;
            std::unique_ptr<Rec> rec = ReadItem(in, formats, now, &error, damage);
            if (rec)
                model.Items.Append(std::move(rec));
            else
                result.itemErrors.append(error);
            continue;
        }
        if (in.RestIsBlank())
            break;
        in.Next();
        damage.AtLine(QStringLiteral("this line belongs to no item: %1.").arg(Quote(line)));
        while (!in.AtEnd() && !IsSeparator(line))
            line = in.Next();
    }
    if (found != itemCount)
        damage.Note(QStringLiteral("the file says it holds %1 items, but %2 were found in it.").arg(itemCount).arg(found));
    return result;
}

}  // namespace

LoadResult ReadDataText(const QByteArray &bytes, Model &model, Formats &formats, double now)
{
    return ReadDecodedData(DecodeText(bytes), model, formats, now);
}

LoadResult LoadMainData(const QString &path, Model &model, Formats &formats, double now)
{
    FileContent file = ReadRegularFile(path, NoSizeLimit);
    if (!file.ok()) {
        LoadResult failed;
        failed.missing = file.outcome == ReadOutcome::Missing;
        failed.openError = file.error;
        return failed;
    }
    // The file's bytes go as soon as they are decoded: a large file is held
    // once as text and once as items, never three times.
    QString text = DecodeText(file.bytes);
    file.bytes = QByteArray();
    return ReadDecodedData(text, model, formats, now);
}

bool BuildDataText(const Model &model, const Formats &formats, QByteArray *out, QString *badItem)
{
    const QLatin1String crlf("\r\n");
    const int groups = std::clamp(model.NumGroups, 0, MaxGroups);
    const int count = model.Items.Count();

    QString text;
    text.reserve(qsizetype(count) * 200 + groups * 64 + 128);
    // Appends one line piece by piece, so no temporary strings are made.
    auto line = [&text, crlf](QLatin1String key, QStringView value) {
        text += key;
        text += value;
        text += crlf;
    };
    auto numbered = [](QLatin1String key, int i) {
        return key + QString::number(i) + QLatin1Char('=');
    };

    line(QLatin1String("NumGroups: "), QString::number(groups));
    for (int i = 1; i <= groups; ++i) {
        const GroupData &g = model.GroupTable[size_t(i)];
        text += numbered(QLatin1String("GroupName"), i);
        line(QLatin1String(), OneLine(g.GroupName));
        text += numbered(QLatin1String("GroupNumber"), i);
        line(QLatin1String(), QString::number(g.GroupNumber));
    }
    line(QLatin1String("Number of items: "), QString::number(count));
    line(QLatin1String(), ItemSeparator);

    for (int k = 0; k < count; ++k) {
        const Rec &r = *model.Items.At(k);
        if (!IsShowableDay(r.Last) || !IsShowableDay(r.Ends)) {
            if (badItem)
                *badItem = r.Name;
            out->clear();
            return false;
        }

        line(QLatin1String("Item: "), QString::number(k + 1));
        line(QLatin1String("Name: "), OneLine(r.Name));
        line(QLatin1String("Group: "), OneLine(r.Group));
        line(QLatin1String("Site: "), OneLine(r.Site));
        line(QLatin1String("Keys: "), OneLine(r.Keys));
        line(QLatin1String("Last1: "), formats.FormatDayNumber(r.Last));
        line(QLatin1String("Ends1: "), formats.FormatDayNumber(WholeDay(r.Ends)));
        text += QLatin1String("Freq: ");
        text += QString::number(r.Freq);
        line(QLatin1String(","), QString::number(r.Count));
        line(QLatin1String(), r.Comments);
        line(QLatin1String(), ItemSeparator);
    }
    *out = text.toUtf8();
    return true;
}

}  // namespace kelpo
