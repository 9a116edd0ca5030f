// Group exchange commands of the main window: saving the shown group to a
// file, and importing a file with its group and duplicate-name questions.
#include <QtTest>

#include <sys/stat.h>

#include "ExchangeFile.h"
#include "FileRead.h"
#include "Product.h"
#include "support/FailingDisk.h"
#include "support/MainFixture.h"

using namespace kelpo;

namespace {

const QString IncludeQuestion = QStringLiteral(
    "Do you want to include Type and Comment sections?\n\n"
    "Note: Type and Comment strings could include personal information.");

// A file as written: the plain header, then each line scrambled.
QByteArray Kdf(const QByteArrayList &lines)
{
    QByteArray out = ExchangeHeader.toUtf8() + "\r\n";
    for (const QByteArray &l : lines)
        out += Crypt(l) + "\r\n";
    return out;
}

// The nine lines of an item; 46366.5 is 10 December 2026 12:00.
QByteArrayList ItemLines(const QByteArray &name, const QByteArray &last = "46366.5")
{
    return {"Name=" + name, "Url=http://" + name + ".example/", "Last=" + last, "End=46400",
            "Freq=2",       "Num=5",                            "Keys=",        "Com=",
            "ThisIsTheVeryEndOfTheItemMarker"};
}

QByteArray GroupFile(const QByteArray &group, const QByteArrayList &names)
{
    QByteArrayList lines{"Name=" + group, "Number=" + QByteArray::number(names.size() - 1)};
    for (const QByteArray &n : names)
        lines += ItemLines(n);
    return Kdf(lines);
}

// Everything an import may change, to see that nothing did.
QStringList Snapshot(const MainFixture &f)
{
    QStringList out;
    const Model &d = f.form->Data;
    for (int i = 0; i < d.Items.Count(); ++i) {
        const Rec &r = *d.Items.At(i);
        out << r.Name + '|' + r.Group;
    }
    for (int slot = 1; slot <= d.NumGroups; ++slot)
        out << d.GroupTable[size_t(slot)].GroupName;
    out << f.form->ShownGroup() << QString(f.form->Fmt.DecimalSeparator());
    return out;
}

}  // namespace

class TstExchangeMain : public QObject {
    Q_OBJECT

    // Writes `bytes` to `name` in the fixture's data folder; returns the path.
    static QString Write(MainFixture &f, const QString &name, const QByteArray &bytes)
    {
        const QString path = f.dir.filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        return path;
    }

private Q_SLOTS:
    // A group goes to a file and comes back into a new group with every
    // field (minus Keys and Comments when the user says No).
    void roundTrip_data()
    {
        QTest::addColumn<bool>("include");
        QTest::newRow("with Type and Comment") << true;
        QTest::newRow("without") << false;
    }
    void roundTrip()
    {
        QFETCH(bool, include);
        MainFixture f;
        f.AddGroup(QStringLiteral("Prizes"), 4);
        Rec *a = f.Add(QStringLiteral("Car Draw"), 9, QStringLiteral("09/12/2026 09:00"), QStringLiteral("31/12/2027"),
                       QStringLiteral(",4,"));
        a->Count = 7;
        a->Keys = QStringLiteral("{email}{tab}{enter}");
        a->Comments = QStringLiteral("first line\r\nsecond line\r\n\r\nfourth, after an empty one");
        Rec *b = f.Add(QStringLiteral("Beach Trip"), 12, QStringLiteral("01/01/2026 00:00"), QStringLiteral("02/02/2027"),
                       QStringLiteral(",2,4,"));
        b->Count = 0;
        f.Add(QStringLiteral("Elsewhere"));
        f.Add(QStringLiteral("Trashed"), 0, QStringLiteral("10/12/2026 09:00"), QStringLiteral("31/12/2027"), TrashMarker);
        f.Show(QStringLiteral("Prizes"));
        const std::vector<Rec> before{*b, *a};  // in row order

        const QString path = f.dir.filePath(QStringLiteral("prizes.kdf"));
        f.dialogs.fileAnswers.enqueue(path);
        f.dialogs.confirmAnswers.enqueue(include);
        f.form->MenuSaveGroupClick();
        QCOMPARE(f.dialogs.shown.size(), 2);
        const FakeDialogs::Shown chooser = f.dialogs.shown.at(0);
        QCOMPARE(chooser.kind, QStringLiteral("Save"));
        QCOMPARE(chooser.title, QStringLiteral("Save Kelpo Data File"));
        QCOMPARE(chooser.text, QStringLiteral("Kelpo Data File (*.kdf)"));
        QCOMPARE(chooser.value, QStringLiteral("Prizes"));
        QCOMPARE(f.dialogs.savedSuffix, QStringLiteral("kdf"));
        QCOMPARE(f.dialogs.Texts(QStringLiteral("Confirm")), QStringList{IncludeQuestion});

        // The originals go; the file comes back into a new group.
        f.form->DeleteItems({a, b});
        f.dialogs.Clear();
        f.dialogs.fileAnswers.enqueue(path);
        f.dialogs.askAnswers.enqueue(QStringLiteral("Copied"));
        f.form->MenuLoadGroupClick();
        QCOMPARE(f.dialogs.shown.at(0).kind, QStringLiteral("Open"));
        QCOMPARE(f.dialogs.shown.at(0).title, QStringLiteral("Open Kelpo Data File"));
        QCOMPARE(f.dialogs.shown.at(0).text, QStringLiteral("Kelpo Data File (*.kdf)"));
        QCOMPARE(f.dialogs.shown.at(1).title, QStringLiteral("Load Data File"));
        QCOMPARE(f.dialogs.shown.at(1).text, QStringLiteral("Add 2 new items to this Group:"));
        QCOMPARE(f.dialogs.shown.at(1).value, QStringLiteral("Prizes"));
        QCOMPARE(f.dialogs.Texts(QStringLiteral("Information")),
                 QStringList{QStringLiteral("prizes.kdf successfully imported.")});
        QVERIFY(f.dialogs.Texts(QStringLiteral("Error")).isEmpty());

        const Model &d = f.form->Data;
        QCOMPARE(d.NumGroups, 2);
        QCOMPARE(d.GroupTable[2].GroupName, QStringLiteral("Copied"));
        const QString membership = QStringLiteral(",%1,").arg(d.GroupTable[2].GroupNumber);
        QCOMPARE(f.form->ShownGroup(), QStringLiteral("Copied"));
        QCOMPARE(f.Rows(), (QStringList{"Beach Trip", "Car Draw"}));
        QCOMPARE(d.Items.Count(), 4);
        for (int k = 0; k < 2; ++k) {
            const Rec &want = before[size_t(k)];
            const Rec &got = *d.Items.At(2 + k);  // appended in file order
            QCOMPARE(got.Name, want.Name);
            QCOMPARE(got.Site, want.Site);
            QCOMPARE(got.Last, want.Last);
            QCOMPARE(got.Ends, want.Ends);
            QCOMPARE(got.Freq, want.Freq);
            QCOMPARE(got.Count, want.Count);
            QCOMPARE(got.Keys, include ? want.Keys : QString());
            QCOMPARE(got.Comments, include ? want.Comments : QString());
            QCOMPARE(got.Group, membership);
        }
        // Update ran: the quarterly item done in January is due, the annual one done.
        QVERIFY(!f.Item(QStringLiteral("Beach Trip"))->Done);
        QVERIFY(f.Item(QStringLiteral("Car Draw"))->Done);
        QCOMPARE(f.form->UndoneCount, 1);
    }

    // Cancel in the choosers ends the commands; a failed save says why and
    // leaves the old file whole.
    void cancelsAndSaveFailures()
    {
        MainFixture f;
        f.Add(QStringLiteral("One"));
        f.Show();
        const QStringList before = Snapshot(f);
        f.form->MenuSaveGroupClick();
        f.form->MenuLoadGroupClick();
        QCOMPARE(f.dialogs.shown.size(), 2);  // the two choosers only
        QCOMPARE(Snapshot(f), before);

        const QString path = Write(f, QStringLiteral("old.kdf"), "old");
        f.dialogs.Clear();
        f.dialogs.fileAnswers.enqueue(path);
        {
            const FailingDisk full(QStringLiteral("No space left on device"));
            f.form->MenuSaveGroupClick();
        }
        QCOMPARE(f.dialogs.Texts(QStringLiteral("Error")),
                 QStringList{QStringLiteral("old.kdf could not be saved.\n\nNo space left on device")});
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("old"));
    }

    // Where the items go for each answer to the group question.
    void targets_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("membership");  // after the import
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("groups");
        QTest::addColumn<QStringList>("rows");

        const QByteArray two = GroupFile("Lotteries", {"x1", "x2"});
        const QString add2 = QStringLiteral("Add 2 new items to this Group:");
        // The fixture has "Lotteries" (number 7) holding "Kept".
        QTest::newRow("new group") << two << "Fresh" << add2 << ",1," << "Fresh" << 2 << QStringList{"x1", "x2"};
        QTest::newRow("existing group, other case")
            << two << "LOTTERIES" << add2 << ",7," << "Lotteries" << 1 << QStringList{"Kept", "x1", "x2"};
        QTest::newRow("All Items") << two << "All Items" << add2 << "" << "All Items" << 1
                                   << QStringList{"Kept", "x1", "x2"};
        QTest::newRow("Trash") << two << "Trash" << add2 << "" << "Trash" << 1 << QStringList{};
        QTest::newRow("trash in other case") << two << "TRASH" << add2 << "" << "Trash" << 1 << QStringList{};
        QTest::newRow("all items in other case")
            << two << "all items" << add2 << "" << "All Items" << 1 << QStringList{"Kept", "x1", "x2"};
        QTest::newRow("empty group") << Kdf({"Name=Nothing", "Number=-1"}) << "Nothing"
                                     << "Add 0 new items to this Group:" << "" << "Nothing" << 2 << QStringList{};
        QTest::newRow("line breaks in the name") << two << "Two\r\nLines" << add2 << ",1," << "Two Lines" << 2
                                                 << QStringList{"x1", "x2"};
    }
    void targets()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, answer);
        QFETCH(QString, prompt);
        QFETCH(QString, membership);
        QFETCH(QString, shown);
        QFETCH(int, groups);
        QFETCH(QStringList, rows);
        MainFixture f;
        f.AddGroup(QStringLiteral("Lotteries"), 7);
        f.Add(QStringLiteral("Kept"), 0, QStringLiteral("10/12/2026 09:00"), QStringLiteral("31/12/2027"),
              QStringLiteral(",7,"));
        f.Show();
        const QString path = Write(f, QStringLiteral("in.kdf"), file);
        f.dialogs.askAnswers.enqueue(answer);
        f.form->LoadDataFile(path);

        QCOMPARE(f.dialogs.Texts(QStringLiteral("Ask")), QStringList{prompt});
        QCOMPARE(f.dialogs.Texts(QStringLiteral("Information")),
                 QStringList{QStringLiteral("in.kdf successfully imported.")});
        QCOMPARE(f.form->Data.NumGroups, groups);
        QCOMPARE(f.form->ShownGroup(), shown);
        QCOMPARE(f.Rows(), rows);
        for (int i = 1; i < f.form->Data.Items.Count(); ++i)
            QCOMPARE(f.form->Data.Items.At(i)->Group, membership);
        // Imported items in no group are listed under All Items.
        f.Show();
        QCOMPARE(f.Rows().size(), f.form->Data.Items.Count());
    }

    // Each name already taken (exactly, letter case counts) is asked about
    // until it is free or the item is given up; an item imported earlier
    // counts as taken for the later ones.
    void duplicateNames()
    {
        MainFixture f;
        f.Add(QStringLiteral("Alpha"));
        f.Add(QStringLiteral("Gamma"));
        f.Show();
        const QString path = Write(f, QStringLiteral("dup.kdf"), GroupFile("G", {"Alpha", "Beta", "Beta", "alpha"}));
        f.dialogs.askAnswers << QStringLiteral("All Items") << QStringLiteral("Gamma") << QStringLiteral("Alpha 2")
                             << QString();
        f.form->LoadDataFile(path);

        QStringList asked;
        for (const FakeDialogs::Shown &s : f.dialogs.shown)
            if (s.kind == QLatin1String("Ask") && s.title == QLatin1String("Duplicate Name"))
                asked << s.text + '|' + s.value;
        QCOMPARE(asked, (QStringList{"Alpha already exists. Rename to:|Alpha",
                                     "Gamma already exists. Rename to:|Gamma",
                                     "Beta already exists. Rename to:|Beta"}));
        QCOMPARE(f.Rows(), (QStringList{"Alpha", "alpha", "Alpha 2", "Beta", "Gamma"}));
        QCOMPARE(f.dialogs.Texts(QStringLiteral("Information")),
                 QStringList{QStringLiteral("dup.kdf successfully imported.")});
    }

    // The same file twice: the second time every name is asked about;
    // giving each up imports nothing and still says the file was imported.
    void secondLoadOfTheSameFile()
    {
        MainFixture f;
        f.Show();
        const QString path = Write(f, QStringLiteral("twice.kdf"), GroupFile("G", {"p", "q", "r"}));
        f.dialogs.askAnswers << QStringLiteral("G");
        f.form->LoadDataFile(path);
        const QStringList first = Snapshot(f);
        f.dialogs.Clear();
        f.dialogs.askAnswers << QStringLiteral("G") << QString() << QString() << QString();
        f.form->LoadDataFile(path);
        QCOMPARE(f.dialogs.Texts(QStringLiteral("Ask")),
                 (QStringList{"Add 3 new items to this Group:", "p already exists. Rename to:",
                              "q already exists. Rename to:", "r already exists. Rename to:"}));
        QCOMPARE(f.dialogs.Texts(QStringLiteral("Information")),
                 QStringList{QStringLiteral("twice.kdf successfully imported.")});
        QCOMPARE(Snapshot(f), first);
    }

    // Files that cannot be imported whole: what was read whole before the
    // damage is imported, and an error (never the success message) says so;
    // files with nothing to offer change nothing.
    void damagedFiles_data()
    {
        QTest::addColumn<QByteArray>("file");  // null: no such file
        QTest::addColumn<QString>("error");    // how the error box starts
        QTest::addColumn<QStringList>("added"); // empty: nothing may change

        const QString cut = QStringLiteral("bad.kdf could not be read to its end.");
        QByteArrayList lines{"Name=G", "Number=2"};
        lines += ItemLines("whole");
        QByteArrayList cutShort = lines + ItemLines("cut").mid(0, 4);
        QTest::newRow("cut short mid-item") << Kdf(cutShort) << cut << QStringList{"whole"};
        QTest::newRow("Last not a number")
            << Kdf(lines + ItemLines("bad", "yesterday") + ItemLines("after")) << cut << QStringList{"whole"};
        QTest::newRow("cut before the first item") << Kdf({"Name=G", "Number=0", "Name=cut", "Url=x"}) << cut
                                                   << QStringList{};
        QTest::newRow("header only") << QByteArray(ExchangeHeader.toUtf8() + "\r\n")
                                     << "bad.kdf could not be imported: nothing was added." << QStringList{};
        QTest::newRow("Number not a number") << Kdf({"Name=G", "Number=many"})
                                             << "bad.kdf could not be imported: nothing was added." << QStringList{};
        QTest::newRow("junk") << QByteArray("\x00\xff junk\r\nmore", 13)
                              << "bad.kdf is not a valid Kelpo data file." << QStringList{};
        QTest::newRow("empty file") << QByteArray("") << "bad.kdf is not a valid Kelpo data file."
                                    << QStringList{};
        QTest::newRow("missing file") << QByteArray() << "Cannot open file" << QStringList{};
        // Never waited on, never read into memory.
        QTest::newRow("a pipe") << QByteArray("<pipe>") << "Cannot open file" << QStringList{};
        QTest::newRow("far too large") << QByteArray("<too large>") << "Cannot open file" << QStringList{};
    }
    void damagedFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, error);
        QFETCH(QStringList, added);
        MainFixture f;
        f.Add(QStringLiteral("Mine"));
        f.Show();
        const QStringList before = Snapshot(f);
        QString path = f.dir.filePath(QStringLiteral("bad.kdf"));
        if (file == "<pipe>") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (file == "<too large>") {
            QFile large(path);  // sparse: it takes no room on the disk
            QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(ExchangeFileLimit + 1));
        } else if (!file.isNull()) {
            path = Write(f, QStringLiteral("bad.kdf"), file);
        }
        f.dialogs.askAnswers << QStringLiteral("G");
        f.form->LoadDataFile(path);

        QVERIFY(f.dialogs.Texts(QStringLiteral("Information")).isEmpty());
        const QStringList errors = f.dialogs.Texts(QStringLiteral("Error"));
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().startsWith(error), qPrintable(errors.first()));
        if (error.startsWith(QLatin1String("bad.kdf could not be read"))) {
            // The group was asked for and made before the damage showed.
            QCOMPARE(f.form->ShownGroup(), QStringLiteral("G"));
            QCOMPARE(f.Rows(), added);
            QCOMPARE(f.form->Data.Items.Count(), 1 + added.size());
        } else {
            QVERIFY(f.dialogs.Texts(QStringLiteral("Ask")).isEmpty());
            QCOMPARE(Snapshot(f), before);
        }
    }

    // Cancel in the group question changes nothing, not even the decimal
    // separator the file's values would switch to; going ahead takes it over.
    void groupQuestionCancelled()
    {
        MainFixture f;
        f.Add(QStringLiteral("Mine"));
        f.Show();
        const QStringList before = Snapshot(f);
        QCOMPARE(f.form->Fmt.DecimalSeparator(), QLatin1Char('.'));
        QByteArrayList lines{"Name=Commas", "Number=0"};
        lines += ItemLines("c", "46366,5");
        const QString path = Write(f, QStringLiteral("commas.kdf"), Kdf(lines));
        f.form->LoadDataFile(path);
        QCOMPARE(f.dialogs.shown.size(), 1);
        QCOMPARE(Snapshot(f), before);

        f.dialogs.askAnswers << QStringLiteral("Commas");
        f.form->LoadDataFile(path);
        QCOMPARE(f.form->Fmt.DecimalSeparator(), QLatin1Char(','));
        QCOMPARE(DateTimeText(f.Item(QStringLiteral("c"))->Last), QStringLiteral("10/12/2026 12:00"));
    }

    // With the group table full no new group can take the items: nothing is
    // imported and no success is reported.
    void fullGroupTable()
    {
        MainFixture f;
        for (int n = 1; n <= MaxGroups; ++n)
            f.AddGroup(QStringLiteral("g%1").arg(n), n);
        f.Show();
        const QStringList before = Snapshot(f);
        const QString path = Write(f, QStringLiteral("full.kdf"), GroupFile("One More", {"x"}));
        f.dialogs.askAnswers << QStringLiteral("One More");
        f.form->LoadDataFile(path);
        QCOMPARE(f.dialogs.Texts(QStringLiteral("Error")).size(), 1);
        QVERIFY(f.dialogs.Texts(QStringLiteral("Information")).isEmpty());
        QCOMPARE(Snapshot(f), before);
    }
};

QTEST_MAIN(TstExchangeMain)
#include "tst_exchange_main.moc"
