#include "DataFile.h"

#include "TextCodec.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <limits>
#include <memory>

namespace kelpo {

const QString ItemSeparator = QString(41, QLatin1Char('-')) + QChar(0x03);

namespace {

constexpr int TextLimit = 255;

QString injectedWriteFailure;

const QString ErrorLoadingEntry =
    QStringLiteral("Error loading entry. Entry will be ignored.\nPossible name: ");

// The file's lines one by one, as views into the decoded text. A line ends
// at LF; a CR right before the LF belongs to the line end. Past the end,
// every read gives an empty line.
class LineReader {
public:
    explicit LineReader(QStringView text) : text_(text) {}

    bool AtEnd() const { return pos_ >= text_.size(); }

    QStringView Next()
    {
        if (AtEnd())
            return {};
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
};

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
std::unique_ptr<Rec> ReadItem(LineReader &in, Formats &formats, double now, QString *error)
{
    in.Next();  // "Item: k"; the number is not used
    auto rec = std::make_unique<Rec>();
    const QDate today = DateOfDayNumber(now);

    rec->Name = From(in.Next(), 7).toString();

    QStringView line = in.Next();
    if (line.startsWith(QLatin1String("Desc: "))) {
        // An empty description adds no line: comments that began with a
        // blank line would lose it at the next save and load.
        const QStringView description = From(line, 7);
        if (!description.isEmpty())
            rec->Comments = description.toString() + QLatin1String("\r\n");
    }
    else if (line.startsWith(QLatin1String("Group: ")))
        rec->Group = From(line, 8).toString();

    rec->Site = From(in.Next(), 7).toString();

    line = in.Next();
    if (line.startsWith(QLatin1String("Keys: "))) {
        rec->Keys = From(line, 7, std::numeric_limits<qsizetype>::max()).toString();
        line = in.Next();
    }

    auto fail = [&](QStringView lastLine) {
        *error = ErrorLoadingEntry + rec->Name;
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
        if (!ReadDayNumber(formats, From(line, 8), &d, false))
            return fail(line);
        rec->Last = formats.FormatDateTime(d);
    } else {
        rec->Last = From(line, 7).toString();
        if (!CheckDateTime(formats, rec->Last))
            rec->Last = formats.FormatDateTime(now);
    }

    line = in.Next();
    if (line.startsWith(QLatin1String("Freq: "))) {
        // The oldest form: no end date and no counter.
        rec->Freq = ReadInteger(From(line, 7, 6));
        rec->Ends = formats.FormatDate(today.addDays(365));
    } else {
        if (line.startsWith(QLatin1String("Ends1: "))) {
            double d = 0;
            if (!ReadDayNumber(formats, From(line, 8), &d, true))
                return fail(line);
            rec->Ends = formats.FormatDate(d);
        } else {
            rec->Ends = From(line, 7).toString();
            if (!CheckDateTime(formats, rec->Ends))
                rec->Ends = formats.FormatDate(today);
        }
        line = in.Next();
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

void InjectWriteFailureForTests(const QString &reason)
{
    injectedWriteFailure = reason;
}

LoadResult ReadDataText(const QByteArray &bytes, Model &model, Formats &formats, double now)
{
    LoadResult result;
    result.opened = true;
    model.Clear();

    const QString text = DecodeText(bytes);
    LineReader in(text);

    QStringView line = in.Next();
    qint32 itemCount = 0;
    // The item count is read whole: a file of 100,000 items or more must not
    // lose its tail to a five-digit field.
    if (line.startsWith(QLatin1String("Number of items:"))) {
        itemCount = ReadInteger(From(line, 17, line.size()));
    } else {
        const qint32 listed = ReadInteger(From(line, 11, 6));
        const int loaded = std::clamp(listed, 0, MaxGroups);
        for (int i = 1; i <= loaded; ++i) {
            GroupData &g = model.GroupTable[size_t(i)];
            line = in.Next();
            g.GroupName = CutView(line.mid(line.indexOf(QLatin1Char('=')) + 1), TextLimit).toString();
            line = in.Next();
            g.GroupNumber = ReadInteger(line.mid(line.indexOf(QLatin1Char('=')) + 1));
        }
        model.NumGroups = loaded;
        if (listed > MaxGroups) {
            result.groupError =
                QStringLiteral("The data file lists %1 groups, but no more than %2 can be held.\n"
                               "Only the first %2 groups were loaded.")
                    .arg(listed)
                    .arg(MaxGroups);
            for (qint64 skip = 2 * qint64(listed - MaxGroups); skip > 0 && !in.AtEnd(); --skip)
                in.Next();
        }
        line = in.Next();
        itemCount = ReadInteger(From(line, 17, line.size()));
    }

    in.Next();  // the separator after the header

    for (qint32 k = 0; k < itemCount && !in.AtEnd(); ++k) {
        QString error;
        std::unique_ptr<Rec> rec = ReadItem(in, formats, now, &error);
        if (rec)
            model.Items.Append(std::move(rec));
        else
            result.itemErrors.append(error);
    }
    return result;
}

LoadResult LoadMainData(const QString &path, Model &model, Formats &formats, double now)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        LoadResult failed;
        failed.openError = file.errorString();
        return failed;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        LoadResult failed;
        failed.openError = file.errorString();
        return failed;
    }
    return ReadDataText(bytes, model, formats, now);
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
        double last = 0;
        double ends = 0;
        if (!formats.ParseDateTime(r.Last, &last) || !formats.ParseDateTime(r.Ends, &ends)) {
            if (badItem)
                *badItem = r.Name;
            out->clear();
            return false;
        }
        // Only the date of the end is ever read back; writing the whole day
        // also keeps a stray time from depending on the decimal separator.
        ends = ToDayNumber(DateOfDayNumber(ends));

        line(QLatin1String("Item: "), QString::number(k + 1));
        line(QLatin1String("Name: "), OneLine(r.Name));
        line(QLatin1String("Group: "), OneLine(r.Group));
        line(QLatin1String("Site: "), OneLine(r.Site));
        line(QLatin1String("Keys: "), OneLine(r.Keys));
        line(QLatin1String("Last1: "), formats.FormatDayNumber(last));
        line(QLatin1String("Ends1: "), formats.FormatDayNumber(ends));
        text += QLatin1String("Freq: ");
        text += QString::number(r.Freq);
        line(QLatin1String(","), QString::number(r.Count));
        line(QLatin1String(), r.Comments);
        line(QLatin1String(), ItemSeparator);
    }
    *out = text.toUtf8();
    return true;
}

bool WriteFileAtomic(const QString &path, const QByteArray &bytes, QString *error, FileAccess access)
{
    if (!injectedWriteFailure.isEmpty()) {
        if (error)
            *error = injectedWriteFailure;
        return false;
    }
    // Unbuffered: a write that fails only when the buffer is flushed inside
    // commit() (a full disk, for anything below the buffer's 16 KiB) is not
    // seen by QSaveFile, which would then replace the file with an empty or
    // cut one and report success.
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    // QSaveFile gives the new file the mode of the one it replaces.
    if (ok && access == FileAccess::Private)
        MakeFilePrivate(file);
    // A short write is followed by another, which fails with the reason.
    for (qint64 done = 0; ok && done < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        ok = n > 0;
        done += n;
    }
    if (!ok || !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

bool CopyFileReplace(const QString &from, const QString &to, FileAccess access)
{
    if (!injectedWriteFailure.isEmpty())
        return false;
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    // QSaveFile writes a temporary file beside the target and renames it over
    // the target on commit; on any failure the target stays as it was.
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly | QIODevice::Unbuffered))  // see WriteFileAtomic
        return false;
    if (access == FileAccess::Private)
        MakeFilePrivate(target);
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    for (;;) {
        const qint64 got = source.read(buffer.data(), buffer.size());
        if (got < 0) {
            target.cancelWriting();
            return false;
        }
        if (got == 0)
            break;
        if (target.write(buffer.constData(), got) != got) {
            target.cancelWriting();
            return false;
        }
    }
    return target.commit();
}

}  // namespace kelpo
