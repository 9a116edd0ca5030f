// Web sites: the address check, the browser launch, the start-up browser
// check and reading dropped links.
#include <QtTest>

#include <QMimeData>

#include <sys/stat.h>

#include "Browser.h"
#include "Desktop.h"
#include "LinkDrop.h"
#include "WebAddress.h"
#include "support/FakeDesktop.h"

using namespace kelpo;

namespace {

// GIO reads the MIME associations once per process, so each browser check
// runs in a fresh copy of this program started with this option.
const char *const BrowserCheckOption = "--browser-check";

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray Utf16(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

}  // namespace

class TestWeb : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void checkAddress_data();
    void checkAddress();
    void refusalMessage();
    void gotoUrl_data();
    void gotoUrl();
    void pageOpenFailures_data();
    void pageOpenFailures();
    void missingBrowserReported();
    void browserCheck_data();
    void browserCheck();
    void browserCheckWithoutProbe();
    void executableFile();
    void linkDrop_data();
    void linkDrop();
    void proposedName_data();
    void proposedName();

private:
    QTemporaryDir dir_;
};

void TestWeb::initTestCase()
{
    QVERIFY(dir_.isValid());
}

void TestWeb::checkAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("address");  // empty: refused
    QTest::addColumn<QString>("url");      // fully encoded; or a part of the reason when refused

    QTest::newRow("web address") << "http://example.org/a?b=1" << "http://example.org/a?b=1"
                                 << "http://example.org/a?b=1";
    QTest::newRow("scheme in capitals") << "HTTP://Example.org" << "HTTP://Example.org" << "http://example.org";
    QTest::newRow("blanks around") << "  example.org  " << "http://example.org" << "http://example.org";
    QTest::newRow("no scheme, path") << "www.x.org/a" << "http://www.x.org/a" << "http://www.x.org/a";
    QTest::newRow("host and port") << "localhost:8080" << "http://localhost:8080" << "http://localhost:8080";
    QTest::newRow("port and path") << "x.org:80/path" << "http://x.org:80/path" << "http://x.org:80/path";
    QTest::newRow("address in brackets") << "[::1]:8080/x" << "http://[::1]:8080/x" << "http://[::1]:8080/x";
    QTest::newRow("ftp") << "ftp://x" << "ftp://x" << "ftp://x";
    QTest::newRow("https, blank in path") << "https://x.org/a b" << "https://x.org/a b" << "https://x.org/a%20b";
    QTest::newRow("user in a full address") << "ftp://me:pw@x.org/" << "ftp://me:pw@x.org/" << "ftp://me:pw@x.org/";

    QTest::newRow("empty") << "" << "" << "empty";
    QTest::newRow("only blanks") << " \t " << "" << "empty";
    QTest::newRow("script") << "javascript:alert(1)" << "" << "script";
    QTest::newRow("script, capitals") << "JavaScript:alert(1)" << "" << "script";
    QTest::newRow("local file url") << "file:///etc/passwd" << "" << "file";
    QTest::newRow("data") << "data:text/html,<b>x</b>" << "" << "content";
    QTest::newRow("mail url") << "mailto:a@b.org" << "" << "mail";
    QTest::newRow("mail address") << "user@host" << "" << "mail";
    QTest::newRow("other scheme") << "about:blank" << "" << "\"about:\"";
    QTest::newRow("user and password, no scheme") << "me:pw@host" << "" << "\"me:\"";
    QTest::newRow("program path") << "/usr/bin/xterm" << "" << "file path";
    QTest::newRow("home path") << "~/x.desktop" << "" << "file path";
    QTest::newRow("relative path") << "./x.desktop" << "" << "file path";
    QTest::newRow("drive path") << "c:\\windows\\x.exe" << "" << "file path";
    QTest::newRow("drive path, slash") << "C:/x" << "" << "file path";
    QTest::newRow("network share") << "\\\\server\\share" << "" << "file path";
    QTest::newRow("option") << "-new-window" << "" << "\"-\"";
    QTest::newRow("no slashes") << "http:x.org" << "" << "\"//\"";
    QTest::newRow("no host") << "http://" << "" << "no host";
    QTest::newRow("path as host") << "http:///etc/passwd" << "" << "no host";
    QTest::newRow("user only") << "http://me@/x" << "" << "not valid";
    QTest::newRow("blank in host") << "http://exa mple.org/" << "" << "blank";
    QTest::newRow("blank in host, no scheme") << "exa mple.org" << "" << "blank";
    QTest::newRow("backslash in host") << "http://x.org\\@evil.example/" << "" << "backslash";
    QTest::newRow("line break") << "http://x.org/\nfoo" << "" << "control";
    QTest::newRow("tab") << "exa\tmple.org" << "" << "control";
    QTest::newRow("direction mark in host") << QString::fromUtf8("http://a\u202Eb.org") << "" << "invisible";
}

void TestWeb::checkAddress()
{
    QFETCH(QString, text);
    QFETCH(QString, address);
    QFETCH(QString, url);

    const AddressCheck check = CheckWebAddress(text);
    if (address.isEmpty()) {
        QVERIFY(!check.ok);
        QVERIFY2(check.reason.contains(url, Qt::CaseInsensitive), qPrintable(check.reason));
        QVERIFY(check.address.isEmpty());
        return;
    }
    QVERIFY2(check.ok, qPrintable(check.reason));
    QCOMPARE(check.address, address);
    QCOMPARE(check.url.toString(QUrl::FullyEncoded), url);
}

void TestWeb::refusalMessage()
{
    const QString text = QStringLiteral(" file:///etc/passwd ");
    QCOMPARE(NotWebAddressMessage(text, CheckWebAddress(text)),
             QStringLiteral("\"file:///etc/passwd\" is not a web address, so Kelpo will not open it.\n"
                            "It names a file on this computer.\n"
                            "Only addresses starting with http://, https:// or ftp:// can be opened."));

    // Control characters become visible marks and a long text is shortened,
    // so the box stays readable whatever the item holds.
    const QString hostile = QStringLiteral("x\ty") + QString(300, u'a');
    const QString firstLine = NotWebAddressMessage(hostile, CheckWebAddress(hostile)).section(u'\n', 0, 0);
    QVERIFY(firstLine.startsWith(QStringLiteral("\"x\uFFFDyaaa")));
    QVERIFY(firstLine.contains(QStringLiteral("a\u2026\" is not")));
    QVERIFY(firstLine.size() < 160);
}

void TestWeb::gotoUrl_data()
{
    QTest::addColumn<QString>("browser");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("opened");        // handed to the desktop's handler
    QTest::addColumn<QStringList>("arguments"); // given to the chosen browser

    QTest::newRow("default handler") << "" << "  example.org/x  " << "http://example.org/x" << QStringList();
    QTest::newRow("chosen browser") << "/opt/web browser/run" << "https://x.org/a b?q=1 2" << ""
                                    << QStringList{"https://x.org/a b?q=1 2"};
    QTest::newRow("chosen browser, no scheme") << "firefox" << "x.org" << "" << QStringList{"http://x.org"};
    QTest::newRow("refused, default handler") << "" << "javascript:alert(1)" << "" << QStringList();
    QTest::newRow("refused, chosen browser") << "firefox" << "-new-window" << "" << QStringList();
}

void TestWeb::gotoUrl()
{
    QFETCH(QString, browser);
    QFETCH(QString, address);
    QFETCH(QString, opened);
    QFETCH(QStringList, arguments);

    FakeDesktop desktop;
    PageOpen launched;
    const AddressCheck check = GotoUrl(desktop, browser, address, &launched);
    QCOMPARE(launched.opened, check.ok);
    QVERIFY(!launched.browserFailed);
    QCOMPARE(desktop.opened.size(), opened.isEmpty() ? 0 : 1);
    if (!opened.isEmpty())
        QCOMPARE(desktop.opened.at(0).toString(), opened);
    QCOMPARE(desktop.started.size(), arguments.isEmpty() ? 0 : 1);
    if (!arguments.isEmpty()) {
        QCOMPARE(desktop.started.at(0).program, browser);
        QCOMPARE(desktop.started.at(0).arguments, arguments);
    }

    // A launch the desktop cannot perform is passed on, not hidden.
    desktop.result = false;
    GotoUrl(desktop, browser, address, &launched);
    QVERIFY(!launched.opened);
    if (check.ok)
        QVERIFY(!PageOpenProblem(launched, browser).isEmpty());
}

void TestWeb::pageOpenFailures_data()
{
    QTest::addColumn<QString>("browser");
    QTest::addColumn<bool>("browserStarts");
    QTest::addColumn<bool>("desktopOpens");
    QTest::addColumn<int>("defaultOpens");  // how often the desktop's handler was asked
    QTest::addColumn<QString>("problem");

    const QString check = QStringLiteral("Please check the Browser setting on the Options tab.");
    QTest::newRow("chosen browser starts") << "/usr/bin/web" << true << true << 0 << "";
    QTest::newRow("chosen browser missing, default used")
        << "/gone/web" << false << true << 1
        << "The browser \"/gone/web\" could not be started, so the desktop's default browser was asked to open the page "
           "instead.\n" + check;
    QTest::newRow("chosen browser missing, no default")
        << "/gone/web" << false << false << 1 << "The browser \"/gone/web\" could not be started.\n" + check;
    QTest::newRow("no chosen browser, no default")
        << "" << true << false << 1
        << "No program could open the page.\nPlease go to the Options tab and select a browser.";
}

// A page that does not open as asked is never passed over in silence.
void TestWeb::pageOpenFailures()
{
    QFETCH(QString, browser);
    QFETCH(bool, browserStarts);
    QFETCH(bool, desktopOpens);
    QFETCH(int, defaultOpens);
    QFETCH(QString, problem);

    FakeDesktop desktop;
    desktop.starts = browserStarts;
    desktop.result = desktopOpens;
    PageOpen opened;
    QVERIFY(GotoUrl(desktop, browser, QStringLiteral("http://x.example/"), &opened).ok);
    QCOMPARE(desktop.opened.size(), defaultOpens);
    QCOMPARE(PageOpenProblem(opened, browser), problem);
}

// The real shell reports a browser that cannot start.
void TestWeb::missingBrowserReported()
{
    QTemporaryDir tmp;
    const QString notProgram = tmp.filePath(QStringLiteral("browser"));
    QVERIFY(WriteFile(notProgram, "not a program"));
    SystemDesktop desktop;
    for (const QString &browser : {tmp.filePath(QStringLiteral("missing")), notProgram})
        QVERIFY2(!desktop.StartDetached(browser, {QStringLiteral("http://x.example/")}), qPrintable(browser));
}

void TestWeb::browserCheck_data()
{
    QTest::addColumn<bool>("association");
    QTest::addColumn<bool>("leftoverLink");

    QTest::newRow("text/html has a program") << true << false;
    QTest::newRow("no program") << false << false;
    QTest::newRow("no program, old probe is a link") << false << true;
}

void TestWeb::browserCheck()
{
    QFETCH(bool, association);
    QFETCH(bool, leftoverLink);

    QTemporaryDir tmp;
    const QString root = tmp.path();
    for (const char *sub : {"data", "home", "share/applications", "config", "sysshare", "sysconfig"})
        QVERIFY(QDir(root).mkpath(QString::fromLatin1(sub)));
    const QString dataDir = root + QStringLiteral("/data/");
    const QString probe = dataDir + QStringLiteral("~~test.html");

    if (association) {
        const QString exe = root + QStringLiteral("/fakebrowser");
        QVERIFY(WriteFile(exe, "#!/bin/sh\nexit 0\n"));
        QVERIFY(QFile::setPermissions(exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(WriteFile(root + QStringLiteral("/share/applications/fake.desktop"),
                          "[Desktop Entry]\nType=Application\nName=Fake Browser\nExec=" + exe.toUtf8()
                              + " %u\nMimeType=text/html;\n"));
        QVERIFY(WriteFile(root + QStringLiteral("/config/mimeapps.list"),
                          "[Default Applications]\ntext/html=fake.desktop\n"));
    }
    const QString precious = root + QStringLiteral("/precious.txt");
    if (leftoverLink) {
        QVERIFY(WriteFile(precious, "keep me"));
        QVERIFY(QFile::link(precious, probe));
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/share"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_DIRS"), root + QStringLiteral("/sysshare"));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), root + QStringLiteral("/sysconfig"));
    env.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
    QProcess child;
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(BrowserCheckOption), dataDir});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), association ? 0 : 1);

    QVERIFY(!QFileInfo(probe).exists());
    QVERIFY(!QFileInfo(probe).isSymLink());
    if (leftoverLink) {
        QFile kept(precious);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("keep me"));
    }
}

void TestWeb::browserCheckWithoutProbe()
{
    // A data folder where the probe cannot be made: an error for the caller,
    // and no question is asked.
    const QString dataDir = dir_.filePath(QStringLiteral("missing/"));
    const BrowserCheck check = CheckBrowserRegistered(dataDir);
    QVERIFY(!check.probeCreated);
    QVERIFY(!check.registered);
    QVERIFY2(check.error.contains(dataDir + QStringLiteral("~~test.html")), qPrintable(check.error));
}

void TestWeb::executableFile()
{
    const QString program = dir_.filePath(QStringLiteral("program"));
    const QString plain = dir_.filePath(QStringLiteral("plain.txt"));
    const QString link = dir_.filePath(QStringLiteral("program-link"));
    QVERIFY(WriteFile(program, "#!/bin/sh\n"));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(WriteFile(plain, "text"));
    QVERIFY(QFile::link(program, link));

    QVERIFY(IsExecutableFile(program));
    QVERIFY(IsExecutableFile(link));
    QVERIFY(!IsExecutableFile(plain));
    QVERIFY(!IsExecutableFile(dir_.path()));  // folders can be entered, not run
    QVERIFY(!IsExecutableFile(dir_.filePath(QStringLiteral("missing"))));
    QVERIFY(!IsExecutableFile(QString()));
}

void TestWeb::linkDrop_data()
{
    QTest::addColumn<QStringList>("formats");
    QTest::addColumn<QByteArrayList>("payloads");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("title");

    const QString moz = QStringLiteral("text/x-moz-url");
    const QString netscape = QStringLiteral("_NETSCAPE_URL");
    const QString uris = QStringLiteral("text/uri-list");
    const QString text = QStringLiteral("text/plain");
    const auto fileUri = [](const QString &path) { return QUrl::fromLocalFile(path).toEncoded() + "\r\n"; };

    const QString urlFile = dir_.filePath(QStringLiteral("Daily Draw.url"));
    QVERIFY(WriteFile(urlFile, "[DEFAULT]\r\nBASEURL=http://wrong.example/\r\n[InternetShortcut]\r\n"
                               "url = http://draw.example/enter\r\nURL=http://second.example/\r\n"));
    const QString urlFileNoAddress = dir_.filePath(QStringLiteral("Shortcut to Empty.URL"));
    QVERIFY(WriteFile(urlFileNoAddress, "[InternetShortcut]\r\nIconIndex=0\r\n"));
    const QString linkFile = dir_.filePath(QStringLiteral("prize.desktop"));
    QVERIFY(WriteFile(linkFile, "[Desktop Entry]\nType=Link\nName[de]=Preis\nName=Prize\\sDraw\n"
                                "URL[$e]=https://prize.example/\n"));
    const QString programFile = dir_.filePath(QStringLiteral("xterm.desktop"));
    QVERIFY(WriteFile(programFile, "[Desktop Entry]\nType=Application\nName=XTerm\nExec=xterm\n"));
    const QString ansiFile = dir_.filePath(QStringLiteral("caf\u00e9.url"));
    QVERIFY(WriteFile(ansiFile, "[InternetShortcut]\r\nURL=http://caf\xe9.example/\r\n"));  // Windows-1252
    const QString pipe = dir_.filePath(QStringLiteral("pipe.url"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);  // would block a plain read
    // Found by fuzzing: a lone CR inside a line stayed in the address.
    const QString loneCrFile = dir_.filePath(QStringLiteral("old mac.desktop"));
    QVERIFY(WriteFile(loneCrFile, "[Desktop Entry]\rType=Link\rURL=https://mac.example/\rName=Mac\r"));
    const QString otherFile = dir_.filePath(QStringLiteral("notes.txt"));
    QVERIFY(WriteFile(otherFile, "http://notes.example/\n"));

    QTest::newRow("browser link with title")
        << QStringList{moz, uris} << QByteArrayList{Utf16("https://a.example/x\nShortcut to Daily Draw"), "https://b.example/\r\n"}
        << "https://a.example/x" << "Shortcut to Daily Draw";
    QTest::newRow("browser link, title from a later source")
        << QStringList{moz, uris} << QByteArrayList{Utf16("https://a.example/x\n"), fileUri(urlFile)}
        << "https://a.example/x" << "Daily Draw";
    QTest::newRow("netscape link")
        << QStringList{netscape} << QByteArrayList{"http://n.example/\nNet Title"} << "http://n.example/" << "Net Title";
    QTest::newRow("uri list, first entry after comments")
        << QStringList{uris} << QByteArrayList{"# from a browser\r\nhttp://u.example/p\r\nhttp://second.example/\r\n"}
        << "http://u.example/p" << "";
    QTest::newRow("shortcut file") << QStringList{uris} << QByteArrayList{fileUri(urlFile)}
                                   << "http://draw.example/enter" << "Daily Draw";
    QTest::newRow("shortcut file without address") << QStringList{uris} << QByteArrayList{fileUri(urlFileNoAddress)}
                                                   << "" << "Shortcut to Empty";
    QTest::newRow("shortcut file from the classic desktop")
        << QStringList{uris} << QByteArrayList{fileUri(ansiFile)} << QStringLiteral("http://caf\u00e9.example/")
        << QStringLiteral("caf\u00e9");
    QTest::newRow("pipe named like a shortcut") << QStringList{uris} << QByteArrayList{fileUri(pipe)} << "" << "pipe";
    QTest::newRow("desktop link file") << QStringList{uris} << QByteArrayList{fileUri(linkFile)}
                                       << "https://prize.example/" << "Prize Draw";
    QTest::newRow("desktop file with lone CR line ends") << QStringList{uris} << QByteArrayList{fileUri(loneCrFile)}
                                                         << "https://mac.example/" << "Mac";
    QTest::newRow("desktop program file") << QStringList{uris} << QByteArrayList{fileUri(programFile)} << "" << "";
    QTest::newRow("other local file") << QStringList{uris} << QByteArrayList{fileUri(otherFile)} << "" << "";
    // Found by fuzzing: a line break in the file's name stayed in the title.
    QTest::newRow("line break in a shortcut file's name")
        << QStringList{uris} << QByteArrayList{fileUri(dir_.filePath(QStringLiteral("\rtwo\nlines.url")))} << ""
        << "two lines";
    QTest::newRow("missing shortcut file")
        << QStringList{uris} << QByteArrayList{fileUri(dir_.filePath(QStringLiteral("gone.url")))} << "" << "gone";
    QTest::newRow("plain text link") << QStringList{text} << QByteArrayList{"  http://p.example/x \nmore text"}
                                     << "http://p.example/x" << "";
    QTest::newRow("plain text without link") << QStringList{text} << QByteArrayList{"just words"} << "" << "";
    QTest::newRow("plain text starting with ://") << QStringList{text} << QByteArrayList{"://x.example"} << "" << "";
    QTest::newRow("nothing") << QStringList{QStringLiteral("image/png")} << QByteArrayList{"\x89PNG"} << "" << "";
}

void TestWeb::linkDrop()
{
    QFETCH(QStringList, formats);
    QFETCH(QByteArrayList, payloads);
    QFETCH(QString, address);
    QFETCH(QString, title);

    QMimeData mime;
    for (qsizetype i = 0; i < formats.size(); ++i)
        mime.setData(formats.at(i), payloads.at(i));
    const DroppedLink link = ReadDroppedLink(mime);
    QCOMPARE(link.address, address);
    QCOMPARE(link.title, title);
    QCOMPARE(CanAcceptDrop(mime), !address.isEmpty() || !title.isEmpty());
}

void TestWeb::proposedName_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("name");

    QTest::newRow("shortcut") << "Shortcut to Daily Draw" << "Daily Draw";
    QTest::newRow("other case") << "shortcut to x" << "shortcut to x";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("long shortcut") << QStringLiteral("Shortcut to ") + QString(300, u'a') << QString(255, u'a');
    QTest::newRow("long title") << QString(300, u'b') << QString(300, u'b');
}

void TestWeb::proposedName()
{
    QFETCH(QString, title);
    QFETCH(QString, name);
    QCOMPARE(ProposedName(title), name);
}

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], BrowserCheckOption) == 0) {
        const BrowserCheck check = CheckBrowserRegistered(QString::fromLocal8Bit(argv[2]));
        return !check.probeCreated ? 2 : check.registered ? 0 : 1;
    }
    QCoreApplication app(argc, argv);
    TestWeb test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_web.moc"
