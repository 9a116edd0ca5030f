// Item commands: New (with the address question and the name prompts),
// Delete, Rename, Copy, Find, and the web address and comments editors.
#include <QtTest>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "support/MainFixture.h"

using namespace kelpo;

namespace {

const QString NewTitle = QStringLiteral("Add new entry");
const QString NewPrompt = QStringLiteral("What would you like to call the new entry?");
const QString TakenTitle = QStringLiteral("This name already exists...");
const QString AllSearched = QStringLiteral("All items have been searched.");

QString DeleteQuestion(const QString &name)
{
    return QStringLiteral("Are you sure you want to delete the \"") + name +
           QStringLiteral("\" entry?\n\nNote: This will DELETE the item completely!");
}

// The titles of the prompts shown, in order.
QStringList PromptTitles(const FakeDialogs &d)
{
    QStringList out;
    for (const FakeDialogs::Shown &s : d.shown)
        if (s.kind == QLatin1String("Ask") || s.kind == QLatin1String("AskBoxed"))
            out.append(s.title);
    return out;
}

}  // namespace

class TstItems : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void newItemInEachView_data();
    void newItemInEachView();
    void addressQuestion_data();
    void addressQuestion();
    void namePrompts_data();
    void namePrompts();
    void deleteItems_data();
    void deleteItems();
    void deleteLeavingNoRow();
    void renameItem_data();
    void renameItem();
    void copyItem_data();
    void copyItem();
    void find_data();
    void find();
    void addressAndComments();
};

void TstItems::newItemInEachView_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("group");
    QTest::newRow("all items") << "All Items" << "";
    QTest::newRow("group number 7") << "Fun" << ",7,";
    QTest::newRow("trash: listed, but in no group") << "Trash" << "";
}

void TstItems::newItemInEachView()
{
    QFETCH(QString, shown);
    QFETCH(QString, group);
    MainFixture f;
    f.AddGroup(QStringLiteral("Other"), 2);
    f.AddGroup(QStringLiteral("Fun"), 7);
    f.Add("old", 0, {}, {}, shown == QLatin1String("Trash") ? TrashMarker : QStringLiteral(",7,"), false);
    f.Show(shown);
    TMainForm &m = *f.form;
    f.dialogs.askAnswers.enqueue(QStringLiteral("new one"));
    m.NewBut->click();
    QCOMPARE(PromptTitles(f.dialogs), QStringList{NewTitle});
    QCOMPARE(f.dialogs.shown.at(0).text, NewPrompt);
    QCOMPARE(f.dialogs.shown.at(0).value, QString());
    Rec *rec = f.Item("new one");
    QVERIFY(rec);
    QCOMPARE(m.Data.Items.At(m.Data.Items.Count() - 1), rec);  // stored after the older items
    QCOMPARE(rec->Group, group);
    QVERIFY(rec->Done);
    QCOMPARE(rec->Site, QString());
    QCOMPARE(DateTimeText(rec->Last), QStringLiteral("10/12/2025 12:00"));  // a year back, at the time of day
    QCOMPARE(DateText(rec->Ends), QStringLiteral("10/06/2027"));        // 182 days on
    QCOMPARE(rec->Freq, 0);
    QCOMPARE(rec->Count, 0);
    QVERIFY(rec->Keys.isEmpty() && rec->Comments.isEmpty());
    QCOMPARE(f.Rows(), (QStringList{"new one", "old"}));
    QCOMPARE(f.Selected(), QList<int>{0});
    QCOMPARE(m.FocusedRow(), 0);
    QCOMPARE(m.CurItem, rec);
    QCOMPARE(m.Label1->text(), QStringLiteral("Items: (1/2)"));
    QCOMPARE(m.NumEntries->text(), QStringLiteral("0"));
}

void TstItems::addressQuestion_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("added");
    const QString taken = QStringLiteral("http://lotto.example/Enter");
    QTest::newRow("two items have it: No at the first") << taken << QList<bool>{false} << 1 << false;
    QTest::newRow("two items have it: Yes, then No") << taken << QList<bool>{true, false} << 2 << false;
    QTest::newRow("two items have it: Yes, Yes") << taken << QList<bool>{true, true} << 2 << true;
    QTest::newRow("nobody has it") << "http://lotto.example/other" << QList<bool>{} << 0 << true;
    QTest::newRow("letters outside a-z are not folded") << QString::fromUtf8("http://lotto.example/Énter")
                                                        << QList<bool>{} << 0 << true;
}

// A dropped link offered through the outside command: the address question
// comes once for every item that has the address (letters a to z in any
// case), and No at any of them adds nothing.
void TstItems::addressQuestion()
{
    QFETCH(QString, url);
    QFETCH(QList<bool>, answers);
    QFETCH(int, questions);
    QFETCH(bool, added);
    MainFixture f;
    f.Add("one")->Site = QStringLiteral("HTTP://LOTTO.example/enter");
    f.Add("two")->Site = QStringLiteral("http://lotto.example/Enter");
    f.Add("three")->Site = QStringLiteral("http://lotto.example/enter/");
    f.Add("four")->Site = QString::fromUtf8("http://lotto.example/énter");
    f.Show();
    TMainForm &m = *f.form;
    for (bool a : answers)
        f.dialogs.confirmAnswers.enqueue(a);
    f.dialogs.askAnswers.enqueue(QStringLiteral("Big Draw"));
    m.DroppedUrl = url;
    m.DroppedTitle = QStringLiteral("The Big Draw");
    m.wmHandleMessages("1000\n");
    const QString question = QStringLiteral("There is already an item with this URL:\n") + url +
                             QStringLiteral("\nName: The Big Draw\n\nDo you want to add the item anyway?");
    QCOMPARE(f.dialogs.Texts("Confirm"), QStringList(questions, question));
    QCOMPARE(PromptTitles(f.dialogs), added ? QStringList{NewTitle} : QStringList());
    if (added)
        QCOMPARE(f.dialogs.Texts("Ask").constFirst(), NewPrompt);
    QCOMPARE(m.Data.Items.Count(), added ? 5 : 4);
    if (added) {
        QCOMPARE(f.dialogs.shown.constLast().value, QStringLiteral("The Big Draw"));
        QCOMPARE(f.Item("Big Draw")->Site, url);
        QCOMPARE(m.CurItem, f.Item("Big Draw"));
        QCOMPARE(m.Url->text(), url);
    }
}

void TstItems::namePrompts_data()
{
    QTest::addColumn<QStringList>("answers");  // a null text cancels
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("offered");  // what each prompt was filled with
    QTest::addColumn<QString>("name");         // null: nothing added
    const QString null;
    QTest::newRow("free name") << QStringList{"Prize"} << QStringList{NewTitle} << QStringList{"Offer"} << "Prize";
    QTest::newRow("taken in another case") << QStringList{"abc", "abc 2"} << QStringList{NewTitle, TakenTitle}
                                           << QStringList{"Offer", "abc"} << "abc 2";
    QTest::newRow("asked until free") << QStringList{"ABC", "aBc", "x"}
                                      << QStringList{NewTitle, TakenTitle, TakenTitle}
                                      << QStringList{"Offer", "ABC", "aBc"} << "x";
    QTest::newRow("only a-z are folded") << QStringList{QString::fromUtf8("élan")} << QStringList{NewTitle}
                                         << QStringList{"Offer"} << QString::fromUtf8("élan");
    QTest::newRow("empty name is a name") << QStringList{""} << QStringList{NewTitle} << QStringList{"Offer"} << "";
    QTest::newRow("line break becomes a blank") << QStringList{"two\nlines"} << QStringList{NewTitle}
                                                << QStringList{"Offer"} << "two lines";
    QTest::newRow("cancel") << QStringList{null} << QStringList{NewTitle} << QStringList{"Offer"} << null;
    QTest::newRow("cancel when asked again") << QStringList{"abc", null} << QStringList{NewTitle, TakenTitle}
                                             << QStringList{"Offer", "abc"} << null;
}

void TstItems::namePrompts()
{
    QFETCH(QStringList, answers);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, offered);
    QFETCH(QString, name);
    MainFixture f;
    f.Add("ABC");
    f.Add(QString::fromUtf8("Élan"));
    f.Show();
    for (const QString &a : answers)
        f.dialogs.askAnswers.enqueue(a);
    f.form->CreateNewItem(QString(), QStringLiteral("Offer"));
    QCOMPARE(PromptTitles(f.dialogs), titles);
    QStringList values;
    for (const FakeDialogs::Shown &s : f.dialogs.shown) {
        QCOMPARE(s.text, NewPrompt);
        values.append(s.value);
    }
    QCOMPARE(values, offered);
    QCOMPARE(f.form->Data.Items.Count(), name.isNull() ? 2 : 3);
    if (!name.isNull()) {
        QVERIFY(f.Item(name));
        QCOMPARE(f.form->CurItem, f.Item(name));
    }
}

void TstItems::deleteItems_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("focused");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("selectedAfter");
    QTest::newRow("Yes, No, Yes") << QList<int>{0, 2, 4} << 2 << QList<bool>{true, false, true}
                                  << QStringList{"b", "c", "d"} << 2;
    QTest::newRow("focused row gone: the last row") << QList<int>{3, 4} << 4 << QList<bool>{true, true}
                                                    << QStringList{"a", "b", "c"} << 2;
    QTest::newRow("No") << QList<int>{1} << 1 << QList<bool>{false} << QStringList{"a", "b", "c", "d", "e"} << 1;
    QTest::newRow("no focused row") << QList<int>{1} << -1 << QList<bool>{true} << QStringList{"a", "c", "d", "e"}
                                    << 3;
    QTest::newRow("nothing selected") << QList<int>{} << 1 << QList<bool>{} << QStringList{"a", "b", "c", "d", "e"}
                                      << -1;
}

// Every selected row is asked about; Yes deletes the item for good; one row
// is selected afterwards.
void TstItems::deleteItems()
{
    QFETCH(QList<int>, selected);
    QFETCH(int, focused);
    QFETCH(QList<bool>, answers);
    QFETCH(QStringList, rows);
    QFETCH(int, selectedAfter);
    MainFixture f;
    const QStringList names{"a", "b", "c", "d", "e"};
    for (const QString &name : names)
        f.Add(name, 0, {}, {}, QString(), name == QLatin1String("c"));
    f.Show();
    TMainForm &m = *f.form;
    f.Select(selected, focused);
    for (bool a : answers)
        f.dialogs.confirmAnswers.enqueue(a);
    m.DelBut->click();
    QStringList questions;
    for (int row : selected)
        questions.append(DeleteQuestion(names.at(row)));
    QCOMPARE(f.dialogs.Texts("Question"), questions);
    QCOMPARE(f.Rows(), rows);
    QCOMPARE(m.Data.Items.Count(), rows.size());
    for (const QString &name : names)
        QCOMPARE(m.Data.FindEntry(name) != nullptr, rows.contains(name));
    if (selectedAfter >= 0) {
        QCOMPARE(f.Selected(), QList<int>{selectedAfter});
        QCOMPARE(m.FocusedRow(), selectedAfter);
        QCOMPARE(m.CurItem, m.EntriesList->RecAt(selectedAfter));
        QCOMPARE(m.Url->text(), m.CurItem->Site);
    }
    int due = 0;
    for (const QString &name : rows)
        due += !f.Item(name)->Done;
    QCOMPARE(m.Label1->text(), QStringLiteral("Items: (%1/%2)").arg(due).arg(rows.size()));
}

// After the last row is deleted nothing can reach a removed record: the
// editors are empty and every command finds no item.
void TstItems::deleteLeavingNoRow()
{
    MainFixture f;
    f.Add("only", 0, {}, {}, QString(), false)->Comments = QStringLiteral("rules");
    f.Show();
    TMainForm &m = *f.form;
    f.Select({0}, 0);
    f.dialogs.confirmAnswers.enqueue(true);
    m.DelButClick();
    QCOMPARE(m.Data.Items.Count(), 0);
    QCOMPARE(m.EntriesList->Count(), 0);
    QCOMPARE(m.CurItem, nullptr);
    QCOMPARE(m.FocusedRow(), -1);
    QCOMPARE(m.Url->text(), QString());
    QCOMPARE(m.Comments->toPlainText(), QString());
    QCOMPARE(m.StatusText(), QString());
    QCOMPARE(m.Label1->text(), QStringLiteral("Items: (0/0)"));
    // Editing and commands afterwards touch nothing.
    f.dialogs.Clear();
    m.Url->setText(QStringLiteral("http://x.example"));
    m.Comments->setPlainText(QStringLiteral("typed"));
    m.GotoButClick();
    m.MenuRenameItemClick();
    m.MenuCopyItemClick();
    m.DoneButClick();
    m.DelButClick();
    QCOMPARE(f.dialogs.shown.size(), 0);
    QVERIFY(f.desktop.opened.isEmpty());
    QCOMPARE(m.CurItem, nullptr);
}

void TstItems::renameItem_data()
{
    QTest::addColumn<QString>("answer");  // null: Cancel
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("renamed, sorted in") << "Zebra" << "" << QStringList{"Other", "Zebra"};
    QTest::newRow("letter case only") << "ABC" << "There is already an item with the ABC name.\n"
                                                  "Please choose another name for this item."
                                      << QStringList{"Abc", "Other"};
    QTest::newRow("another item's name") << "OTHER" << "There is already an item with the OTHER name.\n"
                                                       "Please choose another name for this item."
                                         << QStringList{"Abc", "Other"};
    QTest::newRow("same text") << "Abc" << "" << QStringList{"Abc", "Other"};
    QTest::newRow("empty") << "" << "" << QStringList{"Abc", "Other"};
    QTest::newRow("cancel") << QString() << "" << QStringList{"Abc", "Other"};
}

void TstItems::renameItem()
{
    QFETCH(QString, answer);
    QFETCH(QString, error);
    QFETCH(QStringList, rows);
    MainFixture f;
    Rec *rec = f.Add("Abc");
    f.Add("Other");
    f.Show();
    TMainForm &m = *f.form;
    f.Select({0}, 0);
    f.dialogs.askAnswers.enqueue(answer);
    m.MenuRenameItemClick();
    QCOMPARE(PromptTitles(f.dialogs), QStringList{"Rename entry"});
    QCOMPARE(f.dialogs.shown.at(0).text, QStringLiteral("What would you like to rename this entry to?"));
    QCOMPARE(f.dialogs.shown.at(0).value, QStringLiteral("Abc"));
    QCOMPARE(f.dialogs.Texts("Error"), error.isEmpty() ? QStringList() : QStringList{error});
    QCOMPARE(f.Rows(), rows);
    const int row = rows.indexOf(rec->Name);
    QCOMPARE(f.Selected(), QList<int>{row});
    QCOMPARE(m.FocusedRow(), row);
    // The lookups follow the new name.
    QCOMPARE(m.Data.FindEntry(rec->Name.toUpper()), rec);
    QCOMPARE(m.Data.Items.Count(), 2);
}

void TstItems::copyItem_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("group");
    QTest::newRow("in two groups") << "Fun" << ",3,12,";
    QTest::newRow("in the Trash") << "Trash" << ",-1,";
}

// The copy keeps every field but the name; offering the source's own name
// asks again.
void TstItems::copyItem()
{
    QFETCH(QString, shown);
    QFETCH(QString, group);
    MainFixture f;
    f.AddGroup(QStringLiteral("Fun"), 3);
    f.AddGroup(QStringLiteral("Music"), 12);
    Rec *source = f.Add("Source", 2, QStringLiteral("01/12/2026 08:30"), QStringLiteral("31/01/2027"), group, true);
    source->Count = 5;
    source->Keys = QStringLiteral("{email}{tab}");
    source->Comments = QStringLiteral("line 1\r\nline 2");
    f.Show(shown);
    TMainForm &m = *f.form;
    f.Select({0}, 0);
    f.dialogs.askAnswers.enqueue(QStringLiteral("Source"));  // OK without a change
    f.dialogs.askAnswers.enqueue(QStringLiteral("Copy"));
    m.MenuCopyItemClick();
    QCOMPARE(PromptTitles(f.dialogs), (QStringList{"Copy entry", TakenTitle}));
    QCOMPARE(f.dialogs.shown.at(0).text, QStringLiteral("What would you like to copy this entry to?"));
    QCOMPARE(f.dialogs.shown.at(0).value, QStringLiteral("Source"));
    Rec *copy = f.Item("Copy");
    QVERIFY(copy && copy != source);
    QCOMPARE(m.Data.Items.At(1), copy);
    QCOMPARE(copy->Done, true);
    QCOMPARE(copy->Count, 5);
    QCOMPARE(copy->Group, group);
    for (QString Rec::*field : {&Rec::Site, &Rec::Keys, &Rec::Comments})
        QCOMPARE(copy->*field, source->*field);
    QCOMPARE(copy->Last, source->Last);
    QCOMPARE(copy->Ends, source->Ends);
    QCOMPARE(copy->Freq, 2);
    QCOMPARE(f.Rows(), (QStringList{"Copy", "Source"}));
    QCOMPARE(f.Selected(), QList<int>{0});
    QCOMPARE(m.CurItem, copy);

    // Cancel at the second prompt adds nothing.
    f.dialogs.Clear();
    f.dialogs.askAnswers.enqueue(QStringLiteral("copy"));
    f.dialogs.askAnswers.enqueue(QString());
    m.MenuCopyItemClick();
    QCOMPARE(PromptTitles(f.dialogs), (QStringList{"Copy entry", TakenTitle}));
    QCOMPARE(m.Data.Items.Count(), 2);
}

void TstItems::find_data()
{
    QTest::addColumn<QString>("view");
    QTest::addColumn<QString>("lastFind");
    QTest::addColumn<int>("focused");
    QTest::addColumn<QString>("answer");  // null: Cancel
    QTest::addColumn<int>("found");       // the one selected row afterwards; -1: none
    QTest::addColumn<bool>("message");
    // Rows: 0 Alpha, 1 Big LOTTO Draw, 2 Delta (address only), 3 Gamma (comments), 4 Épée.
    const QString all = QStringLiteral("All Items");
    QTest::newRow("new search starts after row 0") << all << "" << 3 << "lotto" << 1 << false;
    QTest::newRow("find again goes on after the match") << all << "lotto" << 1 << "lotto" << 3 << false;
    QTest::newRow("find again wraps to the top") << all << "lotto" << 3 << "lotto" << 1 << false;
    QTest::newRow("cancel searches on") << all << "lotto" << 1 << QString() << 3 << false;
    QTest::newRow("new text, row 0 examined last") << all << "lotto" << 1 << "alpha" << 0 << false;
    QTest::newRow("find again without a focused row") << all << "lotto" << -1 << "lotto" << 1 << false;
    QTest::newRow("no match: the focused row again") << all << "zzz" << 3 << "zzz" << 3 << true;
    QTest::newRow("no match, new text: row 0") << all << "" << 3 << "zzz" << 0 << true;
    QTest::newRow("the address is not searched") << all << "" << 0 << "lotto.example" << 0 << true;
    QTest::newRow("only a-z are folded") << all << "" << 0 << QString::fromUtf8("épée") << 0 << true;
    QTest::newRow("other letters exactly") << all << "" << 0 << QString::fromUtf8("ÉPéE") << 4 << false;
    QTest::newRow("empty text does nothing") << all << "" << 2 << QString() << 2 << false;
    QTest::newRow("empty list") << "Trash" << "" << -1 << "lotto" << -1 << true;
}

void TstItems::find()
{
    QFETCH(QString, view);
    QFETCH(QString, lastFind);
    QFETCH(int, focused);
    QFETCH(QString, answer);
    QFETCH(int, found);
    QFETCH(bool, message);
    MainFixture f;
    f.Add("Alpha");
    f.Add("Big LOTTO Draw");
    f.Add("Delta")->Site = QStringLiteral("http://lotto.example");
    f.Add("Gamma")->Comments = QStringLiteral("Rules:\r\nwin the Lotto");
    f.Add(QString::fromUtf8("Épée"));
    f.Show(view);
    TMainForm &m = *f.form;
    f.Select(focused >= 0 ? QList<int>{focused} : QList<int>(), focused);
    m.LastFind = lastFind;
    f.dialogs.askAnswers.enqueue(answer);
    m.MenuFindItemClick();
    QCOMPARE(PromptTitles(f.dialogs), QStringList{"Find Item"});
    QCOMPARE(f.dialogs.shown.at(0).text, QStringLiteral("What would you like search for?"));
    QCOMPARE(f.dialogs.shown.at(0).value, lastFind);
    QCOMPARE(f.dialogs.Texts("Information"), message ? QStringList{AllSearched} : QStringList());
    QCOMPARE(f.Selected(), found >= 0 ? QList<int>{found} : QList<int>());
    QCOMPARE(m.FocusedRow(), found);
    QCOMPARE(m.LastFind, answer.isNull() ? lastFind : answer);
}

// The two editors write straight into the focused row's item; the item keeps
// CR LF between comment lines while the memo shows line breaks.
void TstItems::addressAndComments()
{
    MainFixture f;
    Rec *a = f.Add("a");
    a->Comments = QStringLiteral("first\r\nsecond");
    Rec *b = f.Add("b");
    f.Show();
    TMainForm &m = *f.form;
    f.Select({0, 1}, 0);
    m.EntriesClick();
    QCOMPARE(m.Comments->toPlainText(), QStringLiteral("first\nsecond"));
    QCOMPARE(m.Comments->document()->blockCount(), 2);

    m.Url->setText(QStringLiteral("https://new.example/form"));
    QCOMPARE(a->Site, QStringLiteral("https://new.example/form"));
    m.Comments->setPlainText(QStringLiteral("one\ntwo\n\nfour"));
    QCOMPARE(a->Comments, QStringLiteral("one\r\ntwo\r\n\r\nfour"));
    QCOMPARE(b->Site, QStringLiteral("http://b.example"));
    QVERIFY(b->Comments.isEmpty());
    QCOMPARE(f.dialogs.shown.size(), 0);

    // No focused row: nothing is stored.
    f.Select({}, -1);
    m.Url->setText(QStringLiteral("http://lost.example"));
    m.Comments->setPlainText(QStringLiteral("lost"));
    QCOMPARE(a->Site, QStringLiteral("https://new.example/form"));
    QVERIFY(b->Comments.isEmpty());
}

QTEST_MAIN(TstItems)
#include "tst_items.moc"
