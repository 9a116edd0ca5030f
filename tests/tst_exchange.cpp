#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "ExchangeFile.h"
#include "Product.h"
#include "support/DayText.h"
#include "support/FailingDisk.h"

using namespace kelpo;

namespace {

const QByteArray Eol = "\r\n";

Formats WithSeparator(QChar separator)
{
    return Formats::Make(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), separator, 2026);
}

Formats Dotted()
{
    return WithSeparator(QLatin1Char('.'));
}

// A file as the format lays it out: the plain header, then each given line
// scrambled. Lines are taken as UTF-8 text unless given as raw bytes.
QByteArray Kdf(const QByteArrayList &lines, const QByteArray &eol = Eol)
{
    QByteArray out = ExchangeHeader.toUtf8() + eol;
    for (const QByteArray &l : lines)
        out += Crypt(l) + eol;
    return out;
}

// The nine lines of one item; 46366.5 is 10 December 2026 12:00.
QByteArrayList Item(const QByteArray &name, const QByteArray &last = "46366.5",
                    const QByteArray &end = "46366", const QByteArray &freq = "2",
                    const QByteArray &num = "5", const QByteArray &com = "")
{
    return {"Name=" + name, "Url=http://a.example/", "Last=" + last, "End=" + end, "Freq=" + freq,
            "Num=" + num,   "Keys={tab}",            "Com=" + com,   "ThisIsTheVeryEndOfTheItemMarker"};
}

QByteArrayList Head(const QByteArray &group, const QByteArray &number)
{
    return {"Name=" + group, "Number=" + number};
}

Rec Make(const QString &name, const QString &last, const QString &keys = QString(),
         const QString &comments = QString())
{
    Rec r;
    r.Name = name;
    r.Site = QStringLiteral("http://site.example/") + name;
    r.Last = Day(last, Dotted());
    r.Ends = Day(QStringLiteral("31.01.2027"), Dotted());
    r.Freq = 9;
    r.Count = 3;
    r.Keys = keys;
    r.Comments = comments;
    return r;
}

QList<const Rec *> Pointers(const std::vector<Rec> &recs)
{
    QList<const Rec *> out;
    for (const Rec &r : recs)
        out.append(&r);
    return out;
}

QStringList Names(const std::vector<Rec> &recs)
{
    QStringList names;
    for (const Rec &r : recs)
        names << r.Name;
    return names;
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

}  // namespace

class TestExchange : public QObject {
    Q_OBJECT

private slots:
    void crypt()
    {
        QCOMPARE(Crypt("Name=abc"), QByteArray::fromHex("4F606C643C606362"));
        QCOMPARE(Crypt("\r\n"), QByteArray("\x0C\x0B"));
        QCOMPARE(Crypt(QByteArray()), QByteArray());
        QByteArray all(256, Qt::Uninitialized);
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        QCOMPARE(Crypt(Crypt(all)), all);
    }

    // Dates far from today keep their century through an exchange file,
    // also where the locale writes years with two digits.
    void farDatesKeepTheirCentury()
    {
        for (const QLocale &locale : {QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German, QLocale::Germany)}) {
            Formats f = Formats::FromLocale(locale, 2026);
            const QList<QDate> days{QDate(1899, 6, 15), QDate(1950, 1, 2), QDate(2108, 7, 30), QDate(9999, 12, 31)};
            std::vector<Rec> recs;
            for (const QDate &d : days) {
                recs.push_back(Make(QString::number(d.year()), QStringLiteral("10.12.2026 12:00")));
                recs.back().Last = ToDayNumber(d, QTime(12, 0));
                recs.back().Ends = ToDayNumber(d);
            }
            QByteArray bytes;
            QString error;
            QVERIFY2(BuildExchangeText(QStringLiteral("G"), Pointers(recs), true, f, &bytes, &error), qPrintable(error));
            ExchangeParse p;
            QVERIFY2(ParseExchangeText(bytes, f, &p), qPrintable(p.error));
            QCOMPARE(p.items.size(), recs.size());
            for (size_t i = 0; i < recs.size(); ++i) {
                QCOMPARE(FromDayNumber(p.items[i].Last), QDateTime(days[qsizetype(i)], QTime(12, 0)));
                QCOMPARE(DateOfDayNumber(p.items[i].Ends), days[qsizetype(i)]);
            }
        }
    }

    // The whole file, byte for byte: plain header, scrambled lines, CR LF.
    void writtenBytes()
    {
        std::vector<Rec> recs{Make(QStringLiteral("abc"), QStringLiteral("10.12.2026 12:00"),
                                   QStringLiteral("{tab}"), QStringLiteral("one\r\ntwo"))};
        recs[0].Ends = Day(QStringLiteral("31.01.2027 18:00"), Dotted());  // only the date is written
        QByteArray out;
        QString error;
        QVERIFY(BuildExchangeText(QStringLiteral("G"), Pointers(recs), true, Dotted(), &out, &error));
        QByteArray expected = ExchangeHeader.toUtf8() + Eol;
        QCOMPARE(QByteArray("Kelpo Data File. http://kelpo.example.org/\r\n"), expected);
        for (const QByteArray &l : {QByteArray("Name=G"), QByteArray("Number=0"), QByteArray("Name=abc"),
                                    QByteArray("Url=http://site.example/abc"), QByteArray("Last=46366.5"),
                                    QByteArray("End=46418"), QByteArray("Freq=9"), QByteArray("Num=3"),
                                    QByteArray("Keys={tab}"), QByteArray("Com=one\r\ntwo"),
                                    QByteArray("ThisIsTheVeryEndOfTheItemMarker")})
            expected += Crypt(l) + Eol;
        QCOMPARE(out, expected);
        QVERIFY(out.contains(Crypt("one") + "\x0C\x0B" + Crypt("two")));

        QVERIFY(BuildExchangeText(QStringLiteral("Empty"), {}, true, Dotted(), &out, &error));
        QCOMPARE(out, ExchangeHeader.toUtf8() + Eol + Crypt("Name=Empty") + Eol + Crypt("Number=-1") + Eol);
        Formats formats = Dotted();
        ExchangeParse p;
        QVERIFY(ParseExchangeText(out, formats, &p));
        QCOMPARE(p.groupName, QStringLiteral("Empty"));
        QVERIFY(p.countOk);
        QCOMPARE(p.number, -1);
        QVERIFY(p.items.empty());
        QCOMPARE(AddItemsPrompt(p.number), QStringLiteral("Add 0 new items to this Group:"));
    }

    void roundTrip_data()
    {
        QTest::addColumn<bool>("include");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("comments");
        QTest::addColumn<QString>("lastBack");

        const QString three = QStringLiteral("first line\r\nsecond, with = and ,\r\n\r\nfourth\r\n");
        QTest::newRow("keys and three-line comments")
            << true << "Win a car" << "10.12.2026 12:00" << "{email}{tab}{enter}" << three << "10.12.2026 12:00";
        QTest::newRow("without keys and comments")
            << false << "Win a car" << "10.12.2026 12:00" << "{email}" << three << "10.12.2026 12:00";
        QTest::newRow("14:30 comes back as 14:29")
            << true << "x" << "05.03.2026 14:30" << "" << "" << "05.03.2026 14:29";
        QTest::newRow("midnight") << true << "x" << "05.03.2026 00:00" << "" << "" << "05.03.2026 00:00";
        QTest::newRow("non-ASCII text")
            << true << QString::fromUtf8("Crème brûlée € 😀") << "10.12.2026 12:00"
            << QString::fromUtf8("{tab}ß") << QString::fromUtf8("Ünïcode\r\nzwei") << "10.12.2026 12:00";
    }
    void roundTrip()
    {
        QFETCH(bool, include);
        QFETCH(QString, name);
        QFETCH(QString, last);
        QFETCH(QString, keys);
        QFETCH(QString, comments);
        QFETCH(QString, lastBack);

        std::vector<Rec> recs{Make(name, last, keys, comments), Make(QStringLiteral("second"), last)};
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("g.kdf"));
        QString error;
        Formats formats = Dotted();
        QVERIFY(SaveExchangeFile(path, QStringLiteral("My Group"), Pointers(recs), include, formats, &error));

        ExchangeParse p;
        QVERIFY(LoadExchangeFile(path, formats, &p, &error));
        QVERIFY2(p.error.isEmpty(), qPrintable(p.error));
        QVERIFY(p.headerOk);
        QCOMPARE(p.groupName, QStringLiteral("My Group"));
        QCOMPARE(p.number, 1);
        QCOMPARE(p.stoppedAt, -1);
        QCOMPARE(Names(p.items), QStringList({name, QStringLiteral("second")}));
        const Rec &r = p.items[0];
        QCOMPARE(r.Site, recs[0].Site);
        QCOMPARE(DateTimeText(r.Last, formats), lastBack);
        QCOMPARE(DateText(r.Ends, formats), QStringLiteral("31.01.2027"));
        QCOMPARE(r.Freq, 9);
        QCOMPARE(r.Count, 3);
        QCOMPARE(r.Keys, include ? keys : QString());
        QCOMPARE(r.Comments, include ? comments : QString());
        QVERIFY(r.Group.isEmpty());
        QVERIFY(!r.Done);
    }

    // Values are positional; further lines continue the comments.
    void positionalRead_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("comments");
        QTest::addColumn<int>("freq");

        QTest::newRow("comments continued, empty lines skipped")
            << Kdf(Head("G", "0") + Item("a").mid(0, 8)
                   + QByteArrayList{"more", "", "end", "ThisIsTheVeryEndOfTheItemMarker"})
            << QStringList{"a"} << "{tab}" << "more" "end" << 2;
        QTest::newRow("keys taken by position")
            << Kdf(Head("G", "0") + Item("a").mid(0, 6) + QByteArrayList{"XXXXXabc", "Com=c", "M"})
            << QStringList{"a"} << "abc" << "cM" << 2;
        QTest::newRow("scrambled CR LF inside the comments")
            << Kdf(Head("G", "0") + Item("a", "46366.5", "46366", "2", "5", "x\r\ny"))
            << QStringList{"a"} << "{tab}" << "x\r\ny" << 2;
        QTest::newRow("marker missing at the end of the file")
            << Kdf(Head("G", "0") + Item("a", "46366.5", "46366", "2", "5", "c").mid(0, 8))
            << QStringList{"a"} << "{tab}" << "c" << 2;
        QTest::newRow("lines ended by LF alone")
            << Kdf(Head("G", "0") + Item("a"), "\n") << QStringList{"a"} << "{tab}" << "" << 2;
        // Long lines are unscrambled many bytes at a time; a CR alone (a
        // scrambled 0x0C) is a value byte wherever it stands.
        const QByteArray longName = "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOP";
        const QByteArray longComment = QByteArray(21, 'c') + "\x0C" + QByteArray(30, 'd') + "\x0Ce";
        for (const QByteArray &eol : {QByteArray("\r\n"), QByteArray("\n")}) {
            QTest::addRow("long lines, CRs alone inside, ended by %s", eol.size() == 2 ? "CR LF" : "LF")
                << Kdf(Head("G", "1") + Item(longName, "46366.5", "46366", "2", "5", longComment) + Item("b"), eol)
                << QStringList{QString::fromLatin1(longName), "b"} << "{tab}" << QString::fromLatin1(longComment) << 2;
        }
        QTest::newRow("fewer announced than held: the rest unread")
            << Kdf(Head("G", "0") + Item("a") + Item("b")) << QStringList{"a"} << "{tab}" << "" << 2;
        QTest::newRow("negative count: nothing read")
            << Kdf(Head("G", "-5") + Item("a")) << QStringList{} << "" << "" << 0;
        QTest::newRow("repeat kind out of range kept, leading blanks")
            << Kdf(Head("G", " 0") + Item("a", "46366.5", "46366", " 13")) << QStringList{"a"} << "{tab}" << ""
            << 13;
        QTest::newRow("names differing only in case are both read")
            << Kdf(Head("G", "1") + Item("a") + Item("A")) << QStringList{"a", "A"} << "{tab}" << "" << 2;
    }
    void positionalRead()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, names);
        QFETCH(QString, keys);
        QFETCH(QString, comments);
        QFETCH(int, freq);

        Formats formats = Dotted();
        ExchangeParse p;
        QVERIFY(ParseExchangeText(file, formats, &p));
        QVERIFY2(p.error.isEmpty(), qPrintable(p.error));
        QCOMPARE(Names(p.items), names);
        if (p.items.empty())
            return;
        QCOMPARE(p.items[0].Keys, keys);
        QCOMPARE(p.items[0].Comments, comments);
        QCOMPARE(p.items[0].Freq, freq);
        QCOMPARE(DateTimeText(p.items[0].Last, Dotted()), QStringLiteral("10.12.2026 12:00"));
        QCOMPARE(DateText(p.items[0].Ends, Dotted()), QStringLiteral("10.12.2026"));
    }

    // Each Last value without the current separator switches it, in file order.
    void decimalSeparator_data()
    {
        QTest::addColumn<QChar>("writer");
        QTest::addColumn<QChar>("reader");
        QTest::addColumn<QStringList>("lasts");
        QTest::addColumn<QChar>("after");

        const QChar dot = QLatin1Char('.');
        const QChar comma = QLatin1Char(',');
        QTest::newRow("comma file read under full stop")
            << comma << dot << QStringList{"10.12.2026 12:00", "05.03.2026 18:00"} << comma;
        QTest::newRow("full stop file read under comma") << dot << comma << QStringList{"10.12.2026 12:00"} << dot;
        QTest::newRow("midnight switches though nothing needs it")
            << dot << dot << QStringList{"10.12.2026 00:00"} << comma;
        QTest::newRow("midnight, then a fraction switches back")
            << dot << dot << QStringList{"10.12.2026 00:00", "05.03.2026 18:00"} << dot;
    }
    void decimalSeparator()
    {
        QFETCH(QChar, writer);
        QFETCH(QChar, reader);
        QFETCH(QStringList, lasts);
        QFETCH(QChar, after);

        std::vector<Rec> recs;
        for (const QString &last : lasts)
            recs.push_back(Make(QString::number(recs.size()), last));
        QByteArray bytes;
        QString error;
        QVERIFY(BuildExchangeText(QStringLiteral("G"), Pointers(recs), true, WithSeparator(writer), &bytes, &error));
        Formats formats = WithSeparator(reader);
        ExchangeParse p;
        QVERIFY2(ParseExchangeText(bytes, formats, &p), qPrintable(p.error));
        QCOMPARE(formats.DecimalSeparator(), after);
        QCOMPARE(int(p.items.size()), int(lasts.size()));
        for (size_t i = 0; i < p.items.size(); ++i)
            QCOMPARE(DateTimeText(p.items[i].Last, Dotted()), lasts[qsizetype(i)]);
    }

    void windows1252()
    {
        // "Crème brûlée" and a euro sign in Windows-1252, not valid UTF-8.
        const QByteArray file = Kdf(Head("Caf\xE9", "0") + Item("Cr\xE8me br\xFBl\xE9" "e \x80", "46366.5", "46366",
                                                                  "2", "5", "Gr\xFC\xDF" "e"));
        Formats formats = Dotted();
        ExchangeParse p;
        QVERIFY2(ParseExchangeText(file, formats, &p), qPrintable(p.error));
        QCOMPARE(p.groupName, QString::fromUtf8("Café"));
        QCOMPARE(Names(p.items), QStringList{QString::fromUtf8("Crème brûlée €")});
        QCOMPARE(p.items[0].Comments, QString::fromUtf8("Grüße"));
    }

    void longNamesCut()
    {
        const QByteArray longName(300, 'n');
        const QByteArray file = Kdf(Head(longName, "0") + Item(longName, "46366.5" + QByteArray(300, ' ')));
        Formats formats = Dotted();
        ExchangeParse p;
        QVERIFY2(ParseExchangeText(file, formats, &p), qPrintable(p.error));
        QCOMPARE(p.groupName, QString(255, QLatin1Char('n')));
        QCOMPARE(Names(p.items), QStringList{QString(255, QLatin1Char('n'))});
    }

    // Vertical tab and form feed would scramble into line breaks.
    void lineBreakLookalikes()
    {
        std::vector<Rec> recs{Make(QStringLiteral("a\vb"), QStringLiteral("10.12.2026 12:00"),
                                   QStringLiteral("k\fk"), QStringLiteral("c\vc\fc\r\nd"))};
        recs[0].Site = QStringLiteral("http://x/\f");
        QByteArray bytes;
        QString error;
        QVERIFY(BuildExchangeText(QStringLiteral("g\vg"), Pointers(recs), true, Dotted(), &bytes, &error));
        QCOMPARE(bytes.count('\n'), 12);
        QCOMPARE(bytes.count('\r'), 12);
        Formats formats = Dotted();
        ExchangeParse p;
        QVERIFY2(ParseExchangeText(bytes, formats, &p), qPrintable(p.error));
        QCOMPARE(p.groupName, QStringLiteral("g g"));
        QCOMPARE(Names(p.items), QStringList{"a b"});
        QCOMPARE(p.items[0].Site, QStringLiteral("http://x/ "));
        QCOMPARE(p.items[0].Keys, QStringLiteral("k k"));
        QCOMPARE(p.items[0].Comments, QStringLiteral("c c c\r\nd"));
    }

    void readFailures_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("headerOk");
        QTest::addColumn<bool>("countOk");
        QTest::addColumn<QStringList>("names");  // the items read whole
        QTest::addColumn<qint64>("stoppedAt");
        QTest::addColumn<QString>("error");

        const QString early = QStringLiteral("The file ends too early: ");
        const QByteArray header = ExchangeHeader.toUtf8();
        QTest::newRow("empty file") << QByteArray() << false << false << QStringList{} << qint64(-1) << "";
        QTest::newRow("other address in the header")
            << QByteArray("Kelpo Data File. http://other.example/\r\n") + Crypt("Name=G") << false << false
            << QStringList{} << qint64(-1) << "";
        QTest::newRow("header in other case")
            << header.toLower() + Eol + Crypt("Name=G") << false << false << QStringList{} << qint64(-1) << "";
        QTest::newRow("header scrambled")
            << Crypt(header) + Eol << false << false << QStringList{} << qint64(-1) << "";
        QTest::newRow("header and nothing else") << header << true << false << QStringList{} << qint64(-1)
                                                 << early + "the number of items is missing.";
        QTest::newRow("no count line") << Kdf({"Name=G"}) << true << false << QStringList{} << qint64(-1)
                                       << early + "the number of items is missing.";
        QTest::newRow("count not a number") << Kdf(Head("G", "abc")) << true << false << QStringList{}
                                            << qint64(-1) << "'abc' is not a valid integer value";
        QTest::newRow("count empty") << Kdf(Head("G", "")) << true << false << QStringList{} << qint64(-1)
                                     << "'' is not a valid integer value";
        QTest::newRow("count beyond 32 bits") << Kdf(Head("G", "9999999999")) << true << false << QStringList{}
                                              << qint64(-1) << "'9999999999' is not a valid integer value";
        QTest::newRow("count of two billion")
            << Kdf(Head("G", "2000000000") + Item("a")) << true << true << QStringList{"a"} << qint64(1)
            << early + "it holds 1 of the 2000000001 items it announces.";
        QTest::newRow("cut inside the second item")
            << Kdf(Head("G", "1") + Item("a") + Item("b").mid(0, 3)) << true << true << QStringList{"a"}
            << qint64(1) << early + "item 2 (\"b\") is incomplete.";
        QTest::newRow("cut before the comment line")
            << Kdf(Head("G", "0") + Item("a").mid(0, 7)) << true << true << QStringList{} << qint64(0)
            << early + "item 1 (\"a\") is incomplete.";
        QTest::newRow("last not a number")
            << Kdf(Head("G", "1") + Item("a") + Item("b", "x")) << true << true << QStringList{"a"} << qint64(1)
            << "'x' is not a valid floating point value";
        QTest::newRow("end not a number") << Kdf(Head("G", "0") + Item("a", "46366.5", "abc")) << true << true
                                          << QStringList{} << qint64(0) << "'abc' is not a valid floating point value";
        QTest::newRow("end far out of range")
            << Kdf(Head("G", "0") + Item("a", "46366.5", "1e300")) << true << true << QStringList{} << qint64(0)
            << "'1e300' is not a valid floating point value";
        QTest::newRow("freq not a number") << Kdf(Head("G", "0") + Item("a", "46366.5", "46366", "daily")) << true
                                           << true << QStringList{} << qint64(0) << "'daily' is not a valid integer value";
        QTest::newRow("num with a fraction")
            << Kdf(Head("G", "0") + Item("a", "46366.5", "46366", "2", "1.5")) << true << true << QStringList{}
            << qint64(0) << "'1.5' is not a valid integer value";
        QTest::newRow("line of a hundred megabytes")
            << Kdf(Head("G", "0") + Item("a", "46366.5", "46366", QByteArray(100 << 20, '7') + "x")) << true
            << true << QStringList{} << qint64(0)
            << "'" + QString(255, QLatin1Char('7')) + "' is not a valid integer value";
    }
    void readFailures()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, headerOk);
        QFETCH(bool, countOk);
        QFETCH(QStringList, names);
        QFETCH(qint64, stoppedAt);
        QFETCH(QString, error);

        Formats formats = Dotted();
        ExchangeParse p;
        QVERIFY(!ParseExchangeText(file, formats, &p));
        QCOMPARE(p.headerOk, headerOk);
        QCOMPARE(p.countOk, countOk);
        QCOMPARE(Names(p.items), names);
        QCOMPARE(p.stoppedAt, stoppedAt);
        QCOMPARE(p.error, error);
    }

    // Random bytes after a valid header end in an error or in whole items,
    // never in a crash or a hang.
    void binaryJunk()
    {
        QRandomGenerator random(4711);
        for (int round = 0; round < 200; ++round) {
            QByteArray junk(int(random.bounded(1, 4000)), Qt::Uninitialized);
            for (char &c : junk)
                c = char(random.bounded(256));
            if (round % 2)
                junk.prepend(Crypt("Name=G\r\nNumber=3\r\n").replace("\x0C\x0B", "\r\n"));
            Formats formats = Dotted();
            ExchangeParse p;
            const bool whole = ParseExchangeText(ExchangeHeader.toUtf8() + Eol + junk, formats, &p);
            QVERIFY(p.headerOk);
            QCOMPARE(whole, p.error.isEmpty());
            QVERIFY(qsizetype(p.items.size()) <= junk.count('\n') + 1);
        }
    }

    void writeFailures()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("g.kdf"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old");
        }

        std::vector<Rec> recs{Make(QStringLiteral("good"), QStringLiteral("10.12.2026 12:00")),
                              Make(QStringLiteral("bad last"), QStringLiteral("10.12.2026 12:00")),
                              Make(QStringLiteral("bad end"), QStringLiteral("10.12.2026 12:00"))};
        recs[1].Last = std::numeric_limits<double>::quiet_NaN();
        recs[2].Ends = 2958466;  // 1 January 10000
        QString error;
        QByteArray out = "untouched";
        QVERIFY(!BuildExchangeText(QStringLiteral("G"), Pointers(recs), true, Dotted(), &out, &error));
        QCOMPARE(error, QStringLiteral("The item \"bad last\" cannot be saved: its last completion is not a valid date."));
        QCOMPARE(out, QByteArray("untouched"));
        QVERIFY(!SaveExchangeFile(path, QStringLiteral("G"), Pointers(recs), true, Dotted(), &error));
        QCOMPARE(ReadAll(path), QByteArray("old"));

        recs.erase(recs.begin() + 1);
        QVERIFY(!SaveExchangeFile(path, QStringLiteral("G"), Pointers(recs), true, Dotted(), &error));
        QCOMPARE(error, QStringLiteral("The item \"bad end\" cannot be saved: its end date is not a valid date."));
        QCOMPARE(ReadAll(path), QByteArray("old"));

        recs.pop_back();
        const FailingDisk full(QStringLiteral("No space left on device"));
        QVERIFY(!SaveExchangeFile(path, QStringLiteral("G"), Pointers(recs), true, Dotted(), &error));
        QCOMPARE(error, QStringLiteral("No space left on device"));
        QCOMPARE(ReadAll(path), QByteArray("old"));

        Formats formats = Dotted();
        ExchangeParse p;
        p.groupName = QStringLiteral("kept");
        QVERIFY(!LoadExchangeFile(dir.filePath(QStringLiteral("missing.kdf")), formats, &p, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(p.groupName, QStringLiteral("kept"));
    }

    void duplicateAndTexts()
    {
        Model model;
        auto r = std::make_unique<Rec>();
        r->Name = QStringLiteral("Win a Car");
        model.Items.Append(std::move(r));
        QVERIFY(Duplicate(model, QStringLiteral("Win a Car")));
        QVERIFY(!Duplicate(model, QStringLiteral("win a car")));
        QVERIFY(!Duplicate(model, QStringLiteral("Win a")));

        QCOMPARE(NotExchangeFileMessage(QStringLiteral("/home/u/My Group.kdf")),
                 QStringLiteral("My Group.kdf is not a valid Kelpo data file."));
        QCOMPARE(ImportedMessage(QStringLiteral("/home/u/g.kdf")), QStringLiteral("g.kdf successfully imported."));
        QCOMPARE(AddItemsPrompt(2147483647), QStringLiteral("Add 2147483648 new items to this Group:"));
        QCOMPARE(DuplicatePrompt(QStringLiteral("x")), QStringLiteral("x already exists. Rename to:"));
    }
};

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"
