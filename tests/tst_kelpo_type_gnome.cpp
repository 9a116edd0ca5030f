// The real program as a native Wayland client under a real headless GNOME
// (scripts/with-gnome.sh), where the compositor offers no virtual keyboard:
// Type (pressed through AT-SPI while the target program has the focus)
// asks the desktop portal for the permission, the dialog is answered, and
// the target receives exactly the script's text, a variable included.
#include <QtTest>

#include <QProcess>

#include "support/KelpoTypeRun.h"
#include "support/TypeTarget.h"

using namespace kelpo;

namespace {

// Only characters the compositor's "us" layout has.
const QString Script = QStringLiteral("Abc 123 !?{tab}{email}{enter}");
const QByteArray Variables = "{email}=joerg@example.com\r\n";
const QString Expected = QStringLiteral("Abc 123 !?\njoerg@example.com\n1\n");

QProcess *Atspi(QObject *parent, const QStringList &arguments)
{
    auto *p = new QProcess(parent);
    p->setProcessChannelMode(QProcess::ForwardedChannels);
    p->start(QStringLiteral("python3"), QStringList{QStringLiteral(ATSPI_PY)} + arguments);
    return p;
}

}  // namespace

class TstKelpoTypeGnome : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp_;
    QString dataDir_;
    QProcess kelpo_;
    QByteArray dataFile_;
    QList<QProcess *> helpers_;

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void typesIntoTarget();
};

void TstKelpoTypeGnome::initTestCase()
{
    if (!qEnvironmentVariableIsEmpty("KELPO_NO_WAYLAND"))
        QSKIP(qPrintable(QStringLiteral("no headless GNOME: ") + qEnvironmentVariable("KELPO_NO_WAYLAND")));
    QVERIFY2(!qEnvironmentVariableIsEmpty("KELPO_GNOME"), "run this test through scripts/with-gnome.sh");
    QVERIFY(tmp_.isValid());
    // Kelpo's buttons on AT-SPI.
    qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    dataDir_ = StartKelpoForTyping(tmp_, kelpo_, &dataFile_, Script, Variables);
    QVERIFY(!dataDir_.isEmpty());
}

void TstKelpoTypeGnome::cleanupTestCase()
{
    for (QProcess *p : QList<QProcess *>{&kelpo_} + helpers_) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
}

void TstKelpoTypeGnome::typesIntoTarget()
{
    // Kelpo's window up before the target's, which then has the focus.
    QProcess *shown = Atspi(this, {QStringLiteral("shown"), QStringLiteral("Kelpo"), QStringLiteral("30")});
    helpers_ << shown;
    QVERIFY(shown->waitForFinished(40000));
    QCOMPARE(shown->exitCode(), 0);
    TypeTarget target(tmp_.filePath("typed.txt"));
    QVERIFY(target.Id != 0);
    QTRY_VERIFY_WITH_TIMEOUT(target.Active(), 10000);
    QTest::qWait(400);  // Kelpo looks at the focus every 100 ms

    QProcess *consent = Atspi(this, {QStringLiteral("consent"), QStringLiteral("60")});
    helpers_ << consent;
    QProcess *press = Atspi(this, {QStringLiteral("press"), QStringLiteral("Kelpo"), QStringLiteral("Type"),
                                   QStringLiteral("30")});
    helpers_ << press;
    QVERIFY(press->waitForFinished(40000));
    QCOMPARE(press->exitCode(), 0);
    QVERIFY(consent->waitForFinished(70000));
    QCOMPARE(consent->exitCode(), 0);

    QTRY_COMPARE_WITH_TIMEOUT(target.Received(), Expected, 15000);
    QTest::qWait(300);  // nothing more arrives
    QCOMPARE(target.Received(), Expected);
}

QTEST_GUILESS_MAIN(TstKelpoTypeGnome)
#include "tst_kelpo_type_gnome.moc"
