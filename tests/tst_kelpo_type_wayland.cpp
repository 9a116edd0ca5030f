// The real program as a native Wayland client under a real compositor
// (headless sway, scripts/with-sway.sh): the target program has the focus,
// then Kelpo's window; a click on Type gets Kelpo's window out of the way,
// the focus goes back to the target, and it must receive exactly the
// script's text, variables with non-ASCII values included. Kelpo's window
// comes back afterwards, and nothing typed reaches Kelpo itself.
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

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void typesIntoTarget();
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
}

void TstKelpoTypeWayland::cleanupTestCase()
{
    if (kelpo_.state() != QProcess::NotRunning) {
        kelpo_.kill();
        kelpo_.waitForFinished(5000);
    }
}

void TstKelpoTypeWayland::typesIntoTarget()
{
    TypeTarget target(tmp_.filePath("typed.txt"));
    QVERIFY(target.Id != 0);
    QVERIFY(sway::WaitForFocus(target.Process.processId()));
    QTest::qWait(400);  // Kelpo looks at the focus every 100 ms

    // The click on Type gives Kelpo's window the focus, as the user's would.
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

    QTRY_COMPARE_WITH_TIMEOUT(target.Received(), TypeRunExpected, 15000);
    QTest::qWait(300);  // nothing more arrives
    QCOMPARE(target.Received(), TypeRunExpected);
    // Hidden for the typing, then shown again.
    QTRY_VERIFY_WITH_TIMEOUT(!sway::WindowRect(kelpo_.processId()).isEmpty(), 5000);
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
