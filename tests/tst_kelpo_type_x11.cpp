// The real program types an item's script into another program under a
// real X server with a window manager: the target program is in front,
// then Kelpo's window; a click on Type brings the target back, and it must
// receive exactly the script's text, variables with non-ASCII values
// included, under the "us" layout and under "de", which puts some
// characters on AltGr and moves others. Nothing typed reaches Kelpo itself.
#include <QtTest>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>

#include "support/KelpoTypeRun.h"
#include "support/TypeTarget.h"

using namespace kelpo;

namespace {

const QString MainTitle = QStringLiteral("^Kelpo! V");

quint64 ActiveWindow()
{
    return RunTool("xdotool", {"getactivewindow"}).toULongLong();
}

// Brings a window to the front and waits until the window manager has.
bool Activate(quint64 window)
{
    RunTool("xdotool", {"windowactivate", "--sync", QString::number(window)});
    QDeadlineTimer deadline(5000);
    while (ActiveWindow() != window) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(50);
    }
    return true;
}

// Where the Type button is in the window's coordinates.
QPoint TypeButton(quint64 window)
{
    return GreenKeyboard(QGuiApplication::primaryScreen()->grabWindow(WId(window)).toImage());
}

}  // namespace

class TstKelpoTypeX11 : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp_;
    QString dataDir_;
    QStringList originalLayout_;
    QProcess kelpo_;
    quint64 kelpoWindow_ = 0;
    QByteArray dataFile_;

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void typesIntoTarget_data();
    void typesIntoTarget();
    void shutdownKeepsFiles();
};

void TstKelpoTypeX11::initTestCase()
{
    originalLayout_ = CurrentLayoutArgs();
    QVERIFY(!originalLayout_.isEmpty());

    QVERIFY(tmp_.isValid());
    dataDir_ = StartKelpoForTyping(tmp_, kelpo_, &dataFile_);
    QVERIFY(!dataDir_.isEmpty());
    QDeadlineTimer deadline(10000);
    while (kelpoWindow_ == 0 && !deadline.hasExpired()) {
        kelpoWindow_ = RunTool("xdotool", {"search", "--onlyvisible", "--name", MainTitle}).section('\n', 0, 0).toULongLong();
        QTest::qWait(50);
    }
    QVERIFY2(kelpoWindow_ != 0, "no main window");
}

void TstKelpoTypeX11::cleanupTestCase()
{
    if (kelpo_.state() != QProcess::NotRunning) {
        kelpo_.kill();
        kelpo_.waitForFinished(5000);
    }
    bool ok = false;
    RunTool("setxkbmap", originalLayout_, &ok);
    QVERIFY(ok);
}

void TstKelpoTypeX11::typesIntoTarget_data()
{
    QTest::addColumn<QString>("layout");
    QTest::newRow("us") << "us";
    QTest::newRow("de") << "de";
}

void TstKelpoTypeX11::typesIntoTarget()
{
    QFETCH(QString, layout);
    bool ok = false;
    RunTool("setxkbmap", {"-layout", layout}, &ok);
    QVERIFY(ok);

    const QString file = tmp_.filePath("typed-" + layout + ".txt");
    TypeTarget target(file);
    QVERIFY(target.Id != 0);
    QVERIFY(Activate(target.Id));
    QTest::qWait(400);  // Kelpo looks at the window in front every 100 ms
    QVERIFY(Activate(kelpoWindow_));

    const QPoint type = TypeButton(kelpoWindow_);
    QVERIFY2(!type.isNull(), "the Type button with a script was not found");
    RunTool("xdotool", {"mousemove", "--window", QString::number(kelpoWindow_), QString::number(type.x()),
                     QString::number(type.y()), "click", "1"});

    QTRY_COMPARE_WITH_TIMEOUT(target.Received(), TypeRunExpected, 15000);
    QCOMPARE(ActiveWindow(), target.Id);
    QTest::qWait(300);  // nothing more arrives
    QCOMPARE(target.Received(), TypeRunExpected);
}

// Closing saves: the item and the variables come back unchanged, so no key
// went astray into Kelpo's own fields.
void TstKelpoTypeX11::shutdownKeepsFiles()
{
    RunTool("wmctrl", {"-i", "-c", QString::number(kelpoWindow_)});
    QVERIFY2(kelpo_.waitForFinished(10000), "Kelpo did not end after its window was closed");
    QCOMPARE(kelpo_.exitCode(), 0);
    QCOMPARE(ReadBytes(dataDir_ + "Kelpo.var"), TypeRunVarFile);
    QCOMPARE(ReadBytes(dataDir_ + "Kelpo.dat"), dataFile_);
}

QTEST_MAIN(TstKelpoTypeX11)
#include "tst_kelpo_type_x11.moc"
