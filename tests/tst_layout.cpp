// The main window's placement rules, checked from the page size alone.
#include <QtTest>

#include "Layout.h"

using namespace kelpo;

class TstLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void columnsAndButtonRow_data();
    void columnsAndButtonRow();
    void rightAreaLinesUpWithTheList();
    void optionsAndVariablesTabs();
};

void TstLayout::columnsAndButtonRow_data()
{
    QTest::addColumn<int>("W");
    QTest::addColumn<int>("listWidth");
    QTest::addColumn<int>("buttonWidth");
    QTest::newRow("619 wide") << 619 << 203 << 101;
    QTest::newRow("design 619+1") << 620 << 203 << 101;
    QTest::newRow("minimum") << 338 << 109 << 54;
    QTest::newRow("wide") << 1200 << 397 << 198;
}

void TstLayout::columnsAndButtonRow()
{
    QFETCH(int, W);
    QFETCH(int, listWidth);
    QFETCH(int, buttonWidth);
    const MainLayout o = ComputeLayout(W, 350);
    QCOMPARE(o.Entries.width(), listWidth);
    QCOMPARE(o.GroupList.width(), listWidth);
    QCOMPARE(o.NewBut.width(), buttonWidth);
    // Six equal buttons, 2 pixels apart, on one line under the list.
    const QRect row[] = {o.NewBut, o.DelBut, o.GotoBut, o.DoneBut, o.NextBut, o.HelpBut};
    for (int i = 1; i < 6; ++i) {
        QCOMPARE(row[i].x(), row[i - 1].x() + buttonWidth + 2);
        QCOMPARE(row[i].y(), o.NewBut.y());
        QCOMPARE(row[i].width(), buttonWidth);
    }
    QCOMPARE(o.NewBut.y(), o.Entries.y() + o.Entries.height() + 2);
    QCOMPARE(o.Url.x(), listWidth + 4);
    QCOMPARE(o.Url.width(), 2 * listWidth + 2);
}

void TstLayout::rightAreaLinesUpWithTheList()
{
    const MainLayout o = ComputeLayout(619, 350);
    QCOMPARE(o.Url.y(), 22);
    QCOMPARE(o.Entries.y(), 22 + 23 + 19);
    QCOMPARE(o.Entries.height(), 350 - 24 - 23 - 42);
    QCOMPARE(o.Label1.y(), o.Label7.y());
    QCOMPARE(o.Last.y(), o.Label7.y() + 17);
    QCOMPARE(o.EndDate.x(), o.Last.x() + o.Last.width() + 4);
    QCOMPARE(o.NumEntries.width(), 203 / 2 - 2);
    QCOMPARE(o.TypeItIn.x(), o.NumEntries.x() + o.NumEntries.width() + 4);
    QCOMPARE(o.TypeItIn.height(), o.NumEntries.height());
    // Comments end level with the list.
    QCOMPARE(o.Comments.y() + o.Comments.height(), o.Entries.y() + o.Entries.height());
    QCOMPARE(o.Comments.width(), o.Url.width() + 1);
}

void TstLayout::optionsAndVariablesTabs()
{
    const MainLayout o = ComputeLayout(619, 350);
    QCOMPARE(o.GeneralBox.width(), 615);
    QCOMPARE(o.BrowserBox.y(), o.DownloadBox.y());  // takes the hidden box's place
    QCOMPARE(o.DownloadBox.y(), 89 + 2);
    QCOMPARE(o.BrowserBox.height(), 23 + 26);
    QCOMPARE(o.Browser.width(), 615 - 75 - 21);
    QCOMPARE(o.FindButton.x(), o.Browser.width() + 14);
    QCOMPARE(o.AutoSave.width(), 615 - 16);
    QCOMPARE(o.Variables.height(), 350 - 24);
    QCOMPARE(o.VarHelp.x(), 203 + 8);
    QCOMPARE(o.VarHelp.height(), 326 - 46 - 26 - 24 - 18);
    QCOMPARE(o.VarDelButton.x(), o.VarNewButton.x() + o.VarNewButton.width());
    QCOMPARE(o.VarName.x() + o.VarName.width(), 619 - 4);
    QCOMPARE(o.CheckButton.y(), o.FileList.height() + 24);
    QCOMPARE(o.DownloadBut.y(), o.CheckButton.y());
}

QTEST_GUILESS_MAIN(TstLayout)
#include "tst_layout.moc"
