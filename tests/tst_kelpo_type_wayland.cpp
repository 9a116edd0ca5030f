// The real program as a native Wayland client under a real compositor
// (headless sway, scripts/with-sway.sh): the target program has the focus,
// then Kelpo's window; a click on Type gets Kelpo's window out of the way,
// the focus goes back to the target, and it must receive exactly the
// script's text, variables with non-ASCII values included. Kelpo's window
// comes back afterwards, and nothing typed reaches Kelpo itself. With two
// target windows, the text goes to the one the user came from, not to the
// one sway would give the focus to when Kelpo's window goes.
#include <QtTest>

#include <QProcess>

#include "support/KelpoTypeRun.h"
#include "support/Sway.h"
#include "support/VirtualPointer.h"

using namespace kelpo;

class TstKelpoTypeWayland : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp_;
    QString dataDir_;
    QProcess kelpo_;
    QByteArray dataFile_;

    // Clicks Kelpo's Type button, as the user would.
    void clickType();

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void typesIntoTarget();
    void typesIntoTheWindowComeFrom();
    void shutdownKeepsFiles();
};

void TstKelpoTypeWayland::initTestCase()
{
    if (!qEnvironmentVariableIsEmpty("KELPO_NO_WAYLAND"))
        QSKIP(qPrintable(QStringLiteral("no Wayland compositor: ") + qEnvironmentVariable("KELPO_NO_WAYLAND")));
    QVERIFY2(!qEnvironmentVariableIsEmpty("SWAYSOCK"), "run this test through scripts/with-sway.sh");
    QVERIFY(tmp_.isValid());
    dataDir_ = StartKelpoForTyping(tmp_, kelpo_, &dataFile_);
    QVERIFY(!dataDir_.isEmpty());
    QVERIFY2(sway::WaitForFocus(kelpo_.processId()), "Kelpo's window did not appear as a Wayland window");
    // Kelpo tells its own windows in the compositor's list by this id.
    for (const QJsonObject &w : sway::Windows())
        if (w.value(QStringLiteral("pid")).toInteger() == kelpo_.processId())
            QCOMPARE(w.value(QStringLiteral("app_id")).toString(), QStringLiteral(KELPO_APP_ID));
}

void TstKelpoTypeWayland::cleanupTestCase()
{
    if (kelpo_.state() != QProcess::NotRunning) {
        kelpo_.kill();
        kelpo_.waitForFinished(5000);
    }
}

// The click on Type gives Kelpo's window the focus, as the user's would.
void TstKelpoTypeWayland::clickType()
{
    const QRect window = sway::WindowRect(kelpo_.processId());
    const QImage screen = sway::Screen();
    QVERIFY2(!screen.isNull(), "grim took no picture");
    const QPoint type = GreenKeyboard(screen.copy(window));
    if (type.isNull())
        screen.save(QDir::temp().filePath("kelpo-wayland-screen.png"));
    QVERIFY2(!type.isNull(), "the Type button with a script was not found");
    VirtualPointer pointer;
    QVERIFY(pointer.Available());
    QVERIFY(pointer.Click(window.topLeft() + type, screen.size()));
}

void TstKelpoTypeWayland::typesIntoTarget()
{
    TypeTarget target(tmp_.filePath("typed.txt"));
    QVERIFY(target.Id != 0);
    QVERIFY(sway::WaitForFocus(target.Process.processId()));
    QTest::qWait(400);  // Kelpo looks at the focus every 100 ms

    clickType();
    if (QTest::currentTestFailed())
        return;
    QTRY_COMPARE_WITH_TIMEOUT(target.Received(), TypeRunExpected, 15000);
    QTest::qWait(300);  // nothing more arrives
    QCOMPARE(target.Received(), TypeRunExpected);
    // Hidden for the typing, then shown again.
    QTRY_VERIFY_WITH_TIMEOUT(!sway::WindowRect(kelpo_.processId()).isEmpty(), 5000);
}

// Kelpo's window and B share a column, A has the other half: when Kelpo's
// window goes, sway gives the focus to B, the last one focused in that
// column. A must get the text all the same, and B nothing.
void TstKelpoTypeWayland::typesIntoTheWindowComeFrom()
{
    TypeTarget a(tmp_.filePath("a.txt"));
    QVERIFY(a.Id != 0);
    QVERIFY(sway::WaitForFocus(a.Process.processId()));
    TypeTarget b(tmp_.filePath("b.txt"));
    QVERIFY(b.Id != 0);
    QVERIFY(sway::WaitForFocus(b.Process.processId()));
    const auto sway = [](const QString &command) {
        bool ok = false;
        RunTool(QStringLiteral("swaymsg"), {command}, &ok);
        return ok;
    };
    const qint64 kelpo = kelpo_.processId();
    QVERIFY(sway(QStringLiteral("[pid=%1] focus, splitv, mark kelpo").arg(kelpo)));
    QVERIFY(sway(QStringLiteral("[pid=%1] move window to mark kelpo").arg(b.Process.processId())));
    QVERIFY(sway(QStringLiteral("[pid=%1] focus").arg(a.Process.processId())));
    QVERIFY(sway::WaitForFocus(a.Process.processId()));
    QTest::qWait(400);  // Kelpo looks at the focus every 100 ms

    clickType();
    if (QTest::currentTestFailed())
        return;
    QTRY_COMPARE_WITH_TIMEOUT(a.Received(), TypeRunExpected, 15000);
    QTest::qWait(300);
    QCOMPARE(a.Received(), TypeRunExpected);
    QCOMPARE(b.Received(), QStringLiteral("\n\n0\n"));  // as it started
    QTRY_VERIFY_WITH_TIMEOUT(!sway::WindowRect(kelpo).isEmpty(), 5000);
}

// Closing saves: the item and the variables come back unchanged, so no key
// went astray into Kelpo's own fields.
void TstKelpoTypeWayland::shutdownKeepsFiles()
{
    bool ok = false;
    RunTool("swaymsg", {QStringLiteral("[pid=%1] kill").arg(kelpo_.processId())}, &ok);
    QVERIFY(ok);
    QVERIFY2(kelpo_.waitForFinished(10000), "Kelpo did not end after its window was closed");
    QCOMPARE(kelpo_.exitCode(), 0);
    QCOMPARE(ReadBytes(dataDir_ + "Kelpo.var"), TypeRunVarFile);
    QCOMPARE(ReadBytes(dataDir_ + "Kelpo.dat"), dataFile_);
}

QTEST_MAIN(TstKelpoTypeWayland)
#include "tst_kelpo_type_wayland.moc"
