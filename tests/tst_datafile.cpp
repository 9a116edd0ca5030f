#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include "AtomicFile.h"
#include "DataFile.h"
#include "support/DayText.h"
#include "FileRead.h"
#include "TextBlocks.h"
#include "TextCodec.h"
#include "support/FailingDisk.h"

using namespace kelpo;

namespace {

const QByteArray Sep = QByteArray(41, '-') + '\x03';
const QByteArray BadSep = QByteArray(41, '-');
const QString LoadError = QStringLiteral("Error loading entry. Entry will be ignored.\nPossible name: ");

// 10 December 2026 12:00.
const double Now = 46366.5;

Formats Dotted()
{
    return Formats::Make(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QLatin1Char('.'), 2026);
}

QByteArray Lines(const QByteArrayList &lines, const QByteArray &eol = "\r\n")
{
    QByteArray out;
    for (const QByteArray &l : lines)
        out += l + eol;
    return out;
}

// A file without groups holding the given blocks.
QByteArray FileOf(const QByteArrayList &blocks, int count)
{
    return Lines({"NumGroups: 0", "Number of items: " + QByteArray::number(count), Sep}) + Lines(blocks);
}

QByteArrayList Block(const QByteArray &name, const QByteArray &last = "Last1: 46000.5",
                     const QByteArray &ends = "Ends1: 46100")
{
    return {"Item: 1", "Name: " + name, "Group: ,1,", "Site: http://a.example/", "Keys: {tab}",
            last, ends, "Freq: 2,5", "comment of " + name, Sep};
}

QStringList Names(const Model &m)
{
    QStringList names;
    for (int i = 0; i < m.Items.Count(); ++i)
        names << m.Items.At(i)->Name;
    return names;
}

Rec *AddItem(Model &m, const QString &name, double last, double ends)
{
    auto r = std::make_unique<Rec>();
    r->Name = name;
    r->Last = last;
    r->Ends = ends;
    return m.Items.Append(std::move(r));
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A whole file of `n` items, one of them with letters beyond ASCII.
QByteArray WholeFile(int n)
{
    QByteArrayList blocks;
    for (int i = 1; i <= n; ++i)
        blocks += Block(i == 2 ? QByteArray("Zo\xC3\xAB Stra\xC3\x9F" "e") : "Item " + QByteArray::number(i));
    return FileOf(blocks, n);
}

QByteArray Utf16(const QByteArray &utf8, bool bigEndian)
{
    const QString text = QString::fromUtf8(utf8);
    QByteArray out = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (QChar c : text) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

// The bytes of a file, failing with an error once `failAt` bytes were read.
class FailingSource : public QIODevice {
public:
    FailingSource(const QByteArray &bytes, qint64 failAt) : bytes_(bytes), failAt_(failAt) { open(ReadOnly); }
    bool isSequential() const override { return false; }
    qint64 size() const override { return bytes_.size(); }

protected:
    qint64 readData(char *data, qint64 max) override
    {
        const qint64 at = pos();
        if (at >= failAt_) {
            setErrorString(QStringLiteral("Input/output error"));
            return -1;
        }
        const qint64 n = std::min({max, failAt_ - at, qint64(bytes_.size()) - at});
        std::memcpy(data, bytes_.constData() + at, size_t(n));
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray bytes_;
    qint64 failAt_;
};

// The bytes of a file, noting the most the reader asked for at once: it
// fills a buffer whole, so that is about what it holds.
class MeteredSource : public QBuffer {
public:
    explicit MeteredSource(QByteArray *bytes) : QBuffer(bytes) { open(ReadOnly | Unbuffered); }
    qint64 largestRead = 0;

protected:
    qint64 readData(char *data, qint64 max) override
    {
        largestRead = std::max(largestRead, max);
        return QBuffer::readData(data, max);
    }
};

// Two loads gave the same: the same outcome and messages, and the same
// model down to the last bit of every date.
void CompareLoads(const LoadResult &a, const Model &ma, const LoadResult &b, const Model &mb)
{
    QCOMPARE(a.opened, b.opened);
    QCOMPARE(a.whole, b.whole);
    QCOMPARE(a.damage, b.damage);
    QCOMPARE(a.itemErrors, b.itemErrors);
    QCOMPARE(a.groupError, b.groupError);
    QCOMPARE(a.listedItems, b.listedItems);
    QCOMPARE(ma.NumGroups, mb.NumGroups);
    for (int g = 1; g <= ma.NumGroups; ++g) {
        QCOMPARE(ma.GroupTable[size_t(g)].GroupName, mb.GroupTable[size_t(g)].GroupName);
        QCOMPARE(ma.GroupTable[size_t(g)].GroupNumber, mb.GroupTable[size_t(g)].GroupNumber);
    }
    QCOMPARE(ma.Items.Count(), mb.Items.Count());
    for (int i = 0; i < ma.Items.Count(); ++i) {
        const Rec &x = *ma.Items.At(i), &y = *mb.Items.At(i);
        QCOMPARE(x.Name, y.Name);
        QCOMPARE(x.Group, y.Group);
        QCOMPARE(x.Site, y.Site);
        QCOMPARE(x.Keys, y.Keys);
        QCOMPARE(x.Comments, y.Comments);
        QCOMPARE(x.Freq, y.Freq);
        QCOMPARE(x.Count, y.Count);
        QCOMPARE(std::memcmp(&x.Last, &y.Last, sizeof x.Last), 0);
        QCOMPARE(std::memcmp(&x.Ends, &y.Ends, sizeof x.Ends), 0);
    }
}

}  // namespace

class TestDataFile : public QObject {
    Q_OBJECT

private slots:
    void textCodec_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("decoded");
        QTest::newRow("ascii") << QByteArray("abc") << true << "abc";
        QTest::newRow("two bytes") << QByteArray("\xC3\xA9") << true << QString(QChar(0xE9));
        QTest::newRow("four bytes") << QByteArray("\xF0\x9F\x98\x80") << true << QString::fromUcs4(U"\U0001F600");
        QTest::newRow("byte order mark dropped") << QByteArray("\xEF\xBB\xBF" "abc") << true << "abc";
        // Found by fuzzing: the U+FEFF after the mark was dropped as well.
        QTest::newRow("only one mark dropped") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF" "abc") << true
                                               << QString(QChar(0xFEFF)) + "abc";
        QTest::newRow("overlong") << QByteArray("\xC0\x80") << false << QString::fromUtf8("\xC3\x80\xE2\x82\xAC");
        QTest::newRow("overlong three") << QByteArray("\xE0\x80\xAF") << false << QString::fromUtf16(u"\u00E0\u20AC\u00AF");
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false << QString::fromUtf16(u"\u00ED\u00A0\u20AC");
        QTest::newRow("above range") << QByteArray("\xF4\x90\x80\x80") << false << QString::fromUtf16(u"\u00F4\u0090\u20AC\u20AC");
        QTest::newRow("bad byte after a long ascii run")
            << QByteArray("0123456789abcdef\xE9") << false << QString::fromUtf16(u"0123456789abcdef\u00E9");
        QTest::newRow("bad byte inside a run of 64")
            << QByteArray(70, 'a') + "\xE9" + QByteArray(70, 'b') << false
            << QString(70, QLatin1Char('a')) + QChar(0xE9) + QString(70, QLatin1Char('b'));
        QTest::newRow("a letter between runs of 64")
            << QByteArray(70, 'a') + "\xC3\xA9" + QByteArray(130, 'b') << true
            << QString(70, QLatin1Char('a')) + QChar(0xE9) + QString(130, QLatin1Char('b'));
        QTest::newRow("cut short") << QByteArray("a\xC3") << false << QString::fromUtf16(u"a\u00C3");
        QTest::newRow("1252 letters") << QByteArray("Caf\xE9 \x80 \x93q\x94 \x9F") << false
                                      << QString::fromUtf16(u"Caf\u00E9 \u20AC \u201Cq\u201D \u0178");
        QTest::newRow("UTF-16 LE") << QByteArray("\xFF\xFEZ\0\xEB\0", 6) << false << QString::fromUtf16(u"Z\u00EB");
        QTest::newRow("UTF-16 BE") << QByteArray("\xFE\xFF\0Z\0\xEB", 6) << false << QString::fromUtf16(u"Z\u00EB");
        QTest::newRow("UTF-16, a pair and a second mark kept")
            << QByteArray("\xFF\xFE\xFF\xFE\x3D\xD8\x00\xDE", 8) << false << QString(QChar(0xFEFF)) + QString::fromUcs4(U"\U0001F600");
        // Found by fuzzing: half a pair could not be written back.
        QTest::newRow("UTF-16, half a pair") << QByteArray("\xFF\xFE\x00\xD8Z\0\x00\xDC", 8) << false
                                             << QString::fromUtf16(u"\uFFFDZ\uFFFD");
        QTest::newRow("1252 unassigned kept") << QByteArray("\x81\x8D\x8F\x90\x9D") << false
                                              << QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D");
    }
    void textCodec()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QFETCH(QString, decoded);
        QCOMPARE(IsValidUtf8(bytes), valid);
        QCOMPARE(DecodeText(bytes), decoded);
    }

    // Names and addresses are made in shared blocks; they must read exactly
    // as the plain decoder reads them.
    void textBlocksDecode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("max");
        const QByteArray ascii = "Contest 12 - win a prize worth 500 euros, entries daily";
        QTest::newRow("empty") << QByteArray() << 255;
        QTest::newRow("short ascii") << QByteArray("abc") << 255;
        QTest::newRow("ascii of sixteen") << ascii.left(16) << 255;
        QTest::newRow("longer ascii") << ascii << 255;
        QTest::newRow("a letter after sixteen") << ascii.left(17) + "\xC3\xA9!" << 255;
        QTest::newRow("a pair at the cut") << ascii.left(9) + "\xF0\x9F\x98\x80z" << 10;
        QTest::newRow("cut in ascii") << ascii << 20;
        QTest::newRow("invalid bytes") << QByteArray("ab\xC3(\xFF") << 255;
        QTest::newRow("a leading U+FEFF is a character") << QByteArray("\xEF\xBB\xBFx") << 255;
        QTest::newRow("too long to share") << QByteArray(20000, 'q') + "\xC3\xA9" << 30000;
        QTest::newRow("too long, cut") << QByteArray(20000, 'q') << 255;
    }
    void textBlocksDecode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, max);
        TextBlocks blocks;
        blocks.Decode("before", 255);
        const QString made = blocks.Decode(bytes, max);
        const QString plain = bytes.isEmpty() ? QString() : DecodeUtf8Prefix(bytes, max);
        QCOMPARE(made, plain);
        QCOMPARE(made.isNull(), plain.isNull());
        QCOMPARE(made.utf16()[made.size()], u'\0');
        QCOMPARE(blocks.Decode("after", 255), QStringLiteral("after"));
    }

    // Texts outlive their maker; changing or freeing one leaves the others
    // in its block alone, and the last one in a block may grow over the
    // room of those gone before it, or beyond the block.
    void textBlocksLifetime()
    {
        std::vector<QString> texts;
        {
            TextBlocks blocks;
            for (int i = 0; i < 20000; ++i)  // several blocks
                texts.push_back(blocks.Decode("item " + QByteArray::number(i) + " \xC3\xA9t\xC3\xA9", 255));
        }
        auto expected = [](int i) { return QStringLiteral("item %1 \u00E9t\u00E9").arg(i); };
        for (int i = 0; i < 20000; ++i) {
            if (i % 3 == 0)
                texts[size_t(i)] += QLatin1Char('+');
            else if (i % 3 == 1)
                texts[size_t(i)] = QString();
        }
        for (int i = 0; i < 20000; ++i)
            QCOMPARE(texts[size_t(i)], i % 3 == 0 ? expected(i) + QLatin1Char('+') : i % 3 == 1 ? QString() : expected(i));

        QString alone;
        {
            TextBlocks blocks;
            QString first = blocks.Decode("first", 255);
            alone = blocks.Decode("middle", 255);
            QString last = blocks.Decode("last", 255);
        }
        alone.append(QStringLiteral("-grown-over-the-last"));
        alone.prepend(QStringLiteral("in-front-"));
        QCOMPARE(alone, QStringLiteral("in-front-middle-grown-over-the-last"));
        alone.append(QString(100000, QLatin1Char('z')));
        QCOMPARE(alone.size(), 35 + 100000);
        QVERIFY(alone.startsWith(QLatin1String("in-front-middle-grown")));
        QCOMPARE(alone.utf16()[alone.size()], u'\0');
    }

    void blockForms_data()
    {
        QTest::addColumn<QByteArrayList>("block");
        QTest::addColumn<QStringList>("fields");  // Name Group Site Keys Last Ends Comments
        QTest::addColumn<int>("freq");
        QTest::addColumn<int>("count");

        QTest::newRow("current")
            << QByteArrayList{"Item: 1", "Name: Daily Draw", "Group: ,2,", "Site: http://a.example/",
                              "Keys: {tab}x{enter}", "Last1: 46000.5", "Ends1: 46100", "Freq: 2,5",
                              "first line", "second line", Sep}
            << QStringList{"Daily Draw", ",2,", "http://a.example/", "{tab}x{enter}", "09.12.2025 12:00",
                           "19.03.2026", "first line\r\nsecond line"}
            << 2 << 5;
        QTest::newRow("desc with comments")
            << QByteArrayList{"Item: 1", "Name: Old", "Desc: the rules", "Site: s", "Last: 01.02.2020 10:30",
                              "Ends: 01.03.2021", "Freq: 3,4", "line", Sep}
            << QStringList{"Old", "", "s", "", "01.02.2020 10:30", "01.03.2021", "the rules\r\n\r\nline"}
            << 3 << 4;
        QTest::newRow("desc alone")
            << QByteArrayList{"Item: 1", "Name: Old", "Desc: the rules", "Site: s", "Last: 01.02.2020 10:30",
                              "Ends: 01.03.2021", "Freq: 3", Sep}
            << QStringList{"Old", "", "s", "", "01.02.2020 10:30", "01.03.2021", "the rules\r\n"} << 3 << 0;
        QTest::newRow("empty desc")
            << QByteArrayList{"Item: 1", "Name: Old", "Desc: ", "Site: s", "Last: 01.02.2020 10:30",
                              "Ends: 01.03.2021", "Freq: 3,4", "line", Sep}
            << QStringList{"Old", "", "s", "", "01.02.2020 10:30", "01.03.2021", "line"} << 3 << 4;
        QTest::newRow("oldest frequency line")
            << QByteArrayList{"Item: 1", "Name: Oldest", "Group: ,1,", "Site: s", "Keys: k", "Last: 02.02.2020",
                              "Freq: 9", Sep}
            << QStringList{"Oldest", ",1,", "s", "k", "02.02.2020 00:00", "10.12.2027", ""} << 9 << 0;
        QTest::newRow("old dates that do not convert")
            << QByteArrayList{"Item: 1", "Name: N", "Group: ", "Site: s", "Keys: ", "Last: yesterday",
                              "Ends: soon", "Freq: 1,1", "c", Sep}
            << QStringList{"N", "", "s", "", "10.12.2026 12:00", "10.12.2026", "c"} << 1 << 1;
        QTest::newRow("bare time is a date-time")
            << QByteArrayList{"Item: 1", "Name: N", "Group: ", "Site: s", "Keys: ", "Last: 10:30",
                              "Ends: 01.03.2021", "Freq: 1,1", Sep}
            << QStringList{"N", "", "s", "", "30.12.1899 10:30", "01.03.2021", ""} << 1 << 1;
        // Current blocks that differ only in the group line, the frequency
        // line and the comment lines.
        auto plain = [](const QByteArray &groupLine, const QByteArray &freqLine,
                        const QByteArrayList &comments) {
            return QByteArrayList{"Item: 1", "Name: N", groupLine, "Site: s", "Keys: ", "Last1: 46000.5",
                                  "Ends1: 46100", freqLine} + comments + QByteArrayList{Sep};
        };
        auto fieldsOf = [](const QString &group, const QString &comments) {
            return QStringList{"N", group, "s", "", "09.12.2025 12:00", "19.03.2026", comments};
        };
        QTest::newRow("unknown group line, no counter")
            << plain("Other: x", "Freq: 7", {""}) << fieldsOf("", "") << 7 << 0;
        QTest::newRow("numbers read leniently")
            << plain("Group: ", "Freq: 12x,1234567", {}) << fieldsOf("", "") << 12 << 123456;
        QTest::newRow("negative numbers") << plain("Group: ", "Freq: -3,-2", {}) << fieldsOf("", "") << -3 << -2;
        QTest::newRow("leading blank comment lines lost, trailing kept")
            << plain("Group: ", "Freq: 0,0", {"", "", "text", ""}) << fieldsOf("", "text\r\n") << 0 << 0;
        QTest::newRow("trash") << plain("Group: ,-1,", "Freq: 0,0", {""}) << fieldsOf(",-1,", "") << 0 << 0;
        // Equal bytes in different places are different values: the script
        // line and a comment line that reads the same.
        QTest::newRow("comment that reads like the script line")
            << QByteArrayList{"Item: 1", "Name: N", "Group: ,1,", "Site: s", "Keys: ", "Last1: 46000.5",
                              "Ends1: 46100", "Freq: 2,5", "Keys: ", Sep}
            << QStringList{"N", ",1,", "s", "", "09.12.2025 12:00", "19.03.2026", "Keys: "} << 2 << 5;
        QTest::newRow("cut off by the end of the file")
            << QByteArrayList{"Item: 1", "Name: Cut", "Group: ,1,"}
            << QStringList{"Cut", ",1,", "", "", "10.12.2026 12:00", "10.12.2026", ""} << 0 << 0;
    }
    void blockForms()
    {
        QFETCH(QByteArrayList, block);
        QFETCH(QStringList, fields);
        QFETCH(int, freq);
        QFETCH(int, count);
        for (const QByteArray &eol : {QByteArray("\r\n"), QByteArray("\n")}) {
            const QByteArray file = Lines({"NumGroups: 0", "Number of items: 1", Sep}, eol) + Lines(block, eol);
            Model m;
            Formats f = Dotted();
            const LoadResult res = ReadDataText(file, m, f, Now);
            QVERIFY(res.opened);
            QVERIFY(res.itemErrors.isEmpty());
            QCOMPARE(m.Items.Count(), 1);
            const Rec &r = *m.Items.At(0);
            QCOMPARE(QStringList({r.Name, r.Group, r.Site, r.Keys, DateTimeText(r.Last, f), DateText(r.Ends, f),
                                  r.Comments}),
                     fields);
            QCOMPARE(r.Freq, freq);
            QCOMPARE(r.Count, count);
            QVERIFY(!r.Done);
        }
    }

    void separatorWithoutEndByte()
    {
        QByteArrayList lines{"NumGroups: 0", "Number of items: 3", BadSep};
        QByteArrayList swallowed;
        for (const QByteArray name : {"One", "Two", "Three"}) {
            QByteArrayList b = Block(name);
            b.last() = BadSep;
            lines += b;
            // Everything after the first frequency line except the very last line.
            if (name == "One")
                swallowed += b.mid(8);
            else
                swallowed += b;
        }
        swallowed.removeLast();
        Model m;
        Formats f = Dotted();
        ReadDataText(Lines(lines), m, f, Now);
        QCOMPARE(Names(m), QStringList{"One"});
        QCOMPARE(m.Items.At(0)->Comments, QString::fromLatin1(swallowed.join("\r\n")));
    }

    void longTextsCut()
    {
        const QByteArray e = "\xC3\xA9";  // é: two bytes, one character
        const QByteArray file = Lines({"NumGroups: 1", "GroupName1=" + e.repeated(300), "GroupNumber1=1",
                                       "Number of items: 1", Sep, "Item: 1", "Name: " + e.repeated(300),
                                       "Group: ," + QByteArray(300, '1'), "Site: " + QByteArray(300, 's'),
                                       "Keys: " + QByteArray(1000, 'k'), "Last1: 46000.5", "Ends1: 46100",
                                       "Freq: 0,0", QByteArray(1000, 'c'), Sep});
        Model m;
        Formats f = Dotted();
        ReadDataText(file, m, f, Now);
        const QString e255 = QString(255, QChar(0xE9));
        QCOMPARE(m.GroupTable[1].GroupName, e255);
        const Rec &r = *m.Items.At(0);
        QCOMPARE(r.Name, e255);
        QCOMPARE(r.Group, QLatin1Char(',') + QString(254, QLatin1Char('1')));
        QCOMPARE(r.Site, QString(255, QLatin1Char('s')));
        QCOMPARE(r.Keys, QString(1000, QLatin1Char('k')));
        QCOMPARE(r.Comments, QString(1000, QLatin1Char('c')));
    }

    void decimalSeparatorSwitch()
    {
        // A whole number (midnight) holds no separator and switches it; the
        // next line holding the other one switches it back.
        Model m;
        Formats f = Dotted();
        ReadDataText(FileOf(Block("Midnight", "Last1: 46000"), 1), m, f, Now);
        QCOMPARE(f.DecimalSeparator(), QLatin1Char(','));
        QCOMPARE(DateTimeText(m.Items.At(0)->Last, f), QStringLiteral("09.12.2025 00:00"));

        f = Dotted();
        const QByteArray file = FileOf(Block("A", "Last1: 46000") + Block("B", "Last1: 46000,5") +
                                           Block("C", "Last1: 46000.25"),
                                       3);
        ReadDataText(file, m, f, Now);
        QCOMPARE(f.DecimalSeparator(), QLatin1Char('.'));
        QStringList lasts;
        for (int i = 0; i < m.Items.Count(); ++i)
            lasts << DateTimeText(m.Items.At(i)->Last, f);
        QCOMPARE(lasts, QStringList({"09.12.2025 00:00", "09.12.2025 12:00", "09.12.2025 06:00"}));
    }

    // Every block in the file is read, whatever the header says; a count that
    // does not match marks the file as not read whole, so it is kept.
    void headerCount_data()
    {
        QTest::addColumn<QByteArrayList>("header");
        QTest::addColumn<bool>("whole");
        QTest::newRow("right") << QByteArrayList{"NumGroups: 0", "Number of items: 2"} << true;
        QTest::newRow("too high") << QByteArrayList{"NumGroups: 0", "Number of items: 5"} << false;
        QTest::newRow("too low") << QByteArrayList{"NumGroups: 0", "Number of items: 1"} << false;
        QTest::newRow("zero") << QByteArrayList{"NumGroups: 0", "Number of items: 0"} << false;
        QTest::newRow("negative") << QByteArrayList{"NumGroups: 0", "Number of items: -2"} << false;
        QTest::newRow("more than five digits") << QByteArrayList{"NumGroups: 0", "Number of items: 0000002"} << true;
        QTest::newRow("no group part") << QByteArrayList{"Number of items: 2"} << true;
        QTest::newRow("negative group count") << QByteArrayList{"NumGroups: -4", "Number of items: 2"} << true;
    }
    void headerCount()
    {
        QFETCH(QByteArrayList, header);
        QFETCH(bool, whole);
        const QByteArray file = Lines(header + QByteArrayList{Sep}) + Lines(Block("A") + Block("B"));
        Model m;
        Formats f = Dotted();
        const LoadResult res = ReadDataText(file, m, f, Now);
        QCOMPARE(m.Items.Count(), 2);
        QCOMPARE(m.NumGroups, 0);
        QVERIFY(res.groupError.isEmpty());
        QCOMPARE(m.Items.At(1)->Comments, QStringLiteral("comment of B"));
        QCOMPARE(res.whole, whole);
        QCOMPARE(res.damage.isEmpty(), whole);
    }

    // Forms of damage met in real files: the reader reads what it can and
    // says whether that was the whole file.
    void damagedForms_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<int>("fewest");  // items read, at least
        QTest::addColumn<int>("most");    // and at most

        const int n = 200;
        const QByteArray whole = WholeFile(n);
        QByteArray junkHead = whole;
        QRandomGenerator random(7);
        for (int i = 0; i < 4096; ++i)
            junkHead[i] = char(random.bounded(256));
        QByteArray binary(1 << 20, Qt::Uninitialized);
        for (char &c : binary)
            c = char(random.bounded(256));
        QByteArray zero = whole;
        zero.replace("Number of items: 200", "Number of items: 0");
        QByteArray few = whole;
        few.replace("Number of items: 200", "Number of items: 20");
        QByteArray noSite = whole;
        noSite.replace("Site: http://a.example/\r\nKeys", "Keys");
        QByteArray afterLast = whole + "stray text\r\n";

        QTest::newRow("whole") << whole << true << n << n;
        QTest::newRow("whole, LF line ends") << QByteArray(whole).replace("\r\n", "\n") << true << n << n;
        QTest::newRow("whole, blank lines after") << whole + "\r\n\r\n" << true << n << n;
        QTest::newRow("whole, UTF-16 LE") << Utf16(whole, false) << true << n << n;
        QTest::newRow("whole, UTF-16 BE") << Utf16(whole, true) << true << n << n;
        QTest::newRow("empty") << QByteArray() << true << 0 << 0;
        QTest::newRow("count 0, items after it") << zero << false << n << n;
        QTest::newRow("count too small") << few << false << n << n;
        QTest::newRow("first 4 KiB junk") << junkHead << false << n - 40 << n - 1;
        QTest::newRow("1 MB binary junk") << binary << false << 0 << 0;
        QTest::newRow("one 1 MB line") << QByteArray(1 << 20, 'x') << false << 0 << 0;
        QTest::newRow("cut at half") << whole.left(whole.size() / 2) << false << n / 2 - 5 << n / 2 + 5;
        QTest::newRow("an item's line missing") << noSite << false << n << n;
        QTest::newRow("text after the last item") << afterLast << false << n << n;
        QTest::newRow("a web page") << QByteArray("<!DOCTYPE html>\n<html><body>Kelpo</body></html>\n") << false << 0 << 0;
        QTest::newRow("a date that does not convert")
            << FileOf(Block("A") + Block("B", "Last1: soon") + Block("C"), 3) << false << 2 << 2;
    }
    void damagedForms()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, whole);
        QFETCH(int, fewest);
        QFETCH(int, most);
        Model m;
        Formats f = Dotted();
        const LoadResult res = ReadDataText(file, m, f, Now);
        QVERIFY2(res.whole == whole, qPrintable(res.damage));
        QCOMPARE(res.damage.isEmpty(), whole);
        QVERIFY2(m.Items.Count() >= fewest && m.Items.Count() <= most, qPrintable(QString::number(m.Items.Count())));
        // What was read is read right, letters beyond ASCII included.
        if (whole && m.Items.Count() == 200) {
            QCOMPARE(m.Items.At(1)->Name, QString::fromUtf8("Zo\xC3\xAB Stra\xC3\x9F" "e"));
            QCOMPARE(m.Items.At(199)->Comments, QStringLiteral("comment of Item 200"));
        }
    }

    // A comment line equal to the separator would end its item's block in
    // the saved file and leave the lines after it to no item: it is saved
    // without its U+0003, and the file reads back whole.
    void separatorLineInComments_data()
    {
        QTest::addColumn<QString>("comments");
        QTest::addColumn<QString>("loaded");  // the comments after a save and a load
        const QString sep = ItemSeparator, dashes = ItemSeparator.chopped(1);
        QTest::newRow("between lines") << "a\r\n" + sep + "\r\nb" << "a\r\n" + dashes + "\r\nb";
        QTest::newRow("alone") << sep << dashes;
        QTest::newRow("last, and twice") << "a\r\n" + sep + "\r\n" + sep << "a\r\n" + dashes + "\r\n" + dashes;
        QTest::newRow("between lone LFs") << "a\n" + sep + "\nb" << "a\r\n" + dashes + "\r\nb";
        QTest::newRow("with a CR of its own: no separator") << sep + "\r" << sep + "\r";
        QTest::newRow("inside a line: no separator") << "x" + sep << "x" + sep;
    }
    void separatorLineInComments()
    {
        QFETCH(QString, comments);
        QFETCH(QString, loaded);
        Model m;
        AddItem(m, QStringLiteral("A"), 46000.5, 46100)->Comments = comments;
        AddItem(m, QStringLiteral("B"), 46000.5, 46100)->Comments = QStringLiteral("b");
        QByteArray file;
        QVERIFY(BuildDataText(m, Dotted(), &file));
        Model back;
        Formats f = Dotted();
        const LoadResult res = ReadDataText(file, back, f, Now);
        QVERIFY2(res.whole, qPrintable(res.damage));
        QCOMPARE(Names(back), QStringList({"A", "B"}));
        QCOMPARE(back.Items.At(0)->Comments, loaded);
        QCOMPARE(back.Items.At(1)->Comments, QStringLiteral("b"));
    }

    // An old-form description that is a separator line loads as a comment
    // line, and survives a save and a load with the comment lines after it.
    void oldDescriptionSeparator()
    {
        const QByteArray file = Lines({"NumGroups: 0", "Number of items: 1", Sep, "Item: 1", "Name: Old", "Desc: " + Sep,
                                       "Site: s", "Last: 01.02.2020 10:30", "Ends: 01.03.2021", "Freq: 3,4", "line", Sep});
        Model m;
        Formats f = Dotted();
        QVERIFY(ReadDataText(file, m, f, Now).whole);
        QByteArray saved;
        QVERIFY(BuildDataText(m, f, &saved));
        Model back;
        const LoadResult res = ReadDataText(saved, back, f, Now);
        QVERIFY2(res.whole, qPrintable(res.damage));
        QCOMPARE(back.Items.Count(), 1);
        QCOMPARE(back.Items.At(0)->Comments, ItemSeparator.chopped(1) + QStringLiteral("\r\n\r\nline"));
    }

    // A file read a piece at a time gives exactly what the whole of it
    // gives, wherever the pieces end: damaged files, other encodings found
    // only far into the file, and blocks larger than a piece.
    void readInPieces_data()
    {
        damagedForms_data();
        const QByteArray whole = WholeFile(200);
        QByteArray late1252 = whole;
        late1252.replace("comment of Item 190", "comment of Item 190 \xE9");
        QByteArray hugeComment = FileOf(Block("A") + Block("B") + Block("C"), 3);
        hugeComment.replace("comment of B", "x\r\n" + QByteArray(70000, 'y') + "\ny\r\n\r\n" + QByteArray(9000, 'z'));
        QTest::newRow("Windows-1252 in the last items") << late1252 << true << 200 << 200;
        QTest::newRow("UTF-8 byte order mark") << "\xEF\xBB\xBF" + whole << true << 200 << 200;
        QTest::newRow("UTF-8 byte order mark, long first line")
            << "\xEF\xBB\xBF" + QByteArray(60, ' ') + "\r" + whole << false << 200 << 200;
        QTest::newRow("a comment larger than a piece") << hugeComment << true << 3 << 3;
        QTest::newRow("groups, comments with lone LFs and a switched separator")
            << Lines({"NumGroups: 2", "GroupName1=Daily", "GroupNumber1=1", "GroupName2=Zo\xC3\xAB", "GroupNumber2=7",
                      "Number of items: 2", Sep})
                   + Lines(Block("A", "Last1: 46000,25")) + Lines({"Item: 2", "Name: B", "Group: ,7,", "Site: s",
                                                                    "Keys: ", "Last1: 46001,5", "Ends1: 46100.0",
                                                                    "Freq: 3,1", "", "one", "two\r", "", Sep},
                                                                   "\n")
            << true << 2 << 2;
    }
    void readInPieces()
    {
        QFETCH(QByteArray, file);
        Model whole;
        Formats wholeFormats = Dotted();
        const LoadResult expected = ReadDataText(file, whole, wholeFormats, Now);
        for (const qsizetype piece : {1, 7, 4096, 1 << 20}) {
            if (piece == 1 && file.size() > 100000)
                continue;
            QBuffer source(&file);
            QVERIFY(source.open(QIODevice::ReadOnly));
            Model m;
            Formats f = Dotted();
            const LoadResult res = ReadDataFrom(source, m, f, Now, piece);
            CompareLoads(expected, whole, res, m);
            QCOMPARE(f.DecimalSeparator(), wholeFormats.DecimalSeparator());
        }
    }

    // Lines that are read only to be passed over (a damaged part, the rest
    // of a broken block, the group lines) are let go one by one: however
    // long the part, the reader holds a few pieces, and still reads what
    // the whole file gives.
    void damagedPartsAreNotHeld_data()
    {
        QTest::addColumn<QByteArray>("file");
        const QByteArray junk = Lines(QByteArrayList(20000, "a line of no item, long enough to count"));
        QTest::newRow("lines of no item") << FileOf({}, 1) + junk + Lines(Block("A"));
        QByteArrayList broken = Block("A", "Last1: not a day");
        broken.insert(broken.size() - 1, junk.chopped(2));
        QTest::newRow("the rest of a broken block") << FileOf(broken + Block("B"), 2);
        QByteArrayList groups = {"NumGroups: 150"};
        for (int i = 1; i <= 150; ++i)
            groups << "GroupName" + QByteArray::number(i) + "=" + QByteArray(4000, 'g') << "GroupNumber" + QByteArray::number(i) + "=" + QByteArray::number(i);
        QTest::newRow("the group lines") << Lines(groups + QByteArrayList{"Number of items: 1", Sep}) + Lines(Block("A"));
    }
    void damagedPartsAreNotHeld()
    {
        QFETCH(QByteArray, file);
        constexpr qsizetype Piece = 4096;
        QVERIFY(file.size() > 100 * Piece);
        Model whole;
        Formats wholeFormats = Dotted();
        const LoadResult expected = ReadDataText(file, whole, wholeFormats, Now);
        MeteredSource source(&file);
        Model m;
        Formats f = Dotted();
        const LoadResult res = ReadDataFrom(source, m, f, Now, Piece);
        CompareLoads(expected, whole, res, m);
        QVERIFY2(source.largestRead <= 4 * Piece, qPrintable(QString::number(source.largestRead)));
    }

    // A file that cannot be read to its end loads nothing, says why, and
    // leaves the formats as they were; what was read is not half a model.
    void readFailsPartway()
    {
        const QByteArray utf8 = FileOf(Block("A", "Last1: 46000,25") + Block("B") + Block("C"), 3);
        // Not UTF-8 from its first block on: it is read again whole, and fails then.
        QByteArray windows1252 = utf8;
        windows1252.replace("comment of A", "comment of A \xE9");
        for (const QByteArray &file : {utf8, windows1252}) {
            for (const qint64 failAt : {qint64(0), qint64(10), qint64(file.size() / 2), qint64(file.size() - 1)}) {
                FailingSource source(file, failAt);
                Model m;
                Formats f = Dotted();
                const LoadResult res = ReadDataFrom(source, m, f, Now, 16);
                QVERIFY(!res.opened);
                QVERIFY(!res.missing);
                QCOMPARE(res.openError, QStringLiteral("Input/output error"));
                QCOMPARE(m.Items.Count(), 0);
                QCOMPARE(m.NumGroups, 0);
                QCOMPARE(f.DecimalSeparator(), QLatin1Char('.'));
            }
        }
    }

    // Only regular files are read, and never more than the limit; nothing
    // waits on a pipe.
    void regularFilesOnly()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("file");
        QVERIFY(WriteAll(file, "12345"));
        QCOMPARE(ReadRegularFile(file, 5).bytes, QByteArray("12345"));
        QCOMPARE(ReadRegularFile(file, NoSizeLimit).outcome, ReadOutcome::Read);
        QCOMPARE(ReadRegularFile(file, 4).outcome, ReadOutcome::TooLarge);
        QCOMPARE(ReadRegularFile(dir.filePath("none"), 5).outcome, ReadOutcome::Missing);
        QCOMPARE(ReadRegularFile(dir.path(), 5).outcome, ReadOutcome::NotRegular);
        QCOMPARE(ReadRegularFile("/dev/zero", NoSizeLimit).outcome, ReadOutcome::NotRegular);
        const QString pipe = dir.filePath("pipe");
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        const FileContent fromPipe = ReadRegularFile(pipe, NoSizeLimit);
        QCOMPARE(fromPipe.outcome, ReadOutcome::NotRegular);
        QVERIFY(fromPipe.error.contains("pipe"));

        // Copies and saves leave a pipe or folder in a file's place alone.
        QVERIFY(!CopyFileReplace(pipe, dir.filePath("copy")));
        QVERIFY(!CopyFileReplace(file, pipe));
        QVERIFY(!CopyFileReplace(file, dir.path()));
        QString why;
        QVERIFY(!WriteFileAtomic(pipe, "x", &why));
        QVERIFY(!why.isEmpty());
        QVERIFY(QFileInfo(pipe).exists() && !QFileInfo(pipe).isFile());
        QVERIFY(!QFileInfo::exists(dir.filePath("copy")));
    }

    void groupPart()
    {
        const QByteArray file = Lines({"NumGroups: 2", "GroupName1=News", "GroupNumber1=4", "GroupName2=x=y",
                                       "GroupNumber2= 7z", "Number of items: 1", Sep}) +
                                Lines(Block("A"));
        Model m;
        Formats f = Dotted();
        ReadDataText(file, m, f, Now);
        QCOMPARE(m.NumGroups, 2);
        QCOMPARE(m.GroupTable[1].GroupName, QStringLiteral("News"));
        QCOMPARE(m.GroupTable[1].GroupNumber, 4);
        QCOMPARE(m.GroupTable[2].GroupName, QStringLiteral("x=y"));
        QCOMPARE(m.GroupTable[2].GroupNumber, 7);
        QCOMPARE(Names(m), QStringList{"A"});
    }

    void tooManyGroups()
    {
        QByteArrayList lines{"NumGroups: 151"};
        for (int i = 1; i <= 151; ++i) {
            lines << "GroupName" + QByteArray::number(i) + "=G" + QByteArray::number(i);
            lines << "GroupNumber" + QByteArray::number(i) + "=" + QByteArray::number(i);
        }
        lines << "Number of items: 1" << Sep;
        Model m;
        Formats f = Dotted();
        const LoadResult res = ReadDataText(Lines(lines + Block("Only")), m, f, Now);
        QCOMPARE(m.NumGroups, MaxGroups);
        QCOMPARE(m.GroupTable[150].GroupName, QStringLiteral("G150"));
        QCOMPARE(m.GroupTable[150].GroupNumber, 150);
        QVERIFY(res.groupError.contains(QLatin1String("151")));
        QCOMPARE(Names(m), QStringList{"Only"});
        QCOMPARE(m.Items.At(0)->Group, QStringLiteral(",1,"));
    }

    void unreadableEntry_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("errors");
        QTest::newRow("bad Last1")
            << FileOf(Block("One") + Block("Two", "Last1: abc") + Block("Three"), 3)
            << QStringList{"One", "Three"} << QStringList{LoadError + "Two"};
        QTest::newRow("bad Ends1")
            << FileOf(Block("One") + Block("Two", "Last1: 46000.5", "Ends1: x") + Block("Three"), 3)
            << QStringList{"One", "Three"} << QStringList{LoadError + "Two"};
        QTest::newRow("bad last item without separator")
            << FileOf(Block("One") + Block("Two") + Block("Three", "Last1: 4x6").mid(0, 8), 3)
            << QStringList{"One", "Two"} << QStringList{LoadError + "Three"};
        QTest::newRow("end date with the other separator is kept")
            << FileOf(Block("One") + Block("Two", "Last1: 46000.5", "Ends1: 46100,5"), 2)
            << QStringList{"One", "Two"} << QStringList{};
    }
    void unreadableEntry()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, names);
        QFETCH(QStringList, errors);
        Model m;
        Formats f = Dotted();
        const LoadResult res = ReadDataText(file, m, f, Now);
        QCOMPARE(Names(m), names);
        QCOMPARE(res.itemErrors, errors);
        for (int i = 0; i < m.Items.Count(); ++i) {
            QCOMPARE(m.Items.At(i)->Comments, "comment of " + names[i]);
            QCOMPARE(DateText(m.Items.At(i)->Ends, f), QStringLiteral("19.03.2026"));
        }
    }

    void windows1252File()
    {
        const QByteArray file = Lines({"NumGroups: 1", "GroupName1=M\xFCnchen", "GroupNumber1=1",
                                       "Number of items: 1", Sep, "Item: 1", "Name: Caf\xE9 \x80", "Group: ,1,",
                                       "Site: s", "Keys: \x93k\x94", "Last1: 46000.5", "Ends1: 46100",
                                       "Freq: 0,0", "\xC4rger", Sep});
        Model m;
        Formats f = Dotted();
        ReadDataText(file, m, f, Now);
        QCOMPARE(m.GroupTable[1].GroupName, QString::fromUtf16(u"M\u00FCnchen"));
        const Rec &r = *m.Items.At(0);
        QCOMPARE(r.Name, QString::fromUtf16(u"Caf\u00E9 \u20AC"));
        QCOMPARE(r.Keys, QString::fromUtf16(u"\u201Ck\u201D"));
        QCOMPARE(r.Comments, QString::fromUtf16(u"\u00C4rger"));
    }

    void exactLayout()
    {
        Model m;
        m.GroupTable[1] = {QString::fromUtf16(u"Z\u00FCrich"), 4};
        m.NumGroups = 1;
        Rec *a = AddItem(m, "A", Day("09.12.2025 12:00", Dotted()), Day("19.03.2026", Dotted()));
        a->Group = ",4,";
        a->Site = "http://a.example/";
        a->Keys = "{tab}";
        a->Freq = 2;
        a->Count = 5;
        a->Comments = "x\r\ny";
        AddItem(m, "B", Day("10.12.2026 00:00", Dotted()), Day("10.12.2026", Dotted()));
        Rec *c = AddItem(m, "C\nD", Day("09.12.2025 10:01", Dotted()), Day("19.03.2026 18:00", Dotted()));
        c->Comments = "ends with a break\r\n";
        QByteArray out;
        QVERIFY(BuildDataText(m, Dotted(), &out));
        const QByteArray expected = Lines({
            "NumGroups: 1", "GroupName1=Z\xC3\xBCrich", "GroupNumber1=4", "Number of items: 3", Sep,
            "Item: 1", "Name: A", "Group: ,4,", "Site: http://a.example/", "Keys: {tab}", "Last1: 46000.5",
            "Ends1: 46100", "Freq: 2,5", "x", "y", Sep,
            "Item: 2", "Name: B", "Group: ", "Site: ", "Keys: ", "Last1: 46366", "Ends1: 46366", "Freq: 0,0", "",
            Sep,
            "Item: 3", "Name: C D", "Group: ", "Site: ", "Keys: ", "Last1: 46000.417", "Ends1: 46100",
            "Freq: 0,0", "ends with a break", "", Sep});
        QCOMPARE(out, expected);
    }

    // Texts long enough to be copied many characters at a time, with a line
    // break or a character beyond ASCII at every place: one-line fields get
    // blanks for their breaks, comments keep them, and all is UTF-8.
    void longFieldsEveryPlace()
    {
        const QStringList specials = {QStringLiteral("\n"), QStringLiteral("\r"), QStringLiteral("\r\n"),
                                      QString::fromUtf16(u"\u00E9"), QString::fromUtf16(u"\u20AC"),
                                      QString::fromUtf16(u"\U0001F600"), QString(QChar(0x7F)),
                                      // Halves of a pair alone, written as QString::toUtf8 writes them.
                                      QString(QChar(0xD83D)), QString(QChar(0xDE00)),
                                      // Three bytes for every character: the most room a text takes.
                                      QString(3000, QChar(0x20AC))};
        for (const QString &special : specials) {
            for (int at : {0, 1, 7, 8, 15, 16, 17, 31, 32, 39, 40}) {
                QString text = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789ABCD");
                text.insert(at, special);
                Model m;
                Rec *r = AddItem(m, text, 46000.5, 46100);
                r->Site = text;
                r->Comments = text;
                QByteArray out;
                QVERIFY(BuildDataText(m, Dotted(), &out));
                QString line = text;
                line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
                line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
                const QByteArray expected = "Name: " + line.toUtf8() + "\r\nGroup: \r\nSite: " + line.toUtf8() +
                                            "\r\nKeys: \r\nLast1: 46000.5\r\nEnds1: 46100\r\nFreq: 0,0\r\n" +
                                            text.toUtf8() + "\r\n" + Sep + "\r\n";
                QVERIFY2(out.endsWith(expected), qPrintable(QStringLiteral("%1 at %2").arg(special.toUtf8().toHex(), QString::number(at))));
            }
        }
    }

    void completionPrecision_data()
    {
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("back");
        QTest::newRow("10:01") << "10:01" << "10:00";
        QTest::newRow("23:59") << "23:59" << "23:58";
        QTest::newRow("midnight") << "00:00" << "00:00";
        QTest::newRow("noon") << "12:00" << "12:00";
    }
    void completionPrecision()
    {
        QFETCH(QString, time);
        QFETCH(QString, back);
        Model m;
        Formats f = Dotted();
        AddItem(m, "A", Day("10.12.2026 " + time, f), Day("19.03.2027", f));
        QByteArray out;
        QVERIFY(BuildDataText(m, f, &out));
        Model loaded;
        ReadDataText(out, loaded, f, Now);
        QCOMPARE(DateTimeText(loaded.Items.At(0)->Last, f), "10.12.2026 " + back);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QChar>("decimal");
        QTest::newRow("dd.MM.yyyy comma") << "dd.MM.yyyy" << "HH:mm" << QChar(',');
        QTest::newRow("M/d/yy AM/PM") << "M/d/yy" << "h:mm AP" << QChar('.');
        QTest::newRow("ISO") << "yyyy-MM-dd" << "HH:mm" << QChar('.');
    }
    void roundTrip()
    {
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QChar, decimal);
        const Formats f = Formats::Make(date, time, decimal, 2026);
        auto when = [&](int y, int mo, int d, int h, int mi) { return ToDayNumber(QDate(y, mo, d), QTime(h, mi)); };
        auto day = [&](int y, int mo, int d) { return ToDayNumber(QDate(y, mo, d)); };

        Model m;
        m.GroupTable[1] = {QStringLiteral("News"), 4};
        m.GroupTable[2] = {QString::fromUtf16(u"Z\u00FCrich \u2615"), 1};
        m.NumGroups = 2;
        Rec *r = AddItem(m, "Daily Draw", when(2025, 12, 9, 12, 0), day(2026, 3, 19));
        r->Group = ",4,1,";
        r->Site = "http://a.example/enter?x=1&y=2";
        r->Keys = "{email}{tab}{first name}{enter}";
        r->Freq = 2;
        r->Count = 5;
        r->Comments = "line 1\r\nline 2";
        r = AddItem(m, QString::fromUtf16(u"\u00DCn\u00EFc\u00F6d\u00E9 \u2615 \U0001F600"),
                    when(2026, 12, 10, 0, 0), day(2026, 12, 10));
        r->Freq = 12;
        r = AddItem(m, "Trashed", when(2026, 1, 31, 6, 0), day(2027, 1, 1));
        r->Group = TrashMarker;
        r->Comments = "ends with a break\r\n";
        r = AddItem(m, "Comma only", when(2026, 7, 4, 18, 0), day(2026, 7, 5));
        r->Group = ",";
        r->Freq = 4;
        r->Count = 1;
        r->Comments = "a\r\n\r\nb";

        QByteArray out;
        QVERIFY(BuildDataText(m, f, &out));
        Model loaded;
        Formats g = f;
        const LoadResult res = ReadDataText(out, loaded, g, Now);
        QVERIFY(res.itemErrors.isEmpty());
        QCOMPARE(loaded.NumGroups, 2);
        for (int i = 1; i <= 2; ++i) {
            QCOMPARE(loaded.GroupTable[i].GroupName, m.GroupTable[i].GroupName);
            QCOMPARE(loaded.GroupTable[i].GroupNumber, m.GroupTable[i].GroupNumber);
        }
        QCOMPARE(loaded.Items.Count(), m.Items.Count());
        for (int i = 0; i < m.Items.Count(); ++i) {
            const Rec &a = *m.Items.At(i);
            const Rec &b = *loaded.Items.At(i);
            QCOMPARE(QStringList({b.Name, b.Group, b.Site, b.Keys, b.Comments}),
                     QStringList({a.Name, a.Group, a.Site, a.Keys, a.Comments}));
            QCOMPARE(b.Last, a.Last);
            QCOMPARE(b.Ends, a.Ends);
            QCOMPARE(b.Freq, a.Freq);
            QCOMPARE(b.Count, a.Count);
        }
    }

    // Dates far from today keep their century through saving and loading,
    // also where the locale writes years with two digits.
    void farDatesKeepTheirCentury_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany);
    }
    void farDatesKeepTheirCentury()
    {
        QFETCH(QLocale, locale);
        Formats f = Formats::FromLocale(locale, 2026);
        QVERIFY2(!f.ShortDatePattern().contains(QLatin1String("yyyy")), qPrintable(f.ShortDatePattern()));
        const QList<QDate> days{QDate(1899, 6, 15), QDate(1950, 1, 2), QDate(2108, 7, 30), QDate(9999, 12, 31)};
        Model m;
        for (const QDate &d : days)
            AddItem(m, QString::number(d.year()), ToDayNumber(d, QTime(12, 0)), ToDayNumber(d));
        QByteArray first;
        QVERIFY(BuildDataText(m, f, &first));
        Model loaded;
        const LoadResult res = ReadDataText(first, loaded, f, Now);
        QVERIFY(res.whole);
        QCOMPARE(loaded.Items.Count(), int(days.size()));
        for (int i = 0; i < loaded.Items.Count(); ++i) {
            QCOMPARE(FromDayNumber(loaded.Items.At(i)->Last), QDateTime(days[i], QTime(12, 0)));
            QCOMPARE(DateOfDayNumber(loaded.Items.At(i)->Ends), days[i]);
        }
        QByteArray second;
        QVERIFY(BuildDataText(loaded, f, &second));
        QCOMPARE(second, first);
    }

    void buildFailure_data()
    {
        QTest::addColumn<double>("last");
        QTest::addColumn<double>("ends");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("Last not a number") << nan << 46100.0;
        QTest::newRow("Last past the year 9999") << 2958466.5 << 46100.0;
        QTest::newRow("Ends not a number") << 46000.5 << nan;
    }
    void buildFailure()
    {
        QFETCH(double, last);
        QFETCH(double, ends);
        Model m;
        AddItem(m, "Fine", 46000.5, 46100);
        AddItem(m, "Broken", last, ends);
        QByteArray out = "stale";
        QString bad;
        QVERIFY(!BuildDataText(m, Dotted(), &out, &bad));
        QCOMPARE(bad, QStringLiteral("Broken"));
        QVERIFY(out.isEmpty());
    }

    void writeFailureKeepsOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Kelpo.dat");
        const QString copy = dir.filePath("Kelpo.bak");
        QVERIFY(WriteAll(path, "old data"));
        QVERIFY(WriteAll(copy, "old backup"));

        FailingDisk disk("No space left on device");
        QString error;
        QVERIFY(!WriteFileAtomic(path, "new data", &error));
        QCOMPARE(error, QStringLiteral("No space left on device"));
        QVERIFY(!CopyFileReplace(path, copy));
        QCOMPARE(ReadAll(path), QByteArray("old data"));
        QCOMPARE(ReadAll(copy), QByteArray("old backup"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

        disk.reason.clear();
        QVERIFY(WriteFileAtomic(path, "new data", &error));
        QVERIFY(CopyFileReplace(path, copy));
        QCOMPARE(ReadAll(copy), QByteArray("new data"));

        // Real failures: a missing source or folder leaves the target alone.
        QVERIFY(!CopyFileReplace(dir.filePath("missing"), copy));
        QCOMPARE(ReadAll(copy), QByteArray("new data"));
        QVERIFY(!WriteFileAtomic(dir.filePath("no/such/folder"), "x", &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    // The data file is saved a piece at a time: it holds exactly what
    // BuildDataText builds, across many pieces and past an item larger than
    // a piece. A bad item or a refused write leaves the old file as it was,
    // and no temporary file behind.
    void savedInPieces()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Kelpo.dat");
        Model m;
        m.NumGroups = 1;
        m.GroupTable[1] = {QStringLiteral("Caf\u00E9"), 1};
        for (int i = 0; i < 6000; ++i) {
            Rec *r = AddItem(m, QStringLiteral("Item %1 \u20AC").arg(i), 46000.5 + i % 7, 46100);
            r->Site = QStringLiteral("https://example.com/%1").arg(i);
            if (i == 2500)
                r->Comments = QString(700 * 1024, QChar(0x20AC));  // 2.1 MB of UTF-8
        }
        QByteArray whole;
        QVERIFY(BuildDataText(m, Dotted(), &whole));
        QVERIFY(whole.size() > 3 * 1024 * 1024);
        QString bad, error;
        QCOMPARE(SaveMainData(path, m, Dotted(), &bad, &error), SaveOutcome::Saved);
        QVERIFY(ReadAll(path) == whole);

        QVERIFY(WriteAll(path, "old data"));
        AddItem(m, "Broken", std::nan(""), 46100);
        QCOMPARE(SaveMainData(path, m, Dotted(), &bad, &error), SaveOutcome::BadItem);
        QCOMPARE(bad, QStringLiteral("Broken"));
        QCOMPARE(ReadAll(path), QByteArray("old data"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

        m.Items.RemoveAt(m.Items.Count() - 1);
        FailingDisk disk("No space left on device");
        QCOMPARE(SaveMainData(path, m, Dotted(), &bad, &error), SaveOutcome::WriteFailed);
        QCOMPARE(error, QStringLiteral("No space left on device"));
        QCOMPARE(ReadAll(path), QByteArray("old data"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void loadMainData()
    {
        QTemporaryDir dir;
        Model m;
        Formats f = Dotted();
        LoadResult res = LoadMainData(dir.filePath("Kelpo.dat"), m, f, Now);
        QVERIFY(!res.opened);
        QVERIFY(!res.openError.isEmpty());

        QVERIFY(WriteAll(dir.filePath("Kelpo.dat"), FileOf(Block("One") + Block("Two"), 2)));
        res = LoadMainData(dir.filePath("Kelpo.dat"), m, f, Now);
        QVERIFY(res.opened);
        QCOMPARE(Names(m), QStringList({"One", "Two"}));
    }
};

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
