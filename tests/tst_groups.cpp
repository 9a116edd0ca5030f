// Groups: numbers and slots, add, rename and delete, join, remove and the
// Trash, with the group box, the "Groups" submenu and the table kept in step.
#include <QtTest>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "support/MainFixture.h"

using namespace kelpo;

namespace {

const QString TrashQuestion = QStringLiteral(
    "Moving an item to the Trash will remove it from the All Items group and all other groups.\n"
    "You will still be able to use the item from the Trash or later move it back to another group.\n\n"
    "Are you sure you want to do this?");

QString FixedName(const QString &name)
{
    return QStringLiteral("Kelpo already has a \"%1\" group of its own.\nPlease choose another name for the group.")
        .arg(name);
}

// The table, the group box and the submenu tell the same story: one row and
// one entry per used slot, unique positive numbers, empty slots after the
// used ones, and every row of the group box leads to its own group.
void CheckGroupsInStep(MainFixture &f)
{
    TMainForm &m = *f.form;
    const Model &d = m.Data;
    QCOMPARE(m.GroupList->count(), d.NumGroups + 2);
    const QList<QAction *> entries = m.MenuGroups->actions();
    QCOMPARE(entries.size(), d.NumGroups + 2);
    QCOMPARE(entries.at(0), m.MenuRemove);
    QCOMPARE(entries.at(1), m.MenuTrash);
    QSet<int> numbers;
    for (int slot = 1; slot <= d.NumGroups; ++slot) {
        const GroupData &g = d.GroupTable[size_t(slot)];
        QVERIFY(g.GroupNumber >= 1);
        QVERIFY(!numbers.contains(g.GroupNumber));
        numbers.insert(g.GroupNumber);
        const QAction *entry = m.GroupMenuEntry(slot);
        QVERIFY(entry && entries.contains(entry));
        QCOMPARE(entry->data().toString(), g.GroupName);
    }
    for (int slot = d.NumGroups + 1; slot <= MaxGroups; ++slot)
        QVERIFY(d.GroupTable[size_t(slot)].GroupName.isEmpty() && d.GroupTable[size_t(slot)].GroupNumber == 0);
    const int shown = m.GroupList->currentIndex();
    QSet<int> shownSlots;
    for (int row = 0; row < m.GroupList->count(); ++row) {
        m.GroupList->setCurrentIndex(row);
        const int slot = m.ShownSlot();
        const QString text = m.GroupList->itemText(row);
        QCOMPARE(text, slot > 0 ? d.GroupTable[size_t(slot)].GroupName : slot == 0 ? "All Items" : "Trash");
        shownSlots.insert(slot);
    }
    QCOMPARE(shownSlots.size(), d.NumGroups + 2);
    m.GroupList->setCurrentIndex(shown);
}

// The item-count label counts the due items among the rows.
QString ExpectedLabel(const MainFixture &f)
{
    int due = 0;
    for (int row = 0; row < f.form->EntriesList->Count(); ++row)
        due += !f.form->EntriesList->RecAt(row)->Done;
    return QStringLiteral("Items: (%1/%2)").arg(due).arg(f.form->EntriesList->Count());
}

QList<int> Numbers(const Model &d)
{
    QList<int> out;
    for (int slot = 1; slot <= d.NumGroups; ++slot)
        out.append(d.GroupTable[size_t(slot)].GroupNumber);
    return out;
}

QAction *Entry(TMainForm &m, const QString &caption)
{
    if (caption == QLatin1String("Remove"))
        return m.MenuRemove;
    for (QAction *a : m.MenuGroups->actions())
        if (a != m.MenuRemove && a->data().toString() == caption)
            return a;
    return nullptr;
}

}  // namespace

class TstGroups : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void numbersAndSlots_data();
    void numbersAndSlots();
    void fullTable();
    void addGroup_data();
    void addGroup();
    void renameGroup_data();
    void renameGroup();
    void deleteGroup_data();
    void deleteGroup();
    void joinAndRemove_data();
    void joinAndRemove();
    void moveToTrash_data();
    void moveToTrash();
    void manyScatteredRows();
};

void TstGroups::numbersAndSlots_data()
{
    QTest::addColumn<QList<int>>("numbers");  // in slot order
    QTest::addColumn<int>("deleted");         // the number of the group deleted first; 0: none
    QTest::addColumn<QList<int>>("after");    // numbers in slot order after adding one
    QTest::newRow("first group") << QList<int>{} << 0 << QList<int>{1};
    QTest::newRow("free number before the used ones") << QList<int>{2, 3} << 0 << QList<int>{2, 3, 1};
    QTest::newRow("numbers out of order") << QList<int>{5, 1, 2} << 0 << QList<int>{5, 1, 2, 3};
    QTest::newRow("deleted number is used again") << QList<int>{1, 2, 3} << 2 << QList<int>{1, 3, 2};
    QTest::newRow("first slot deleted") << QList<int>{1, 2, 3} << 1 << QList<int>{2, 3, 1};
}

// A new group takes the smallest free number and the slot after the used
// ones; slots are packed after a delete. The shown group stays.
void TstGroups::numbersAndSlots()
{
    QFETCH(QList<int>, numbers);
    QFETCH(int, deleted);
    QFETCH(QList<int>, after);
    MainFixture f;
    for (int n : numbers)
        f.AddGroup(QStringLiteral("g%1").arg(n), n);
    f.Show();
    TMainForm &m = *f.form;
    if (deleted) {
        f.Show(QStringLiteral("g%1").arg(deleted));
        f.dialogs.confirmAnswers.enqueue(true);
        m.MenuDeleteGroupClick();
        QCOMPARE(m.ShownGroup(), QStringLiteral("All Items"));
    }
    const QString shown = numbers.isEmpty() ? QStringLiteral("Trash") : QStringLiteral("g%1").arg(after.first());
    f.Show(shown);
    f.dialogs.Clear();
    f.dialogs.askAnswers.enqueue(QStringLiteral("new"));
    m.MenuAddNewGroupClick();
    QCOMPARE(f.dialogs.shown.size(), 1);
    QCOMPARE(f.dialogs.shown.at(0).title, QStringLiteral("Add New Group"));
    QCOMPARE(f.dialogs.shown.at(0).text, QStringLiteral("What would you like to call the new Group?"));
    QCOMPARE(f.dialogs.shown.at(0).value, QString());
    QCOMPARE(Numbers(m.Data), after);
    QCOMPARE(m.Data.GroupTable[size_t(m.Data.NumGroups)].GroupName, QStringLiteral("new"));
    QCOMPARE(m.ShownGroup(), shown);
    // The new entry comes last in the submenu.
    QCOMPARE(m.MenuGroups->actions().constLast()->text(), QStringLiteral("new"));
    CheckGroupsInStep(f);
}

// The table holds 150 groups; the 151st is refused before a name is asked
// for, and CreateNewGroup (which the import uses) refuses it as well.
void TstGroups::fullTable()
{
    MainFixture f;
    f.Show();
    TMainForm &m = *f.form;
    for (int i = 1; i <= MaxGroups; ++i)
        QCOMPARE(m.CreateNewGroup(QStringLiteral("g%1").arg(i)), i);
    QCOMPARE(m.Data.GroupTable[size_t(MaxGroups)].GroupNumber, MaxGroups);
    const QString full = QStringLiteral(
        "Kelpo can hold no more than 150 groups.\nPlease delete a group you no longer need before adding a new one.");
    m.MenuAddNewGroupClick();
    QCOMPARE(f.dialogs.Texts("Error"), QStringList{full});
    QVERIFY(f.dialogs.Texts("AskBoxed").isEmpty());
    QCOMPARE(m.CreateNewGroup(QStringLiteral("one more")), 0);
    QCOMPARE(f.dialogs.Texts("Error"), (QStringList{full, full}));
    QCOMPARE(m.Data.NumGroups, MaxGroups);
    CheckGroupsInStep(f);

    // Room again after a delete.
    f.Show(QStringLiteral("g7"));
    f.dialogs.confirmAnswers.enqueue(true);
    m.MenuDeleteGroupClick();
    f.dialogs.askAnswers.enqueue(QStringLiteral("again"));
    m.MenuAddNewGroupClick();
    QCOMPARE(m.Data.NumGroups, MaxGroups);
    QCOMPARE(m.Data.GroupTable[size_t(MaxGroups)].GroupNumber, 7);
    CheckGroupsInStep(f);
}

void TstGroups::addGroup_data()
{
    QTest::addColumn<QString>("answer");  // null: Cancel
    QTest::addColumn<QString>("error");   // empty: added (when the answer is not empty)
    QTest::newRow("new name") << "Music" << "";
    QTest::newRow("taken, other case") << "FUN" << "The FUN group already exists.";
    QTest::newRow("the Trash") << "Trash" << FixedName("Trash");
    QTest::newRow("the Trash, other case") << "tRASH" << FixedName("Trash");
    QTest::newRow("All Items, other case") << "ALL ITEMS" << FixedName("All Items");
    QTest::newRow("Trash with an accent is a name") << QString::fromUtf8("Träsh") << "";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("cancel") << QString() << "";
}

void TstGroups::addGroup()
{
    QFETCH(QString, answer);
    QFETCH(QString, error);
    MainFixture f;
    f.AddGroup(QStringLiteral("Fun"), 1);
    f.Show();
    f.dialogs.askAnswers.enqueue(answer);
    f.form->MenuAddNewGroupClick();
    QCOMPARE(f.dialogs.Texts("Error"), error.isEmpty() ? QStringList() : QStringList{error});
    const bool added = error.isEmpty() && !answer.isEmpty();
    QCOMPARE(f.form->Data.NumGroups, added ? 2 : 1);
    if (added)
        QCOMPARE(f.form->Data.FindGroup(answer), 2);
    QCOMPARE(f.form->ShownGroup(), QStringLiteral("All Items"));
    CheckGroupsInStep(f);
}

void TstGroups::renameGroup_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("answer");  // null: Cancel
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("name");    // the shown group's name afterwards
    QTest::newRow("renamed") << "Fun" << "Zoo & Co" << "" << "Zoo & Co";
    QTest::newRow("a group that sorts before All Items") << "123" << "Numbers" << "" << "Numbers";
    QTest::newRow("letter case only") << "Fun" << "FUN" << "The FUN group already exists." << "Fun";
    QTest::newRow("another group's name") << "Fun" << "games" << "The games group already exists." << "Fun";
    QTest::newRow("the Trash") << "Fun" << "trash" << FixedName("Trash") << "Fun";
    QTest::newRow("same name") << "Fun" << "Fun" << "" << "Fun";
    QTest::newRow("empty") << "Fun" << "" << "" << "Fun";
    QTest::newRow("cancel") << "Fun" << QString() << "" << "Fun";
    QTest::newRow("All Items shown") << "All Items" << "x" << "You can not rename the All Items group."
                                     << "All Items";
    QTest::newRow("Trash shown") << "Trash" << "x" << "You can not rename the Trash group." << "Trash";
}

// The shown group gets the new name in the table, in its group box row (which
// keeps its place and stays shown) and in its submenu entry; its number and
// the memberships stay.
void TstGroups::renameGroup()
{
    QFETCH(QString, shown);
    QFETCH(QString, answer);
    QFETCH(QString, error);
    QFETCH(QString, name);
    MainFixture f;
    f.AddGroup(QStringLiteral("Fun"), 4);
    f.AddGroup(QStringLiteral("Games"), 2);
    f.AddGroup(QStringLiteral("123"), 9);
    f.Add("a", 0, {}, {}, QStringLiteral(",4,2,9,"));
    f.Add("t", 0, {}, {}, TrashMarker);
    f.Show(shown);
    TMainForm &m = *f.form;
    const int row = m.GroupList->currentIndex();
    const int slot = m.ShownSlot();
    f.dialogs.askAnswers.enqueue(answer);
    m.MenuRenameGroupClick();
    QCOMPARE(f.dialogs.Texts("Error"), error.isEmpty() ? QStringList() : QStringList{error});
    if (slot > 0) {
        QCOMPARE(f.dialogs.Texts("AskBoxed"), QStringList{"What would you like to rename \"" + shown + "\" to?"});
        QCOMPARE(f.dialogs.shown.at(0).title, QStringLiteral("Rename Group"));
        QCOMPARE(f.dialogs.shown.at(0).value, shown);
    } else {
        QVERIFY(f.dialogs.Texts("AskBoxed").isEmpty());
    }
    QCOMPARE(m.GroupList->currentIndex(), row);
    QCOMPARE(m.ShownGroup(), name);
    QCOMPARE(m.ShownSlot(), slot);
    QCOMPARE(Numbers(m.Data), (QList<int>{4, 2, 9}));
    QCOMPARE(f.Item("a")->Group, QStringLiteral(",4,2,9,"));
    if (slot > 0) {
        const QAction *entry = m.GroupMenuEntry(slot);
        QString caption = name;
        QCOMPARE(entry->text(), caption.replace(QLatin1Char('&'), QStringLiteral("&&")));
    }
    CheckGroupsInStep(f);
}

void TstGroups::deleteGroup_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("error");
    QTest::newRow("deleted") << "Music" << true << "";
    QTest::newRow("answered No") << "Music" << false << "";
    QTest::newRow("All Items shown") << "All Items" << true << "You can not delete the All Items group.";
    QTest::newRow("Trash shown") << "Trash" << true << "You can not delete the Trash group.";
}

// Deleting a group takes its number out of every item, keeps the items, packs
// the slots and shows "All Items".
void TstGroups::deleteGroup()
{
    QFETCH(QString, shown);
    QFETCH(bool, yes);
    QFETCH(QString, error);
    MainFixture f;
    f.AddGroup(QStringLiteral("Fun"), 1);
    f.AddGroup(QStringLiteral("Music"), 12);
    f.AddGroup(QStringLiteral("Games"), 3);
    const std::pair<const char *, const char *> items[] = {
        {"both", ",3,12,"}, {"only music", ",12,"}, {"one and twelve", ",1,12,"}, {"twice", ",12,3,12,"},
        {"eleven", ",11,"}, {"trashed", ",-1,"},
    };
    for (const auto &[name, group] : items)
        f.Add(name, 0, {}, {}, QString::fromLatin1(group));
    f.Show(shown);
    TMainForm &m = *f.form;
    f.dialogs.confirmAnswers.enqueue(yes);
    m.MenuDeleteGroupClick();
    QCOMPARE(f.dialogs.Texts("Error"), error.isEmpty() ? QStringList() : QStringList{error});
    const bool deleted = yes && error.isEmpty();
    QCOMPARE(f.dialogs.Texts("Confirm"),
             error.isEmpty() ? QStringList{"Are you sure you want to delete the \"Music\" group?"} : QStringList());
    QCOMPARE(Numbers(m.Data), (deleted ? QList<int>{1, 3} : QList<int>{1, 12, 3}));
    const QStringList after = deleted ? QStringList{",3,", ",", ",1,", ",3,", ",11,", ",-1,"}
                                      : QStringList{",3,12,", ",12,", ",1,12,", ",12,3,12,", ",11,", ",-1,"};
    QStringList groups;
    for (const auto &[name, group] : items)
        groups.append(f.Item(name)->Group);
    QCOMPARE(groups, after);
    QCOMPARE(m.Data.Items.Count(), 6);
    QCOMPARE(m.ShownGroup(), deleted ? QStringLiteral("All Items") : shown);
    if (deleted) {
        QCOMPARE(f.Rows(), (QStringList{"both", "eleven", "one and twelve", "only music", "twice"}));
        QCOMPARE(m.Label1->text(), ExpectedLabel(f));
        QCOMPARE(f.Selected(), QList<int>{0});
        QCOMPARE(m.StatusText(), QStringLiteral("Groups: Games"));
    }
    CheckGroupsInStep(f);
}

void TstGroups::joinAndRemove_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("entry");  // "Remove" or a group's name
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("listed");    // the row stays in the list
    QTest::addColumn<QString>("message");
    // Groups: Fun 3, Music 12, Games 5, and one called "remove", 2.
    QTest::newRow("all items: join adds") << "All Items" << "Fun" << "" << ",3," << true << "";
    QTest::newRow("all items: joining order") << "All Items" << "Fun" << ",5," << ",5,3," << true << "";
    QTest::newRow("all items: already in") << "All Items" << "Fun" << ",3," << ",3," << true
                                           << "x is already in the Fun group.";
    QTest::newRow("group: join moves") << "Music" << "Fun" << ",12," << ",3," << false << "";
    QTest::newRow("group: other groups stay") << "Music" << "Games" << ",3,12," << ",3,5," << false << "";
    QTest::newRow("trash: join moves out") << "Trash" << "Fun" << ",-1," << ",3," << false << "";
    QTest::newRow("all items: remove does nothing") << "All Items" << "Remove" << ",3," << ",3," << true << "";
    QTest::newRow("group: remove the first") << "Fun" << "Remove" << ",3,12," << ",12," << false << "";
    QTest::newRow("group: remove the last") << "Music" << "Remove" << ",3,12," << ",3," << false << "";
    QTest::newRow("trash: remove puts it in no group") << "Trash" << "Remove" << ",-1," << "," << false << "";
    QTest::newRow("a group called remove is joined") << "All Items" << "remove" << "" << ",2," << true << "";
}

// One selected item "x" and one unselected "y" with the same memberships;
// the command is chosen from the submenu.
void TstGroups::joinAndRemove()
{
    QFETCH(QString, shown);
    QFETCH(QString, entry);
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(bool, listed);
    QFETCH(QString, message);
    MainFixture f;
    f.AddGroup(QStringLiteral("Fun"), 3);
    f.AddGroup(QStringLiteral("Music"), 12);
    f.AddGroup(QStringLiteral("Games"), 5);
    f.AddGroup(QStringLiteral("remove"), 2);
    f.Add("x", 0, {}, {}, before, false);
    f.Add("y", 0, {}, {}, before, true);
    f.Show(shown);
    TMainForm &m = *f.form;
    QCOMPARE(f.Rows(), (QStringList{"x", "y"}));
    f.Select({0}, 0);
    QAction *command = Entry(m, entry);
    QVERIFY(command);
    command->trigger();
    QCOMPARE(f.Item("x")->Group, after);
    QCOMPARE(f.Item("y")->Group, before);
    QCOMPARE(f.dialogs.Texts("Information"), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(f.Rows(), (listed ? QStringList{"x", "y"} : QStringList{"y"}));
    QCOMPARE(m.Label1->text(), ExpectedLabel(f));
    // The focused row's item is in the editors.
    QCOMPARE(m.FocusedRow(), 0);
    QCOMPARE(m.Url->text(), f.form->EntriesList->RecAt(0)->Site);

    // Without a selected row the entries do nothing.
    f.Select({}, 0);
    const QString now = f.Item("y")->Group;
    command->trigger();
    QCOMPARE(f.Item("y")->Group, now);
}

void TstGroups::moveToTrash_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("rightPress");  // through the right button on Del
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("moved");
    QTest::newRow("all items") << "All Items" << true << false << true << true;
    QTest::newRow("a group, right button on Del") << "Fun" << true << true << true << true;
    QTest::newRow("answered No") << "All Items" << false << false << true << false;
    QTest::newRow("trash shown") << "Trash" << true << true << false << false;
}

// Two of three rows selected; moved items lose every group and leave the list.
void TstGroups::moveToTrash()
{
    QFETCH(QString, shown);
    QFETCH(bool, yes);
    QFETCH(bool, rightPress);
    QFETCH(bool, asked);
    QFETCH(bool, moved);
    MainFixture f;
    f.AddGroup(QStringLiteral("Fun"), 3);
    const QString group = shown == QLatin1String("Trash") ? TrashMarker : QStringLiteral(",3,12,");
    for (const char *name : {"a", "b", "c"})
        f.Add(name, 0, {}, {}, group, false);
    f.Show(shown);
    TMainForm &m = *f.form;
    f.Select({0, 2}, 2);
    f.dialogs.confirmAnswers.enqueue(yes);
    if (rightPress)
        QTest::mousePress(m.DelBut, Qt::RightButton);
    else
        m.MenuTrash->trigger();
    QCOMPARE(f.dialogs.Texts("Confirm"), asked ? QStringList{TrashQuestion} : QStringList());
    QVERIFY(f.dialogs.Texts("Question").isEmpty());  // nothing was deleted
    QCOMPARE(f.Item("a")->Group, moved ? TrashMarker : group);
    QCOMPARE(f.Item("b")->Group, group);
    QCOMPARE(f.Item("c")->Group, moved ? TrashMarker : group);
    QCOMPARE(m.Data.Items.Count(), 3);
    if (moved) {
        QCOMPARE(f.Rows(), QStringList{"b"});
        QCOMPARE(f.Selected(), QList<int>{0});
        QCOMPARE(m.Url->text(), f.Item("b")->Site);
        QCOMPARE(m.Label1->text(), QStringLiteral("Items: (1/1)"));
        f.Show(QStringLiteral("Trash"));
        QCOMPARE(f.Rows(), (QStringList{"a", "c"}));
        QCOMPARE(m.StatusText(), QStringLiteral("Groups: None"));
    } else {
        QCOMPARE(f.Selected(), (QList<int>{0, 2}));
    }
}

// Many scattered selected rows leave in one go; the label, the selection and
// the focus follow.
void TstGroups::manyScatteredRows()
{
    MainFixture f;
    QList<int> every3rd;
    QStringList left;
    for (int i = 0; i < 90; ++i) {
        const QString name = QStringLiteral("item %1").arg(i, 2, 10, QLatin1Char('0'));
        f.Add(name, 0, {}, {}, QString(), i % 2 == 0);
        if (i % 3 == 0)
            every3rd.append(i);
        else
            left.append(name);
    }
    f.Show();
    TMainForm &m = *f.form;
    f.Select(every3rd, 45);
    f.dialogs.confirmAnswers.enqueue(true);
    m.MenuTrashClick();
    QCOMPARE(f.Rows(), left);
    QCOMPARE(m.Label1->text(), QStringLiteral("Items: (30/60)"));
    // "item 45" went; "item 46" took its place and is the one selected row.
    QCOMPARE(f.Selected(), QList<int>{30});
    QCOMPARE(m.FocusedRow(), 30);
    QCOMPARE(m.EntriesList->RecAt(30)->Name, QStringLiteral("item 46"));
    QCOMPARE(m.Url->text(), f.Item("item 46")->Site);
}

QTEST_MAIN(TstGroups)
#include "tst_groups.moc"
