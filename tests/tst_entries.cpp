// The Entries tab: row pictures, row order and lookup, drawing, loading the
// current item, the four field editors, the group view, placement, menus and
// what a screen reader finds.
#include <QtTest>

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTabBar>
#include <QTabWidget>

#include <set>

#include "Layout.h"
#include "support/MainFixture.h"

using namespace kelpo;

Q_DECLARE_METATYPE(kelpo::Glyph)

namespace {

const QString BadDate = QStringLiteral("Invalid Date or Time");
const QString BadCount = QStringLiteral("Invalid value for\n\"Number of entries\"");

QImage IconImage(const QIcon &icon)
{
    return icon.pixmap(QSize(16, 16)).toImage();
}

// The entries of a menu as "caption" or "caption\tshortcut", "-" for a separator.
QStringList MenuEntries(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions()) {
        if (a->isSeparator())
            out.append(QStringLiteral("-"));
        else if (a->shortcut().isEmpty())
            out.append(a->text());
        else
            out.append(a->text() + QLatin1Char('\t') + a->shortcut().toString());
    }
    return out;
}

}  // namespace

class TstEntries : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rowGlyph_data();
    void rowGlyph();
    void rowOrderAndLookup();
    void modelContract();
    void drawRow();
    void findItemAndSelectOneItem();
    void entriesClickLoadsTheFocusedItem_data();
    void entriesClickLoadsTheFocusedItem();
    void lastChange_data();
    void lastChange();
    void endDateChange();
    void freqChange();
    void numEntriesChange_data();
    void numEntriesChange();
    void editorsActOnTheFocusedRowOnly();
    void groupView_data();
    void groupView();
    void placement_data();
    void placement();
    void menus();
    void screenReaderNames();
    void tabChangesMoveTheFocus();
};

void TstEntries::rowGlyph_data()
{
    QTest::addColumn<bool>("done");
    QTest::addColumn<int>("freq");
    QTest::addColumn<QString>("ends");
    QTest::addColumn<Glyph>("glyph");
    // Today is 10/12/2026.
    QTest::newRow("due") << false << 0 << "31/12/2026" << Glyph::Checked;
    QTest::newRow("due daily") << false << 2 << "31/12/2026" << Glyph::DailyDue;
    QTest::newRow("due every 24 hours") << false << 7 << "31/12/2026" << Glyph::DailyDue;
    QTest::newRow("done") << true << 7 << "31/12/2026" << Glyph::CheckGrn;
    QTest::newRow("due on its last day") << false << 0 << "10/12/2026" << Glyph::LastDay;
    QTest::newRow("daily due on its last day") << false << 2 << "10/12/2026" << Glyph::LastDay;
    QTest::newRow("done on its last day") << true << 0 << "10/12/2026" << Glyph::CheckGrn;
    QTest::newRow("ended") << true << 2 << "09/12/2026" << Glyph::Ended;
    QTest::newRow("ended though not yet updated") << false << 0 << "01/01/2020" << Glyph::Ended;
}

void TstEntries::rowGlyph()
{
    QFETCH(bool, done);
    QFETCH(int, freq);
    QFETCH(QString, ends);
    QFETCH(Glyph, glyph);
    Rec rec;
    rec.Done = done;
    rec.Freq = freq;
    rec.Ends = MainFixture::Day(ends);
    const double noon = ToDayNumber(QDate(2026, 12, 10), QTime(12, 0));
    QCOMPARE(ChooseRowGlyph(rec, noon), glyph);
}

// Rows sort without regard to case, names differing only in case by their
// exact text, equal names in the order they came; records find their rows.
void TstEntries::rowOrderAndLookup()
{
    // Records with these names, filled into a model; the names of its rows.
    auto fill = [](std::vector<std::unique_ptr<Rec>> &recs, std::vector<Rec *> &list, ItemListModel &model,
                   std::initializer_list<const char *> given) {
        for (const char *name : given) {
            recs.push_back(std::make_unique<Rec>());
            recs.back()->Name = QString::fromUtf8(name);
            list.push_back(recs.back().get());
        }
        model.Fill(list);
        QStringList names;
        for (int row = 0; row < model.Count(); ++row)
            names.append(model.RecAt(row)->Name);
        return names;
    };
    std::vector<std::unique_ptr<Rec>> recs;
    std::vector<Rec *> list;
    ItemListModel model;
    QCOMPARE(fill(recs, list, model, {"beta", "Alpha", "alpha", "Gamma", "_under", "Zoë", "zeta", "Beta", "beta"}),
             QStringList({"_under", "Alpha", "alpha", "Beta", "beta", "beta", "Gamma", "zeta", "Zoë"}));
    QCOMPARE(model.RecAt(4), list[0]);  // equal names keep their order
    QCOMPARE(model.RecAt(5), list[8]);
    for (Rec *rec : list)
        QCOMPARE(model.RecAt(model.RowOf(rec)), rec);
    QCOMPARE(model.RecAt(model.Count()), nullptr);
    QCOMPARE(model.RecAt(-1), nullptr);

    // Names that all begin alike, one of them nothing but that beginning.
    std::vector<std::unique_ptr<Rec>> alike;
    std::vector<Rec *> alikeList;
    ItemListModel alikeModel;
    QCOMPARE(fill(alike, alikeList, alikeModel, {"Win ab", "win a CAR", "Win a cat", "Win a car 2", "Win a", "Win a car"}),
             QStringList({"Win a", "Win a car", "win a CAR", "Win a car 2", "Win a cat", "Win ab"}));

    Rec added;
    added.Name = QStringLiteral("Delta");
    QCOMPARE(model.Insert(&added), 6);
    QCOMPARE(model.RowOf(&added), 6);
    // A renamed record moves to its new place, down and up.
    added.Name = QStringLiteral("zz");
    QCOMPARE(model.NameChanged(6), 9);
    added.Name = QStringLiteral("aardvark");
    QCOMPARE(model.NameChanged(9), 1);
    QCOMPARE(model.RowOf(&added), 1);
    model.RemoveRow(1);
    QCOMPARE(model.RowOf(&added), -1);
    QCOMPARE(model.Count(), 9);
}

// Qt's model contract holds (QAbstractItemModelTester checks every signal)
// through a fill, inserts, renames and removals: one row, a few runs of rows
// (removed run by run) and many scattered rows (one reset); the rows left are
// exactly the records not removed, in order.
void TstEntries::modelContract()
{
    std::vector<std::unique_ptr<Rec>> recs;
    std::vector<Rec *> list;
    for (int i = 0; i < 100; ++i) {
        recs.push_back(std::make_unique<Rec>());
        recs.back()->Name = QStringLiteral("Item %1").arg(99 - i, 3, 10, QLatin1Char('0'));
        list.push_back(recs.back().get());
    }
    ItemListModel model;
    QAbstractItemModelTester tester(&model);
    std::set<Rec *> listed(list.begin(), list.end());
    const auto check = [&] {
        QCOMPARE(model.Count(), int(listed.size()));
        for (int row = 0; row < model.Count(); ++row) {
            QVERIFY(listed.count(model.RecAt(row)));
            if (row > 0)
                QVERIFY(NameBefore(model.RecAt(row - 1)->Name, model.RecAt(row)->Name));
        }
    };
    const auto remove = [&](const std::vector<int> &rows) {
        for (int row : rows)
            if (Rec *rec = model.RecAt(row))
                listed.erase(rec);
        model.RemoveRows(rows);
    };
    model.Fill(list);
    check();
    remove({0, 1, 2, 10, 50, 51, 99});  // four runs
    check();
    std::vector<int> scattered;
    for (int row = 1; row < model.Count(); row += 2)
        scattered.push_back(row);
    scattered.push_back(model.Count());  // past the end: ignored
    remove(scattered);
    check();
    QCOMPARE(model.Count(), 47);

    Rec added;
    added.Name = QStringLiteral("Item 050a");
    listed.insert(&added);
    model.Insert(&added);
    check();
    const int row = model.RowOf(&added);
    added.Name = QStringLiteral("A first");
    QCOMPARE(model.NameChanged(row), 0);
    check();
    listed.erase(model.RecAt(5));
    model.RemoveRow(5);
    check();
    model.Clear();
    listed.clear();
    check();
    model.Fill(list);
    listed.insert(list.begin(), list.end());
    check();
}

void TstEntries::drawRow()
{
    MainFixture f;
    f.Add(QStringLiteral("Alpha"), 2, QStringLiteral("10/12/2026 09:00"), QStringLiteral("31/12/2027"), QString(), true);
    f.Show();
    QStyleOptionViewItem option;
    option.initFrom(f.form->Entries);
    option.rect = QRect(0, 0, 200, 16);
    option.state = QStyle::State_Enabled | QStyle::State_Active;
    const QColor marker(255, 0, 255);
    const auto draw = [&] {
        QImage image(200, 16, QImage::Format_ARGB32);
        image.fill(marker);
        QPainter p(&image);
        f.form->EntriesDrawItem(p, option, 0);
        return image;
    };

    f.form->ListDrawEnabled = false;
    const QImage nothing = draw();
    for (int x = 0; x < 200; ++x)
        for (int y = 0; y < 16; ++y)
            QCOMPARE(nothing.pixelColor(x, y), marker);

    f.form->ListDrawEnabled = true;
    const QImage row = draw();
    const QColor base = option.palette.color(QPalette::Active, QPalette::Base);
    QCOMPARE(row.pixelColor(0, 0), base);
    QCOMPARE(row.pixelColor(199, 15), base);
    const auto inked = [&](int left, int right) {
        int n = 0;
        for (int x = left; x < right; ++x)
            for (int y = 0; y < 16; ++y)
                n += row.pixelColor(x, y) != base;
        return n;
    };
    QCOMPARE(inked(0, 2), 0);    // the picture starts 2 pixels in
    QVERIFY(inked(2, 18) > 20);  // the check mark
    QVERIFY(inked(18, 80) > 20); // the name after it
    // The picture is the done item's check mark: green, no red.
    bool green = false;
    for (int x = 2; x < 18; ++x)
        for (int y = 0; y < 16; ++y) {
            const QColor c = row.pixelColor(x, y);
            green = green || (c.green() > 120 && c.red() < 100);
            QVERIFY(!(c.red() > 180 && c.green() < 90));
        }
    QVERIFY(green);
    // Screen readers get the picture's meaning in words.
    QCOMPARE(f.form->EntriesList->data(f.form->EntriesList->index(0), Qt::AccessibleDescriptionRole).toString(),
             QStringLiteral("done"));
}

void TstEntries::findItemAndSelectOneItem()
{
    MainFixture f;
    f.Add(QStringLiteral("beta"));
    f.Add(QStringLiteral("Alpha"));
    f.Add(QStringLiteral("alpha"));
    f.Show();
    TMainForm &m = *f.form;
    QCOMPARE(f.Rows(), QStringList({"Alpha", "alpha", "beta"}));
    QCOMPARE(m.FindItem(1), 2);
    QCOMPARE(m.CurItem, f.Item("alpha"));
    QCOMPARE(m.FindItem(0), 1);
    // A row at or past the end: 0, and CurItem stays.
    QCOMPARE(m.FindItem(3), 0);
    QCOMPARE(m.CurItem, f.Item("Alpha"));

    f.Select({0, 1, 2}, 1);
    m.SelectOneItem(2);
    QCOMPARE(f.Selected(), QList<int>{2});
    QCOMPARE(m.FocusedRow(), 2);
    QCOMPARE(m.Url->text(), QStringLiteral("http://beta.example"));

    // A bad row clears the selection and ends quietly; the editors stay.
    f.Select({0, 1}, 1);
    m.Url->setText(QStringLiteral("typed"));
    for (int bad : {3, 100, -1}) {
        m.SelectOneItem(bad);
        QCOMPARE(f.Selected(), QList<int>());
        QCOMPARE(m.FocusedRow(), 1);
    }
    QCOMPARE(m.Url->text(), QStringLiteral("typed"));
    QCOMPARE(f.dialogs.shown.size(), 0);
}

void TstEntries::entriesClickLoadsTheFocusedItem_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("status");
    QTest::newRow("two groups, slot order") << ",12,3," << "{email}" << "Groups: Fun, Daily";
    QTest::newRow("one group") << ",12," << "" << "Groups: Daily";
    QTest::newRow("no group") << "," << "" << "Groups: None";
    QTest::newRow("unknown number") << ",7," << "" << "Groups: None";
    QTest::newRow("trash") << ",-1," << "x" << "Groups: None";
}

void TstEntries::entriesClickLoadsTheFocusedItem()
{
    QFETCH(QString, group);
    QFETCH(QString, keys);
    QFETCH(QString, status);
    MainFixture f;
    f.AddGroup(QStringLiteral("Fun"), 3);
    f.AddGroup(QStringLiteral("Daily"), 12);
    Rec *rec = f.Add(QStringLiteral("Item"), 9, QStringLiteral("01/02/2026 08:30"), QStringLiteral("05/06/2027"), group);
    rec->Count = -4;
    rec->Keys = keys;
    rec->Comments = QStringLiteral("line one\r\nline two");
    f.Show(group == TrashMarker ? QStringLiteral("Trash") : QStringLiteral("All Items"));
    TMainForm &m = *f.form;
    QCOMPARE(m.FocusedRow(), 0);
    QCOMPARE(m.Url->text(), rec->Site);
    QCOMPARE(m.Last->text(), QStringLiteral("01/02/2026 08:30"));
    QCOMPARE(m.EndDate->date(), QDate(2027, 6, 5));
    QCOMPARE(m.Freq->currentText(), QStringLiteral("Annually"));
    QCOMPARE(m.NumEntries->text(), QStringLiteral("-4"));
    QCOMPARE(m.Comments->toPlainText(), QStringLiteral("line one\nline two"));
    QCOMPARE(IconImage(m.TypeItIn->icon()), IconImage(GlyphIcon(keys.isEmpty() ? Glyph::Keyboard : Glyph::KeyGrn)));
    QCOMPARE(m.StatusText(), status);
    QVERIFY(!m.Loading);
    QCOMPARE(f.dialogs.shown.size(), 0);  // filling the editors changes nothing
    QCOMPARE(rec->Count, -4);

    // No focused row: the editors are emptied, the picker shows today.
    f.Show(QStringLiteral("Fun"));
    if (f.Rows().isEmpty()) {
        QCOMPARE(m.Url->text(), QString());
        QCOMPARE(m.Last->text(), QString());
        QCOMPARE(m.EndDate->date(), QDate(2026, 12, 10));
        QCOMPARE(m.Freq->currentIndex(), -1);
        QCOMPARE(m.NumEntries->text(), QString());
        QCOMPARE(m.Comments->toPlainText(), QString());
        QCOMPARE(m.StatusText(), QString());
    }
    QCOMPARE(MainFixture::LastText(rec), QStringLiteral("01/02/2026 08:30"));
}

void TstEntries::lastChange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("done");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    const QString old = QStringLiteral("08/12/2026 10:00");
    QTest::newRow("done today") << "10/12/2026 09:15" << "10/12/2026 09:15" << true << "" << "10/12/2026 09:15";
    QTest::newRow("due, date alone") << "09/12/2026" << "09/12/2026 00:00" << false << "" << "09/12/2026";
    QTest::newRow("emptied") << "" << old << false << "" << "";
    QTest::newRow("not a date") << "10/12/2026 9x" << old << false << BadDate << old;
    QTest::newRow("impossible date") << "31/02/2026 10:00" << old << false << BadDate << old;
}

void TstEntries::lastChange()
{
    QFETCH(QString, text);
    QFETCH(QString, stored);
    QFETCH(bool, done);
    QFETCH(QString, message);
    QFETCH(QString, shown);
    MainFixture f;
    Rec *rec = f.Add(QStringLiteral("Daily"), 2, QStringLiteral("08/12/2026 10:00"));
    f.Show();
    f.form->Last->setText(text);
    QCOMPARE(MainFixture::LastText(rec), stored);
    QCOMPARE(rec->Done, done);
    QCOMPARE(f.dialogs.Texts("Error"), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(f.form->Last->text(), shown);
    QVERIFY(!f.form->Loading);
}

void TstEntries::endDateChange()
{
    MainFixture f;
    Rec *rec = f.Add(QStringLiteral("Item"), 0, QStringLiteral("10/12/2026 09:00"), QStringLiteral("31/12/2027"));
    rec->Done = true;
    f.Show();
    TMainForm &m = *f.form;
    QCOMPARE(m.EndDate->displayFormat(), MainFixture::Dates().ShortDatePattern());

    // To yesterday: the row shows the end, Done is not recomputed.
    rec->Done = false;
    m.EndDate->setDate(QDate(2026, 12, 9));
    QCOMPARE(MainFixture::EndsText(rec), QStringLiteral("09/12/2026"));
    QVERIFY(!rec->Done);
    QCOMPARE(m.RowGlyph(*rec), Glyph::Ended);
    m.EndDate->setDate(QDate(2026, 12, 10));
    QCOMPARE(m.RowGlyph(*rec), Glyph::LastDay);

    // The calendar closing stores the picker's date as well.
    rec->Ends = MainFixture::Day(QStringLiteral("01/01/2030"));
    QCalendarWidget *calendar = m.EndDate->calendarWidget();
    calendar->window()->show();
    calendar->window()->hide();
    QCOMPARE(MainFixture::EndsText(rec), QStringLiteral("10/12/2026"));

    // Any day the picker offers is stored, the first and the last year too.
    for (const QDate &day : {QDate(1, 1, 1), QDate(9999, 12, 31), QDate(2027, 3, 4)}) {
        m.EndDate->setDate(day);
        QCOMPARE(DateOfDayNumber(rec->Ends), m.EndDate->date());
    }
    QCOMPARE(f.dialogs.shown.size(), 0);
}

void TstEntries::freqChange()
{
    MainFixture f;
    Rec *rec = f.Add(QStringLiteral("Item"), 0, QStringLiteral("10/12/2026 09:00"));
    rec->Count = 0;
    f.Show();
    TMainForm &m = *f.form;
    m.Freq->setCurrentIndex(4);  // "Once" with no entry made: due
    QCOMPARE(rec->Freq, 4);
    QVERIFY(!rec->Done);
    m.NumEntries->setText(QStringLiteral("1"));  // the counter alone does not recompute
    QVERIFY(!rec->Done);
    m.Freq->setCurrentIndex(2);  // "Daily", done at 09:00 today
    QVERIFY(rec->Done);
    m.Freq->setCurrentIndex(3);  // "Hourly": due again
    QVERIFY(!rec->Done);
    QCOMPARE(f.dialogs.shown.size(), 0);
}

void TstEntries::numEntriesChange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("number") << "42" << 42 << false << "42";
    QTest::newRow("blank and sign") << " -7" << -7 << false << " -7";
    QTest::newRow("dollar hex") << "$1F" << 31 << false << "$1F";
    QTest::newRow("0x hex") << "0x10" << 16 << false << "0x10";
    QTest::newRow("emptied") << "" << 0 << true << "0";
    QTest::newRow("digits then junk") << "12a" << 12 << true << "12";
    QTest::newRow("sign alone") << "-" << 0 << true << "0";
    QTest::newRow("too big") << "99999999999" << 999999999 << true << "999999999";
}

void TstEntries::numEntriesChange()
{
    QFETCH(QString, text);
    QFETCH(int, count);
    QFETCH(bool, message);
    QFETCH(QString, shown);
    MainFixture f;
    Rec *rec = f.Add(QStringLiteral("Once"), 4, QStringLiteral("10/12/2026 09:00"));
    f.Show();
    f.form->UndoneCount = 1;
    f.form->NumEntries->setText(text);
    QCOMPARE(rec->Count, count);
    QCOMPARE(f.dialogs.Texts("Error"), message ? QStringList{BadCount} : QStringList());
    QCOMPARE(f.form->NumEntries->text(), shown);
    QVERIFY(!rec->Done);  // not recomputed
    QCOMPARE(f.form->UndoneCount, 1);
}

void TstEntries::editorsActOnTheFocusedRowOnly()
{
    MainFixture f;
    for (const char *name : {"A", "B", "C"})
        f.Add(QString::fromLatin1(name), 0, QStringLiteral("01/12/2026 10:00"));
    f.Show();
    f.Select({0, 1, 2}, 1);
    f.form->NumEntries->setText(QStringLiteral("9"));
    f.form->Last->setText(QStringLiteral("02/12/2026 10:00"));
    f.form->Freq->setCurrentIndex(5);
    QCOMPARE(f.Item("B")->Count, 9);
    QCOMPARE(f.Item("B")->Freq, 5);
    for (const char *other : {"A", "C"}) {
        QCOMPARE(f.Item(other)->Count, 0);
        QCOMPARE(MainFixture::LastText(f.Item(other)), QStringLiteral("01/12/2026 10:00"));
        QCOMPARE(f.Item(other)->Freq, 0);
    }
}

void TstEntries::groupView_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("label");
    QTest::newRow("all items") << "All Items" << QStringList({"a1", "a2", "b", "c", "d", "none"}) << "Items: (4/6)";
    QTest::newRow("group") << "Fun" << QStringList({"a1", "a2", "b", "c", "d"}) << "Items: (3/5)";
    QTest::newRow("group 1 is not 11") << "123" << QStringList({"b"}) << "Items: (0/1)";
    QTest::newRow("trash") << "Trash" << QStringList({"t1", "t2"}) << "Items: (1/2)";
}

void TstEntries::groupView()
{
    QFETCH(QString, group);
    QFETCH(QStringList, rows);
    QFETCH(QString, label);
    MainFixture f;
    f.AddGroup(QStringLiteral("Fun"), 11);
    f.AddGroup(QStringLiteral("123"), 1);
    const QString fun = QStringLiteral(",11,");
    f.Add("c", 0, {}, {}, fun, true);
    f.Add("a2", 0, {}, {}, fun, false);
    f.Add("t1", 0, {}, {}, TrashMarker, false);
    f.Add("b", 0, {}, {}, QStringLiteral(",11,1,"), true);
    f.Add("none", 0, {}, {}, QStringLiteral(","), false);
    f.Add("a1", 0, {}, {}, fun, false);
    f.Add("d", 0, {}, {}, fun, false);
    f.Add("t2", 0, {}, {}, TrashMarker, true);
    f.Show(group);
    QCOMPARE(f.form->ShownGroup(), group);
    QCOMPARE(f.Rows(), rows);
    QCOMPARE(f.form->Label1->text(), label);
    QCOMPARE(f.Selected(), QList<int>{0});
    QCOMPARE(f.form->FocusedRow(), 0);
    if (group == QLatin1String("Trash"))
        QCOMPARE(f.form->StatusText(), QStringLiteral("Groups: None"));

    // The group box is sorted like the list: "123" comes before "All Items".
    QStringList boxRows;
    for (int i = 0; i < f.form->GroupList->count(); ++i)
        boxRows.append(f.form->GroupList->itemText(i));
    QCOMPARE(boxRows, QStringList({"123", "All Items", "Fun", "Trash"}));
}

void TstEntries::placement_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("default") << QSize(600, 375);
    QTest::newRow("larger") << QSize(1000, 700);
    QTest::newRow("smallest") << QSize(0, 0);  // held at the minimum
}

// The controls sit where the placement rules put them for the page's size.
void TstEntries::placement()
{
    QFETCH(QSize, size);
    MainFixture f;
    TMainForm &m = *f.form;
    m.resize(size);
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    const QWidget *page = m.EntriesTab;
    const int W = page->width();
    LayoutMetrics metrics;
    metrics.EditHeight = m.Url->height();
    metrics.ButtonHeight = m.NewBut->height();
    const MainLayout o = ComputeLayout(W, page->height(), metrics);
    const std::pair<QWidget *, QRect> placed[] = {
        {m.GroupList, o.GroupList}, {m.Entries, o.Entries},     {m.Url, o.Url},           {m.Last, o.Last},
        {m.EndDate, o.EndDate},     {m.Freq, o.Freq},           {m.NumEntries, o.NumEntries},
        {m.TypeItIn, o.TypeItIn},   {m.Comments, o.Comments},   {m.NewBut, o.NewBut},     {m.DelBut, o.DelBut},
        {m.GotoBut, o.GotoBut},     {m.DoneBut, o.DoneBut},     {m.NextBut, o.NextBut},   {m.HelpBut, o.HelpBut},
    };
    for (const auto &[widget, rect] : placed)
        QCOMPARE(widget->geometry(), rect);
    QCOMPARE(m.Entries->width(), W / 3 - 3);
    QCOMPARE(m.HelpBut->width(), W / 6 - 2);
    for (const std::pair<QLabel *, QRect> &l : {std::pair{m.Label1, o.Label1}, std::pair{m.Label5, o.Label5},
                                                 std::pair{m.Label9, o.Label9}})
        QCOMPARE(l.first->pos(), l.second.topLeft());
    // The outer size has a floor of 350 x 300.
    QCOMPARE(m.minimumSize() + (m.frameGeometry().size() - m.geometry().size()), QSize(350, 300));
}

void TstEntries::menus()
{
    MainFixture f;
    f.AddGroup(QStringLiteral("Zoo & Co"), 1);
    f.AddGroup(QStringLiteral("apples"), 2);
    f.Show();
    TMainForm &m = *f.form;
    QCOMPARE(MenuEntries(m.PopupMenu1),
             QStringList({"Groups", "-", "New Item\tCtrl+N", "Delete Item\tCtrl+D", "Rename Item\tCtrl+R",
                          "Copy Item\tCtrl+E", "-", "Goto URL\tCtrl+G", "Mark as Done\tCtrl+M",
                          "Mark as Undone\tCtrl+L", "Update\tCtrl+U", "Find Item\tF3", "Next Undone\tCtrl+A", "-",
                          "Save Now\tCtrl+S", "-", "Cancel"}));
    QCOMPARE(MenuEntries(m.MenuGroups), QStringList({"Remove", "Move to Trash", "apples", "Zoo && Co"}));
    QCOMPARE(m.GroupMenuEntry(1), m.MenuGroups->actions().at(3));
    QCOMPARE(m.MenuGroups->actions().at(3)->data().toString(), QStringLiteral("Zoo & Co"));
    QCOMPARE(MenuEntries(m.PopupMenu2),
             QStringList({"Add New Group", "Rename Group", "Delete Group", "-", "Save Group to File",
                          "Load Group from File", "Reset Entry Counters", "-", "Cancel"}));
}

void TstEntries::screenReaderNames()
{
    MainFixture f;
    f.Show();
    TMainForm &m = *f.form;
    // Editors are named after their labels and point back to them.
    const std::pair<QWidget *, const char *> labelled[] = {
        {m.GroupList, "Groups"},  {m.Entries, "Items"}, {m.Url, "Web site"},       {m.Last, "Last completed"},
        {m.EndDate, "Ends on"},   {m.Freq, "Repeat"},   {m.NumEntries, "Entries"}, {m.Comments, "Rules Comments"},
    };
    for (const auto &[widget, name] : labelled) {
        QCOMPARE(widget->accessibleName(), QString::fromLatin1(name));
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(a);
        QCOMPARE(a->text(QAccessible::Name), QString::fromLatin1(name));
        if (widget == m.Entries)
            continue;  // item views report no label relation; the name serves
        bool hasLabel = false;
        for (const auto &relation : a->relations(QAccessible::Label))
            hasLabel = hasLabel || relation.first->object()->inherits("QLabel");
        QVERIFY2(hasLabel, name);
    }
    // Buttons and check boxes by their captions.
    for (QAbstractButton *b : std::initializer_list<QAbstractButton *>{
             m.TypeItIn, m.NewBut, m.DelBut, m.GotoBut, m.DoneBut, m.NextBut, m.HelpBut, m.AutoSave, m.AlwaysOnTop})
        QCOMPARE(QAccessible::queryAccessibleInterface(b)->text(QAccessible::Name), b->text());
    QCOMPARE(m.Label5->buddy(), m.Comments);
    QCOMPARE(m.TypeItIn->toolTip(), QStringLiteral("Type It In"));
    QCOMPARE(m.Entries->toolTip(), QStringLiteral("Items - Right click for Options"));
    QCOMPARE(m.GroupList->toolTip(), QStringLiteral("Groups - Right click for options"));
}

void TstEntries::tabChangesMoveTheFocus()
{
    MainFixture f;
    TMainForm &m = *f.form;
    m.show();
    QVERIFY(QTest::qWaitForWindowActive(&m));
    m.Page->setCurrentWidget(m.OptionsTab);
    QWidget *tabBar = m.Page->tabBar();
    QCOMPARE(QApplication::focusWidget(), tabBar);
    // An option set with Space hands the focus to the tab bar too, from which
    // Ctrl+Tab and the arrow keys change pages.
    m.AutoSave->setFocus();
    const bool autoSave = m.AutoSave->isChecked();
    QTest::keyClick(m.AutoSave, Qt::Key_Space);
    QCOMPARE(m.AutoSave->isChecked(), !autoSave);
    QCOMPARE(QApplication::focusWidget(), tabBar);
    QTest::keyClick(tabBar, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(m.Page->currentWidget(), m.VarTab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    QCOMPARE(m.Page->currentWidget(), m.OptionsTab);
    m.Page->setCurrentWidget(m.EntriesTab);
    QCOMPARE(QApplication::focusWidget(), m.Entries);
}

QTEST_MAIN(TstEntries)
#include "tst_entries.moc"
