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

#include "DataFile.h"
#include "Formats.h"
#include "Model.h"
#include "support/DayText.h"
#include "support/TypeTarget.h"

using namespace kelpo;

namespace {

const QString MainTitle = QStringLiteral("^Kelpo! V");

// Mixed case, digits, every ASCII punctuation mark, lone braces, keys in
// any case, variables in any case and an unknown group.
const QString Script = QStringLiteral(
    "}Zyx Quartz 0123456789 !\"#$%&'()*+,-./:;<=>?@[\\]^_`|~ {Email}{TAB}{first name}, {city}{foo}{enter}end a{b");
const QByteArray VarFile = "{email}=j\xc3\xb6rg@example.com\r\n"
                           "{first name}=Zo\xc3\xa9\r\n"
                           "{city}=Stra\xc3\x9f" "e 5 \xe2\x82\xac {tab} a=b\r\n";
// The target's two fields and its count of Enter presses.
const QString Expected = QString::fromUtf8(
    "}Zyx Quartz 0123456789 !\"#$%&'()*+,-./:;<=>?@[\\]^_`|~ jörg@example.com\n"
    "Zoé, Straße 5 € {tab} a=bend a{b\n"
    "1\n");

QByteArray ReadBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

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

// Where the Type button's green keyboard picture is, in the window's
// coordinates: the pixels right of the item list where green clearly
// outweighs red and blue (the list's own pictures stay left).
QPoint GreenKeyboard(quint64 window)
{
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(WId(window)).toImage();
    qint64 sx = 0, sy = 0, n = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = shot.width() / 3; x < shot.width(); ++x) {
            const QRgb c = shot.pixel(x, y);
            if (qGreen(c) > qRed(c) + 60 && qGreen(c) > qBlue(c) + 40) {
                sx += x;
                sy += y;
                ++n;
            }
        }
    return n < 20 ? QPoint() : QPoint(int(sx / n), int(sy / n));
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
    dataDir_ = tmp_.filePath("xdg-data/Kelpo/");
    const QString runtime = tmp_.filePath("runtime");
    QVERIFY(QDir().mkpath(dataDir_));
    QVERIFY(QDir().mkpath(runtime));
    QFile(runtime).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // The current version (no help page) and a browser (no browser check).
    QVERIFY(WriteBytes(dataDir_ + "Kelpo.ini", "[Version]\r\nVersion=1.8.1\r\n[Options]\r\nBrowser=/bin/true\r\n"));
    QVERIFY(WriteBytes(dataDir_ + "Kelpo.var", VarFile));
    Model model;
    auto rec = std::make_unique<Rec>();
    rec->Name = QStringLiteral("Daily Draw");
    rec->Site = QStringLiteral("http://example.org/form");
    rec->Keys = Script;
    rec->Last = Day(QStringLiteral("01/01/2020 09:00"));
    rec->Ends = Day(QStringLiteral("31/12/2099"));
    model.Items.Append(std::move(rec));
    const Formats formats = Formats::Make(QStringLiteral("dd/MM/yyyy"), QStringLiteral("HH:mm"), QLatin1Char('.'), 2026);
    QVERIFY(BuildDataText(model, formats, &dataFile_));
    QVERIFY(WriteBytes(dataDir_ + "Kelpo.dat", dataFile_));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", tmp_.filePath("xdg-data"));
    env.insert("XDG_RUNTIME_DIR", runtime);
    kelpo_.setProcessEnvironment(env);
    kelpo_.setProcessChannelMode(QProcess::ForwardedChannels);
    kelpo_.start(KELPO_EXE, {});
    QVERIFY(kelpo_.waitForStarted());
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

    const QPoint type = GreenKeyboard(kelpoWindow_);
    QVERIFY2(!type.isNull(), "the Type button with a script was not found");
    RunTool("xdotool", {"mousemove", "--window", QString::number(kelpoWindow_), QString::number(type.x()),
                     QString::number(type.y()), "click", "1"});

    QTRY_COMPARE_WITH_TIMEOUT(target.Received(), Expected, 15000);
    QCOMPARE(ActiveWindow(), target.Id);
    QTest::qWait(300);  // nothing more arrives
    QCOMPARE(target.Received(), Expected);
}

// Closing saves: the item and the variables come back unchanged, so no key
// went astray into Kelpo's own fields.
void TstKelpoTypeX11::shutdownKeepsFiles()
{
    RunTool("wmctrl", {"-i", "-c", QString::number(kelpoWindow_)});
    QVERIFY2(kelpo_.waitForFinished(10000), "Kelpo did not end after its window was closed");
    QCOMPARE(kelpo_.exitCode(), 0);
    QCOMPARE(ReadBytes(dataDir_ + "Kelpo.var"), VarFile);
    QCOMPARE(ReadBytes(dataDir_ + "Kelpo.dat"), dataFile_);
}

QTEST_MAIN(TstKelpoTypeX11)
#include "tst_kelpo_type_x11.moc"
