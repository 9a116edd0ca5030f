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
    void storedBoundsFittedToScreens_data();
    void storedBoundsFittedToScreens();
    void editorOpensBesideTheOwner_data();
    void editorOpensBesideTheOwner();
};

namespace {

// One screen with a panel at the bottom, and that screen with a smaller
// one to its right.
const QRect Wide(0, 0, 1920, 1040);
const QRect Right(1920, 0, 1280, 1024);
const QSize Minimum(350, 300);

}  // namespace

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

void TstLayout::storedBoundsFittedToScreens_data()
{
    QTest::addColumn<QList<int>>("stored");  // left, top, width, height
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QRect>("want");
    const QList<QRect> one{Wide};
    const QList<QRect> two{Wide, Right};
    const int huge = 1000000000;
    QTest::newRow("fits: kept") << QList<int>{100, 50, 600, 375} << one << QRect(100, 50, 600, 375);
    QTest::newRow("fills the screen exactly: kept") << QList<int>{0, 0, 1920, 1040} << one << Wide;
    QTest::newRow("huge size") << QList<int>{0, 0, huge, huge} << one << Wide;
    QTest::newRow("huge size, placed inside") << QList<int>{200, 100, huge, huge} << one << Wide;
    QTest::newRow("huge everything") << QList<int>{2 * huge, 2 * huge, huge, huge} << one << Wide;
    QTest::newRow("lowest numbers") << QList<int>{INT_MIN, INT_MIN, INT_MIN, INT_MIN} << one
                                    << QRect(0, 0, 350, 300);
    QTest::newRow("negative, off screen") << QList<int>{-5000, -3000, 600, 375} << one << QRect(0, 0, 600, 375);
    QTest::newRow("a little past the left") << QList<int>{-20, 10, 600, 375} << one << QRect(0, 10, 600, 375);
    QTest::newRow("over the panel") << QList<int>{100, 700, 600, 375} << one << QRect(100, 665, 600, 375);
    QTest::newRow("monitor gone") << QList<int>{5000, 3000, 600, 375} << one << QRect(1320, 665, 600, 375);
    QTest::newRow("smaller than the minimum") << QList<int>{100, 100, 10, 0} << one << QRect(100, 100, 350, 300);
    QTest::newRow("second screen: kept") << QList<int>{2000, 100, 600, 375} << two << QRect(2000, 100, 600, 375);
    QTest::newRow("across both screens: kept") << QList<int>{1700, 100, 600, 375} << two
                                               << QRect(1700, 100, 600, 375);
    QTest::newRow("across both, into the gap") << QList<int>{1700, 800, 600, 375} << two
                                               << QRect(1920, 649, 600, 375);
    QTest::newRow("past both screens") << QList<int>{5000, 3000, 600, 375} << two << QRect(2600, 649, 600, 375);
    QTest::newRow("as wide as both: kept") << QList<int>{0, 0, 3200, 600} << two << QRect(0, 0, 3200, 600);
    QTest::newRow("as wide as both, taller than one") << QList<int>{0, 0, 3200, 1030} << two
                                                      << QRect(0, 0, 1920, 1030);
    QTest::newRow("no screen known: kept") << QList<int>{-20, 10, 600, 375} << QList<QRect>{}
                                           << QRect(-20, 10, 600, 375);
}

void TstLayout::storedBoundsFittedToScreens()
{
    QFETCH(QList<int>, stored);
    QFETCH(QList<QRect>, screens);
    QFETCH(QRect, want);
    const QRect got = FitToScreens({stored[0], stored[1], stored[2], stored[3]}, screens, Minimum);
    QCOMPARE(got, want);
    // Whatever was stored, the window put there again stays put.
    if (!screens.isEmpty())
        QCOMPARE(FitToScreens({got.x(), got.y(), got.width(), got.height()}, screens, Minimum), got);
}

void TstLayout::editorOpensBesideTheOwner_data()
{
    QTest::addColumn<QRect>("owner");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("want");
    const QSize editor(400, 250);
    QTest::newRow("room on the right") << QRect(100, 100, 600, 375) << editor << Wide << QRect(700, 100, 400, 250);
    QTest::newRow("owner at the right edge") << QRect(1300, 100, 600, 375) << editor << Wide
                                             << QRect(900, 100, 400, 250);
    QTest::newRow("owner fills the screen") << Wide << editor << Wide << QRect(1520, 0, 400, 250);
    QTest::newRow("owner low on the screen") << QRect(100, 900, 600, 375) << editor << Wide
                                             << QRect(700, 790, 400, 250);
    QTest::newRow("larger than the screen") << QRect(100, 100, 600, 375) << QSize(3000, 2000) << Wide << Wide;
    QTest::newRow("second screen") << QRect(2000, 100, 600, 375) << editor << Right << QRect(2600, 100, 400, 250);
    QTest::newRow("second screen, no room right") << QRect(2700, 100, 500, 375) << editor << Right
                                                  << QRect(2300, 100, 400, 250);
}

void TstLayout::editorOpensBesideTheOwner()
{
    QFETCH(QRect, owner);
    QFETCH(QSize, size);
    QFETCH(QRect, screen);
    QFETCH(QRect, want);
    QCOMPARE(PlaceBeside(owner, size, screen), want);
}

QTEST_GUILESS_MAIN(TstLayout)
#include "tst_layout.moc"
