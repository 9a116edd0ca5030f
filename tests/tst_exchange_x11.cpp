// A user passes a group through an exchange file with the real program in a
// real X server: the group is saved to a file, its items are deleted, and the
// file is loaded back into a new group; after the program closes, every
// field of every item is back. Set KELPO_SCREENSHOT to a file name to keep a
// picture of the screen after the import.
#include <QtTest>

#include "AtomicFile.h"
#include "DataFile.h"
#include "Formats.h"
#include "Model.h"
#include "support/DayText.h"
#include "support/KelpoX11.h"

using namespace kelpo;
using namespace kelpo_x11;

namespace {

const Formats Dates = Formats::Make(QStringLiteral("dd/MM/yyyy"), QStringLiteral("HH:mm"), QLatin1Char('.'), 2026);

std::unique_ptr<Rec> Item(const QString &name, const QString &group, int freq, int count, const QString &last,
                          const QString &ends, const QString &keys, const QString &comments)
{
    auto r = std::make_unique<Rec>();
    r->Name = name;
    r->Site = QStringLiteral("https://") + name.toLower().remove(' ') + QStringLiteral(".example/enter?x=1&y=2");
    r->Group = group;
    r->Freq = freq;
    r->Count = count;
    r->Last = Day(last);
    r->Ends = Day(ends);
    r->Keys = keys;
    r->Comments = comments;
    return r;
}

// Everything of an item but its groups, as one text.
QString Fields(const Rec &r)
{
    return QStringList{r.Name, r.Site, DateTimeText(r.Last), DateText(r.Ends), QString::number(r.Freq), QString::number(r.Count), r.Keys,
                       r.Comments}
        .join(QLatin1Char('|'));
}

}  // namespace

class TstExchangeX11 : public QObject {
    Q_OBJECT

    Session session_;
    Model start_;

private Q_SLOTS:
    void initTestCase()
    {
        session_.Init();
        // A group of two items with every field filled, and one item outside it.
        start_.NumGroups = 1;
        start_.GroupTable[1] = {QStringLiteral("Prizes"), 1};
        start_.Items.Append(Item(QStringLiteral("Beach Holiday"), QStringLiteral(",1,"), 6, 12,
                                 QStringLiteral("08/12/2026 09:00"), QStringLiteral("31/03/2027"),
                                 QStringLiteral("{email}{tab}{first name}{enter}"),
                                 QStringLiteral("Daily draw.\r\nAnswer: blue\r\n\r\nWinner told by mail.")));
        start_.Items.Append(Item(QStringLiteral("Car Raffle"), QStringLiteral(",1,"), 4, 0,
                                 QStringLiteral("01/12/2026 00:00"), QStringLiteral("01/01/2027"), QString(),
                                 QStringLiteral("One line only")));
        start_.Items.Append(Item(QStringLiteral("Other Site"), QString(), 2, 3, QStringLiteral("09/12/2026 18:00"),
                                 QStringLiteral("30/06/2027"), QString(), QString()));
        QByteArray text;
        QVERIFY(BuildDataText(start_, Dates, &text));
        QString why;
        QVERIFY2(WriteFileAtomic(session_.dataDir + "Kelpo.dat", text, &why), qPrintable(why));
    }

    void saveDeleteAndLoadBack()
    {
        const QString kdf = session_.tmp.filePath("home/prizes.kdf");
        QProcess p;
        const QString wid = session_.Start(p, KELPO_EXE);
        QVERIFY2(!wid.isEmpty(), "no main window");

        // Show Prizes (group box: All Items, Prizes, Trash) and save it from
        // the group box's menu (Add, Rename, Delete, Save, Load, ...).
        Keys(wid, {"shift+Tab", "Down", "Menu", "Down", "Down", "Down", "Down", "Return"});
        QVERIFY(Answer("Save Kelpo Data File", kdf, "ctrl+a"));
        QVERIFY(Answer("Confirm", QString(), QString(), "y"));  // Type and Comment included
        QVERIFY2(QFileInfo(kdf).size() > 0, "no exchange file was written");

        // Both items of the group are deleted (each asks first).
        Keys(wid, {"Tab", "Home", "shift+End", "ctrl+d"});
        for (int k = 0; k < 2; ++k)
            QVERIFY(Answer("Information", QString(), QString(), "y"));

        // The file comes back into a new group.
        Keys(wid, {"shift+Tab", "Menu", "Down", "Down", "Down", "Down", "Down", "Return"});
        QVERIFY(Answer("Open Kelpo Data File", kdf, "ctrl+a"));
        QVERIFY(Answer("Load Data File", "Restored", "ctrl+a"));
        const QString done = WaitForWindow("Information");
        QVERIFY2(!done.isEmpty(), "no message after the import");
        QVERIFY(Answer("Information"));
        QTest::qWait(300);
        const QString shot = qEnvironmentVariable("KELPO_SCREENSHOT");
        if (!shot.isEmpty())
            Run("import", {"-window", "root", shot});
        Session::Close(p, wid);

        Model end;
        Formats formats = Dates;
        QVERIFY(LoadMainData(session_.dataDir + "Kelpo.dat", end, formats, 0).opened);
        QCOMPARE(end.NumGroups, 2);
        QCOMPARE(end.GroupTable[1].GroupName, QStringLiteral("Prizes"));
        QCOMPARE(end.GroupTable[2].GroupName, QStringLiteral("Restored"));
        const QString restored = QStringLiteral(",%1,").arg(end.GroupTable[2].GroupNumber);
        QCOMPARE(end.Items.Count(), 3);
        QCOMPARE(Fields(*end.Items.At(0)), Fields(*start_.Items.At(2)));
        QCOMPARE(end.Items.At(0)->Group, QString());
        // Imported in the list's order, which is by name.
        for (int k = 0; k < 2; ++k) {
            QCOMPARE(Fields(*end.Items.At(1 + k)), Fields(*start_.Items.At(k)));
            QCOMPARE(end.Items.At(1 + k)->Group, restored);
        }
    }
};

QTEST_GUILESS_MAIN(TstExchangeX11)
#include "tst_exchange_x11.moc"
