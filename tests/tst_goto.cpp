// Opening web sites from the main window: Goto and its three ways in, the
// refused addresses, the browser chooser, the data folder, and the start-up
// check for a browser (in a child process with its own desktop settings).
#include <QtTest>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include "support/MainFixture.h"

using namespace kelpo;

Q_DECLARE_METATYPE(kelpo::BrowserCheck)

namespace {

const char *const StartOption = "--start-window";

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

BrowserCheck Answer(bool created, bool registered)
{
    BrowserCheck check;
    check.probeCreated = created;
    check.registered = registered;
    if (!created)
        check.error = QStringLiteral("Kelpo could not create the file \"x\" to look for a browser:\nRead-only");
    return check;
}

// The child: a main window started in `dataDir` with the desktop's real
// browser question; prints every box it showed, one per line.
int StartWindow(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString dataDir = QString::fromLocal8Bit(argv[2]);
    WriteFile(dataDir + QStringLiteral("Kelpo.ini"), "[Version]\r\nVersion=1.8.1\r\n");
    FakeDialogs dialogs;
    FakeDesktop desktop;
    FixedClock clock{QDateTime(QDate(2026, 12, 10), QTime(12, 0))};
    const MainServices s{dialogs, desktop, clock, MainFixture::Dates(), QString(), QString(), dataDir, QString()};
    TMainForm form(s);
    QTextStream out(stdout);
    for (const FakeDialogs::Shown &shown : dialogs.shown)
        out << shown.kind << ": " << QString(shown.text).replace(QLatin1Char('\n'), QLatin1Char('|')) << '\n';
    return 0;
}

}  // namespace

class TstGoto : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void gotoAddress_data();
    void gotoAddress();
    void missingBrowserIsNamed();
    void gotoWaysIn_data();
    void gotoWaysIn();
    void browserChooserAndDataFolder();
    void startupCheck_data();
    void startupCheck();
    void startupCheckOnTheDesktop_data();
    void startupCheckOnTheDesktop();
};

void TstGoto::gotoAddress_data()
{
    QTest::addColumn<QString>("browser");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<QString>("opened");         // handed to the desktop
    QTest::addColumn<QStringList>("arguments");  // given to the chosen browser
    QTest::addColumn<bool>("refused");
    QTest::newRow("default handler") << "" << "http://lotto.example/enter" << true << "http://lotto.example/enter"
                                     << QStringList() << false;
    QTest::newRow("no scheme") << "" << "www.lotto.example/x" << true << "http://www.lotto.example/x"
                               << QStringList() << false;
    QTest::newRow("chosen browser: one argument") << "/opt/web browser/run" << "https://x.org/a b?q=1 2" << true
                                                  << "" << QStringList{"https://x.org/a b?q=1 2"} << false;
    QTest::newRow("refused: local file") << "" << "file:///etc/passwd" << true << "" << QStringList() << true;
    QTest::newRow("refused: desktop file") << "" << "/home/me/launch.desktop" << true << "" << QStringList()
                                           << true;
    QTest::newRow("refused: an option for the browser") << "/usr/bin/web" << "-new-window" << true << ""
                                                        << QStringList() << true;
    QTest::newRow("refused: script") << "/usr/bin/web" << "javascript:alert(1)" << true << "" << QStringList()
                                     << true;
    QTest::newRow("no focused row") << "" << "http://lotto.example" << false << "" << QStringList() << false;
    QTest::newRow("empty address") << "" << "" << true << "" << QStringList() << false;
}

// Goto opens the address in the edit, changes nothing in the item, and hands
// the focus back to the list.
void TstGoto::gotoAddress()
{
    QFETCH(QString, browser);
    QFETCH(QString, address);
    QFETCH(bool, focused);
    QFETCH(QString, opened);
    QFETCH(QStringList, arguments);
    QFETCH(bool, refused);
    MainFixture f;
    Rec *rec = f.Add("item", 0, QStringLiteral("01/12/2026 08:00"), QStringLiteral("31/12/2027"), QString(), false);
    rec->Count = 3;
    f.Show();
    TMainForm &m = *f.form;
    m.show();
    QVERIFY(QTest::qWaitForWindowActive(&m));
    m.Browser->setText(browser);
    f.Select(focused ? QList<int>{0} : QList<int>(), focused ? 0 : -1);
    m.Url->setText(address);
    m.GotoBut->setFocus();
    m.GotoButClick();
    QCOMPARE(f.desktop.opened.size(), opened.isEmpty() ? 0 : 1);
    if (!opened.isEmpty())
        QCOMPARE(f.desktop.opened.at(0).toString(), opened);
    QCOMPARE(f.desktop.started.size(), arguments.isEmpty() ? 0 : 1);
    if (!arguments.isEmpty()) {
        QCOMPARE(f.desktop.started.at(0).program, browser);
        QCOMPARE(f.desktop.started.at(0).arguments, arguments);
    }
    QCOMPARE(f.dialogs.Texts("Error"),
             refused ? QStringList{NotWebAddressMessage(address, CheckWebAddress(address))} : QStringList());
    QVERIFY(!rec->Done);
    QCOMPARE(DateTimeText(rec->Last), QStringLiteral("01/12/2026 08:00"));
    QCOMPARE(rec->Count, 3);
    QCOMPARE(QApplication::focusWidget(), m.Entries);
}

// A chosen browser that cannot start: the default one opens the site, and
// the user is told which setting is wrong.
void TstGoto::missingBrowserIsNamed()
{
    MainFixture f;
    f.Add("item");
    f.Show();
    TMainForm &m = *f.form;
    m.SelectOneItem(0);
    m.Browser->setText(QStringLiteral("/opt/gone/web"));
    m.Url->setText(QStringLiteral("http://lotto.example/"));
    f.desktop.starts = false;
    m.GotoButClick();
    QCOMPARE(f.desktop.started.size(), 1);
    QCOMPARE(f.desktop.opened, QList<QUrl>{QUrl(QStringLiteral("http://lotto.example/"))});
    const QStringList errors = f.dialogs.Texts("Error");
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith(QStringLiteral("The browser \"/opt/gone/web\" could not be started")),
             qPrintable(errors.first()));
}

void TstGoto::gotoWaysIn_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("button") << "button";
    QTest::newRow("Ctrl+G") << "key";
    QTest::newRow("menu entry") << "menu";
    QTest::newRow("double click on the row") << "double click";
}

void TstGoto::gotoWaysIn()
{
    QFETCH(QString, way);
    MainFixture f;
    f.Add("first");
    f.Add("second");
    f.Show();
    TMainForm &m = *f.form;
    m.show();
    QVERIFY(QTest::qWaitForWindowActive(&m));
    m.SelectOneItem(1);
    if (way == QLatin1String("button"))
        m.GotoBut->click();
    else if (way == QLatin1String("key"))
        QTest::keyClick(m.Entries, Qt::Key_G, Qt::ControlModifier);
    else if (way == QLatin1String("menu"))
        m.MenuGotoURL->trigger();
    else {
        // A first click, then the second press that arrives as a double click.
        const QPoint at = m.Entries->visualRect(m.EntriesList->index(1)).center();
        QTest::mouseClick(m.Entries->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(m.Entries->viewport(), Qt::LeftButton, {}, at);
    }
    QCOMPARE(f.desktop.opened, QList<QUrl>{QUrl(QStringLiteral("http://second.example"))});
}

void TstGoto::browserChooserAndDataFolder()
{
    MainFixture f;
    TMainForm &m = *f.form;
    m.Browser->setText(QStringLiteral("/usr/bin/old"));
    f.dialogs.fileAnswers.enqueue(QString());  // cancelled
    m.FindButton->click();
    QCOMPARE(m.Browser->text(), QStringLiteral("/usr/bin/old"));
    f.dialogs.fileAnswers.enqueue(QStringLiteral("/opt/new browser/run"));
    m.FindButton->click();
    QCOMPARE(m.Browser->text(), QStringLiteral("/opt/new browser/run"));
    QCOMPARE(f.dialogs.shown.size(), 2);
    for (const FakeDialogs::Shown &s : f.dialogs.shown) {
        QCOMPARE(s.kind, QStringLiteral("Program"));
        QCOMPARE(s.title, QStringLiteral("Find your Browser"));
    }

    // The right button on Find opens the data folder; on Goto it does nothing.
    QTest::mousePress(m.GotoBut, Qt::RightButton);
    QVERIFY(f.desktop.opened.isEmpty());
    QTest::mousePress(m.FindButton, Qt::RightButton);
    QCOMPARE(f.desktop.opened, QList<QUrl>{QUrl::fromLocalFile(m.DataDir)});
    QCOMPARE(f.dialogs.shown.size(), 2);
}

void TstGoto::startupCheck_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<BrowserCheck>("answer");
    QTest::addColumn<QString>("kind");  // of the box shown; empty: none
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("asked");
    const BrowserCheck failed = Answer(false, false);
    QTest::newRow("a browser is registered") << QByteArray() << Answer(true, true) << "" << "" << true;
    QTest::newRow("none is registered") << QByteArray() << Answer(true, false) << "Information" << NoBrowserMessage
                                        << true;
    QTest::newRow("the probe file cannot be made") << QByteArray() << failed << "Error" << failed.error << true;
    QTest::newRow("a browser is chosen") << QByteArray("[Options]\r\nBrowser=/opt/web/run\r\n")
                                         << Answer(true, false) << "" << "" << false;
}

// The check runs at start-up only while no browser is chosen; what it finds
// is reported once and start-up goes on.
void TstGoto::startupCheck()
{
    QFETCH(QByteArray, settings);
    QFETCH(BrowserCheck, answer);
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(bool, asked);
    QStringList folders;
    MainFixture f(settings, [&](const QString &dataDir) {
        folders.append(dataDir);
        return answer;
    });
    QCOMPARE(folders, asked ? QStringList{f.form->DataDir} : QStringList());
    QCOMPARE(f.dialogs.shown.size(), kind.isEmpty() ? 0 : 1);
    if (!kind.isEmpty()) {
        QCOMPARE(f.dialogs.shown.at(0).kind, kind);
        QCOMPARE(f.dialogs.shown.at(0).text, text);
    }
}

void TstGoto::startupCheckOnTheDesktop_data()
{
    QTest::addColumn<bool>("association");
    QTest::newRow("text/html has a program") << true;
    QTest::newRow("no program for web pages") << false;
}

// The real question to the desktop, in a child process whose XDG folders
// have, or lack, a program for text/html. The probe file is gone afterwards.
void TstGoto::startupCheckOnTheDesktop()
{
    QFETCH(bool, association);
    QTemporaryDir tmp;
    const QString root = tmp.path();
    for (const char *sub : {"data", "home", "share/applications", "config", "sysshare", "sysconfig"})
        QVERIFY(QDir(root).mkpath(QString::fromLatin1(sub)));
    const QString dataDir = root + QStringLiteral("/data/");
    if (association) {
        const QString exe = root + QStringLiteral("/fakebrowser");
        QVERIFY(WriteFile(exe, "#!/bin/sh\nexit 0\n"));
        QVERIFY(QFile::setPermissions(exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(WriteFile(root + QStringLiteral("/share/applications/fake.desktop"),
                          "[Desktop Entry]\nType=Application\nName=Fake Browser\nExec=" + exe.toUtf8() +
                              " %u\nMimeType=text/html;\n"));
        QVERIFY(WriteFile(root + QStringLiteral("/config/mimeapps.list"),
                          "[Default Applications]\ntext/html=fake.desktop\n"));
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/share"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_DIRS"), root + QStringLiteral("/sysshare"));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), root + QStringLiteral("/sysconfig"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
    QProcess child;
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(StartOption), dataDir});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    const QString boxes = QString::fromLocal8Bit(child.readAllStandardOutput());
    const QString warning = QStringLiteral("Information: ") + QString(NoBrowserMessage).replace('\n', '|') + '\n';
    QCOMPARE(boxes, association ? QString() : warning);
    QVERIFY(!QFileInfo::exists(dataDir + QStringLiteral("~~test.html")));
    QVERIFY(QFileInfo::exists(dataDir + QStringLiteral("Kelpo.ini")));  // the window did start there
}

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], StartOption) == 0)
        return StartWindow(argc, argv);
    QApplication app(argc, argv);
    TstGoto test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_goto.moc"
