// Working through the due items: Done, Mark as Undone, Next, Update and
// Reset Entry Counters.
#include <QtTest>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "support/MainFixture.h"

using namespace kelpo;

namespace {

const QString AllDone = QStringLiteral("All items have been completed.");
const QString Now = QStringLiteral("10/12/2026 12:00");  // the fixture's clock

// One row per letter, named "r0", "r1", ...: 'u' due, 'd' done.
void AddRows(MainFixture &f, const QString &states)
{
    for (int i = 0; i < states.size(); ++i)
        f.Add(QStringLiteral("r%1").arg(i), 0, Now, QStringLiteral("31/12/2027"), QString(),
              states[i] == QLatin1Char('d'));
}

}  // namespace

class TstCompletion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void done();
    void markUndone_data();
    void markUndone();
    void next_data();
    void next();
    void update_data();
    void update();
    void updateWhileItemsAreRemoved();
    void resetEntryCounters_data();
    void resetEntryCounters();
    void shortcutsAndRightButton();
};

void TstCompletion::done()
{
    MainFixture f;
    f.Add("a", 0, QStringLiteral("01/12/2026 08:00"), QStringLiteral("31/12/2027"), QString(), false)->Count = 2;
    f.Add("b", 0, QStringLiteral("01/12/2026 08:00"), QStringLiteral("31/12/2027"), QString(), true);
    f.Add("c", 0, QStringLiteral("01/12/2026 08:00"), QStringLiteral("31/12/2027"), QString(), false)->Count =
        INT_MAX;
    f.Add("d", 0, QStringLiteral("01/12/2026 08:00"), QStringLiteral("31/12/2027"), QString(), false);
    f.Show();
    TMainForm &m = *f.form;
    QCOMPARE(m.Label1->text(), QStringLiteral("Items: (3/4)"));

    // No selected row: nothing changes, but the label and editors are redone.
    f.Select({}, 0);
    m.Label1->setText(QStringLiteral("stale"));
    m.Last->blockSignals(true);
    m.Last->setText(QStringLiteral("stale"));
    m.Last->blockSignals(false);
    m.DoneButClick();
    QCOMPARE(m.Label1->text(), QStringLiteral("Items: (3/4)"));
    QCOMPARE(m.Last->text(), QStringLiteral("01/12/2026 08:00"));
    QVERIFY(!f.Item("a")->Done);

    // Three rows, two of them due: all done, counted, stamped now.
    f.Select({0, 1, 2}, 1);
    m.DoneButClick();
    for (const char *name : {"a", "b", "c"}) {
        QVERIFY(f.Item(name)->Done);
        QCOMPARE(DateTimeText(f.Item(name)->Last), Now);
    }
    QCOMPARE(f.Item("a")->Count, 3);
    QCOMPARE(f.Item("b")->Count, 1);
    QCOMPARE(f.Item("c")->Count, INT_MAX);  // the counter never wraps to negative
    QVERIFY(!f.Item("d")->Done);
    QCOMPARE(DateTimeText(f.Item("d")->Last), QStringLiteral("01/12/2026 08:00"));
    QCOMPARE(m.UndoneCount, 1);
    QCOMPARE(m.Label1->text(), QStringLiteral("Items: (1/4)"));
    QCOMPARE(f.Selected(), QList<int>({0, 1, 2}));  // the selection stays
    QCOMPARE(m.Last->text(), Now);  // the focused row is reloaded
    QCOMPARE(m.RowGlyph(*f.Item("a")), Glyph::CheckGrn);
}

void TstCompletion::markUndone_data()
{
    QTest::addColumn<int>("freq");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("last");
    QTest::addColumn<int>("countAfter");
    QTest::newRow("Weekly, counter 0 stays") << 1 << 0 << "03/12/2026 12:00" << 0;
    QTest::newRow("Monthly") << 0 << 5 << "09/11/2026 12:00" << 4;
    QTest::newRow("Hourly: yesterday") << 3 << 1 << "09/12/2026 12:00" << 0;
    QTest::newRow("Every 15 Minutes: yesterday") << 8 << 1 << "09/12/2026 12:00" << 0;
    QTest::newRow("Annually") << 9 << 1 << "10/12/2025 12:00" << 0;
    QTest::newRow("Once: today") << 4 << 0 << "10/12/2026 12:00" << 0;
    QTest::newRow("kind from a damaged file: today") << 13 << -3 << "10/12/2026 12:00" << -3;
}

void TstCompletion::markUndone()
{
    QFETCH(int, freq);
    QFETCH(int, count);
    QFETCH(QString, last);
    QFETCH(int, countAfter);
    MainFixture f;
    Rec *rec = f.Add("item", freq, QStringLiteral("10/12/2026 11:00"), QStringLiteral("31/12/2027"), QString(), true);
    rec->Count = count;
    f.Add("other", 0, Now, QStringLiteral("31/12/2027"), QString(), true);
    f.Show();
    TMainForm &m = *f.form;
    f.Select({0}, 0);
    m.MenuMarkUnDoneClick();
    QVERIFY(!rec->Done);
    QCOMPARE(DateTimeText(rec->Last), last);
    QCOMPARE(rec->Count, countAfter);
    QCOMPARE(m.UndoneCount, 1);
    QCOMPARE(m.Label1->text(), QStringLiteral("Items: (1/2)"));
    QVERIFY(f.Item("other")->Done);
    // Undone twice counts once more: the item was already due.
    m.MenuMarkUnDoneClick();
    QCOMPARE(m.UndoneCount, 1);
    // The next due test agrees, except for a "Once" item already counted.
    m.MenuUpdateClick();
    QCOMPARE(rec->Done, (freq == 4 || freq == 13) && rec->Count > 0);
}

void TstCompletion::next_data()
{
    QTest::addColumn<QString>("states");
    QTest::addColumn<int>("focused");
    QTest::addColumn<int>("selected");
    QTest::addColumn<bool>("message");
    QTest::newRow("next due after the focused row") << "dudu" << 1 << 3 << false;
    QTest::newRow("wraps to the first row") << "uddd" << 2 << 0 << false;
    QTest::newRow("from the last row") << "uddu" << 3 << 0 << false;
    QTest::newRow("only the focused row is due") << "dudd" << 1 << 1 << false;
    QTest::newRow("nothing due") << "dddd" << 2 << 2 << true;
    QTest::newRow("single row, done") << "d" << 0 << 0 << true;
    QTest::newRow("no focused row") << "ddud" << -1 << 2 << false;
    QTest::newRow("no focused row, nothing due") << "ddd" << -1 << 0 << true;
    QTest::newRow("empty list") << "" << -1 << -1 << false;
}

void TstCompletion::next()
{
    QFETCH(QString, states);
    QFETCH(int, focused);
    QFETCH(int, selected);
    QFETCH(bool, message);
    MainFixture f;
    AddRows(f, states);
    f.Show();
    f.Select({0, focused}, focused);
    f.form->NextButClick();
    QCOMPARE(f.dialogs.Texts("Information"), message ? QStringList{AllDone} : QStringList());
    QCOMPARE(f.form->FocusedRow(), selected);
    if (selected >= 0) {
        QCOMPARE(f.Selected(), QList<int>{selected});
        QCOMPARE(f.form->Url->text(), QStringLiteral("http://r%1.example").arg(selected));
    }
    for (int i = 0; i < states.size(); ++i)  // no item changes
        QCOMPARE(f.Item(QStringLiteral("r%1").arg(i))->Done, states[i] == QLatin1Char('d'));
}

void TstCompletion::update_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("label");
    QTest::newRow("all items") << "All Items" << "Items: (2/4)";
    QTest::newRow("group") << "Fun" << "Items: (1/2)";
    QTest::newRow("trash") << "Trash" << "Items: (1/2)";
}

// Every item gets its due state; the count is that of the shown group.
void TstCompletion::update()
{
    QFETCH(QString, group);
    QFETCH(QString, label);
    MainFixture f;
    f.AddGroup(QStringLiteral("Fun"), 4);
    const QString due = QStringLiteral("01/12/2026 10:00");
    const QString ends = QStringLiteral("31/12/2027");
    f.Add("fun due", 2, due, ends, QStringLiteral(",4,"), true);
    f.Add("fun done", 2, Now, ends, QStringLiteral(",4,"), false);
    f.Add("plain due", 0, QStringLiteral("01/11/2026 10:00"), ends, QString(), true);
    f.Add("ended", 2, due, QStringLiteral("09/12/2026"), QStringLiteral(","), false);
    f.Add("trash due", 1, due, ends, TrashMarker, true);
    f.Add("trash done", 1, Now, ends, TrashMarker, false);
    f.Show(group);
    f.Select({0}, 0);
    const QString shownLast = f.form->Last->text();
    f.form->MenuUpdateClick();
    QCOMPARE(f.form->Label1->text(), label);
    for (const char *name : {"fun due", "plain due", "trash due"})
        QVERIFY2(!f.Item(name)->Done, name);
    for (const char *name : {"fun done", "ended", "trash done"})
        QVERIFY2(f.Item(name)->Done, name);
    QCOMPARE(MainFixture::LastText(f.Item("fun due")), due);  // Update changes no date and no counter
    QCOMPARE(f.Selected(), QList<int>{0});
    QCOMPARE(f.form->Last->text(), shownLast);
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(f.dialogs.shown.size(), 0);
}

// Window events run between the items of an Update: a command that removes
// items then must not make Update read past the end or touch a removed
// record, and a second Update asked for meanwhile must not spoil the count.
void TstCompletion::updateWhileItemsAreRemoved()
{
    MainFixture f;
    AddRows(f, QStringLiteral("dddddddddd"));
    for (int i = 0; i < 10; ++i)
        f.Item(QStringLiteral("r%1").arg(i))->Last = Day(QStringLiteral("01/11/2026 10:00"));  // due
    f.Show();
    TMainForm &m = *f.form;
    m.UpdateEventsEveryMs = 0;
    int ticks = 0;
    QTimer remover;
    remover.setInterval(0);
    QObject::connect(&remover, &QTimer::timeout, [&] {
        ++ticks;
        if (ticks == 1) {
            m.MenuUpdateClick();  // asked for again while running
        } else if (ticks == 2) {
            // Delete the last six items, their rows first.
            for (int i = 4; i < 10; ++i) {
                Rec *rec = f.Item(QStringLiteral("r%1").arg(i));
                m.EntriesList->RemoveRow(m.EntriesList->RowOf(rec));
                m.Data.Items.RemoveAt(m.Data.Items.IndexOf(rec));
            }
        }
    });
    remover.start();
    m.MenuUpdateClick();
    remover.stop();
    QVERIFY(ticks >= 2);
    QCOMPARE(m.Data.Items.Count(), 4);
    QCOMPARE(m.UndoneCount, 4);
    QCOMPARE(m.Label1->text(), QStringLiteral("Items: (4/4)"));
    QVERIFY(!QApplication::overrideCursor());
}

void TstCompletion::resetEntryCounters_data()
{
    QTest::addColumn<bool>("yes");
    QTest::addColumn<int>("focused");
    QTest::newRow("No") << false << 1;
    QTest::newRow("Yes") << true << 1;
    QTest::newRow("Yes, no focused row") << true << -1;
}

void TstCompletion::resetEntryCounters()
{
    QFETCH(bool, yes);
    QFETCH(int, focused);
    MainFixture f;
    f.AddGroup(QStringLiteral("My \"Best\" Group"), 1);
    Rec *once = f.Add("a once", 4, Now, QStringLiteral("31/12/2027"), QStringLiteral(",1,"), true);
    f.Add("b", 0, Now, QStringLiteral("31/12/2027"), QStringLiteral(",1,"), false);
    f.Add("c", 0, Now, QStringLiteral("31/12/2027"), QString(), true);
    f.Add("trashed", 0, Now, QStringLiteral("31/12/2027"), TrashMarker, true);
    for (const char *name : {"a once", "b", "c", "trashed"})
        f.Item(name)->Count = 7;
    f.Show(QStringLiteral("My \"Best\" Group"));
    f.Select({0, 1}, focused);
    f.dialogs.confirmAnswers.enqueue(yes);
    f.form->MenuResetEntryCountersClick();
    QCOMPARE(f.dialogs.Texts("Confirm"),
             QStringList{"This will reset all the entry counters in the \"My \"Best\" Group\" group to zero.\n\n"
                         "Are you sure you want to continue?"});
    QCOMPARE(f.Item("a once")->Count, yes ? 0 : 7);
    QCOMPARE(f.Item("b")->Count, yes ? 0 : 7);
    QCOMPARE(f.Item("c")->Count, 7);
    QCOMPARE(f.Item("trashed")->Count, 7);
    QVERIFY(once->Done);  // not recomputed
    QCOMPARE(f.form->UndoneCount, 1);
    if (yes) {
        QCOMPARE(f.Selected(), QList<int>{focused >= 0 ? focused : 0});
        QCOMPARE(f.form->NumEntries->text(), QStringLiteral("0"));
    } else {
        QCOMPARE(f.Selected(), QList<int>({0, 1}));
    }
}

void TstCompletion::shortcutsAndRightButton()
{
    MainFixture f;
    AddRows(f, QStringLiteral("uduu"));
    f.Show();
    TMainForm &m = *f.form;
    m.show();
    QVERIFY(QTest::qWaitForWindowActive(&m));
    m.SelectOneItem(0);
    QTest::keyClick(m.Entries, Qt::Key_M, Qt::ControlModifier);  // Mark as Done
    QVERIFY(f.Item("r0")->Done);
    QTest::keyClick(m.Entries, Qt::Key_A, Qt::ControlModifier);  // Next Undone
    QCOMPARE(m.FocusedRow(), 2);
    QTest::keyClick(m.Entries, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(m.FocusedRow(), 3);
    QTest::keyClick(m.Entries, Qt::Key_L, Qt::ControlModifier);  // Mark as Undone on a due row
    QCOMPARE(DateTimeText(f.Item("r3")->Last), QStringLiteral("09/11/2026 12:00"));
    m.SelectOneItem(0);
    // The right button's press on Done is Mark as Undone; its click is nothing.
    QTest::mousePress(m.DoneBut, Qt::RightButton);
    QVERIFY(!f.Item("r0")->Done);
    QTest::mouseRelease(m.DoneBut, Qt::RightButton);
    QVERIFY(!f.Item("r0")->Done);
    QTest::mouseClick(m.DoneBut, Qt::LeftButton);
    QVERIFY(f.Item("r0")->Done);
    QTest::keyClick(m.Entries, Qt::Key_U, Qt::ControlModifier);  // Update
    QVERIFY(f.Item("r0")->Done);
    QVERIFY(f.Item("r2")->Done);
    QVERIFY(!f.Item("r3")->Done);
    QCOMPARE(m.Label1->text(), QStringLiteral("Items: (1/4)"));
}

QTEST_MAIN(TstCompletion)
#include "tst_completion.moc"
