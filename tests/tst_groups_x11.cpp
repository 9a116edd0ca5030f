// A new user's first session with the real program in a real X server,
// driven from the keyboard: items and groups are made, items move between
// groups, to the Trash and back, one is found by its name; after a restart
// everything is as it was.
#include <QtTest>

#include "support/KelpoX11.h"

using namespace kelpo_x11;

namespace {

// Name -> membership text of every item in a main data file, and its group lines.
QMap<QString, QString> Items(const QString &path, QStringList *groups)
{
    QFile f(path);
    QMap<QString, QString> out;
    if (!f.open(QIODevice::ReadOnly))
        return out;
    QString name;
    for (const QString &raw : QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"))) {
        if (raw.startsWith(QLatin1String("GroupName")) || raw.startsWith(QLatin1String("GroupNumber")))
            groups->append(raw);
        else if (raw.startsWith(QLatin1String("Name: ")))
            name = raw.mid(6);
        else if (raw.startsWith(QLatin1String("Group: ")))
            out.insert(name, raw.mid(7));
    }
    return out;
}

}  // namespace

class TstGroupsX11 : public QObject {
    Q_OBJECT

private:
    Session session_;
    QString Start(QProcess &p) { return session_.Start(p, KELPO_EXE); }
    static void Close(QProcess &p, const QString &wid) { Session::Close(p, wid); }

private Q_SLOTS:
    void initTestCase() { session_.Init(); }

    void firstSessionAndRestart()
    {
        QProcess p;
        const QString wid = Start(p);
        QVERIFY2(!wid.isEmpty(), "no main window");

        // Three items (the list has the focus after each).
        for (const char *name : {"Big Lotto", "Car Raffle", "Daily Quiz"}) {
            Keys(wid, {"ctrl+n"});
            QVERIFY2(Answer("Add new entry", name), name);
        }
        // Two groups, from the group box's menu.
        Keys(wid, {"shift+Tab"});
        for (const char *name : {"Lotteries", "Cars"}) {
            Keys(wid, {"Menu", "Down", "Return"});
            QVERIFY2(Answer("Add New Group", name), name);
        }
        // The first two items join Lotteries ("Groups": Remove, Move to
        // Trash, Lotteries, Cars).
        Keys(wid, {"Tab", "Home", "shift+Down", "Menu", "Down", "Right", "Down", "Down", "Return"});
        // Show Lotteries (group box: All Items, Cars, Lotteries, Trash) and
        // move Car Raffle on to Cars.
        Keys(wid, {"shift+Tab", "Down", "Down", "Tab", "End", "Menu", "Down", "Right", "Down", "Down", "Down",
                   "Return"});
        // Big Lotto, the row left, goes to the Trash...
        Keys(wid, {"Home", "Menu", "Down", "Right", "Down", "Return"});
        QVERIFY(Answer("Confirm"));
        // ...and back from the Trash into Lotteries.
        Keys(wid, {"shift+Tab", "Down", "Tab", "Home", "Menu", "Down", "Right", "Down", "Down", "Return"});
        // Under All Items, find the quiz and rename it: the rename shows what was found.
        Keys(wid, {"shift+Tab", "Home", "Tab", "F3"});
        QVERIFY(Answer("Find Item", "quiz"));
        Keys(wid, {"ctrl+r"});
        QVERIFY(Answer("Rename entry", "Daily Quiz found"));
        // The found item goes to the Trash to stay.
        Keys(wid, {"Menu", "Down", "Right", "Down", "Return"});
        QVERIFY(Answer("Confirm"));
        Close(p, wid);

        const QMap<QString, QString> want{
            {"Big Lotto", ",1,"}, {"Car Raffle", ",2,"}, {"Daily Quiz found", ",-1,"}};
        const QStringList wantGroups{"GroupName1=Lotteries", "GroupNumber1=1", "GroupName2=Cars", "GroupNumber2=2"};
        QStringList groups;
        QCOMPARE(Items(session_.dataDir + "Kelpo.dat", &groups), want);
        QCOMPARE(groups, wantGroups);

        // A restart loads it all and keeps it as it was.
        QProcess again;
        const QString wid2 = Start(again);
        QVERIFY2(!wid2.isEmpty(), "no main window after the restart");
        Close(again, wid2);
        groups.clear();
        QCOMPARE(Items(session_.dataDir + "Kelpo.dat", &groups), want);
        QCOMPARE(groups, wantGroups);
    }
};

QTEST_GUILESS_MAIN(TstGroupsX11)
#include "tst_groups_x11.moc"
