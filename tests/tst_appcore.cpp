// Settings files, the data folder, the drive check, the single running copy
// and the variables file.
#include <QtTest>

#include "IniFile.h"
#include "MyProcs.h"
#include "SingleInstance.h"
#include "VarStore.h"

#include <sys/wait.h>
#include <unistd.h>

using namespace kelpo;

class TstAppCore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void iniReadsLikeTheClassicDesktop();
    void iniWriteKeepsForeignLines();
    void externalDrive_data();
    void externalDrive();
    void dataDirUnderXdgDataHome();
    void secondCopyRefusedAndStaleLockTakenOver();
    void varFileKeepsEveryLineAndOrder();
    void varDefaultsWhenMissing();
    void leadingZeroWidthNoBreakSpaceSurvivesSaving();
};

void TstAppCore::iniReadsLikeTheClassicDesktop()
{
    IniFile ini;
    ini.LoadText(QStringLiteral("[window]\r\nheight = 400\r\nWidth=abc\r\n\r\n[Options]\nAutoSave=0\n"
                                "AutoCheck=7\nBrowser=/usr/bin/firefox --new-window\n; comment=1\n"));
    QCOMPARE(ini.ReadInteger("Window", "Height", 375), 400);  // case and blanks ignored
    QCOMPARE(ini.ReadInteger("Window", "Width", 600), 600);   // not a number: default
    QCOMPARE(ini.ReadInteger("Window", "Top", -3), -3);       // missing: default
    QCOMPARE(ini.ReadBool("Options", "AutoSave", true), false);
    QCOMPARE(ini.ReadBool("Options", "AutoCheck", false), true);  // any non-zero value
    QCOMPARE(ini.ReadString("Options", "Browser", QString()), QStringLiteral("/usr/bin/firefox --new-window"));
    QCOMPARE(ini.ReadString("Options", "comment", QStringLiteral("x")), QStringLiteral("x"));
    QCOMPARE(ini.ReadInteger("Nowhere", "Height", 5), 5);
}

void TstAppCore::iniWriteKeepsForeignLines()
{
    IniFile ini;
    ini.LoadText(QStringLiteral("; my notes\r\n[Window]\r\nHeight=1\r\nColour=blue\r\n\r\n[Other]\r\nA=1\r\n"));
    ini.WriteInteger("window", "HEIGHT", 375);
    ini.WriteInteger("Window", "Width", 600);
    ini.WriteBool("Options", "AutoSave", true);
    ini.WriteString("Options", "Browser", QStringLiteral("a\nb"));
    QCOMPARE(ini.Text(), QStringLiteral("; my notes\r\n[Window]\r\nHEIGHT=375\r\nColour=blue\r\nWidth=600\r\n\r\n"
                                        "[Other]\r\nA=1\r\n\r\n[Options]\r\nAutoSave=1\r\nBrowser=a b\r\n"));

    QTemporaryDir dir;
    const QString path = dir.filePath("Kelpo.ini");
    QVERIFY(ini.Save(path));
    IniFile back;
    QVERIFY(back.Load(path));
    QCOMPARE(back.Text(), ini.Text());
    QVERIFY(!back.Load(dir.filePath("missing.ini")));
    QCOMPARE(back.ReadInteger("Window", "Height", 9), 9);
}

// A fake sysfs: class/block/<name> links into a devices tree.
static void MakeBlock(const QString &root, const QString &devPath, const QString &name,
                      const QString &removable, bool partitionOf = false)
{
    const QString real = root + "/devices/" + devPath;
    QVERIFY(QDir().mkpath(real));
    QDir().mkpath(root + "/class/block");
    QVERIFY(QFile::link(real, root + "/class/block/" + name));
    if (partitionOf) {
        QFile p(real + "/partition");
        QVERIFY(p.open(QIODevice::WriteOnly));
    }
    if (!removable.isEmpty()) {
        const QString diskDir = partitionOf ? QFileInfo(real).path() : real;
        QFile r(diskDir + "/removable");
        QVERIFY(r.open(QIODevice::WriteOnly));
        r.write(removable.toUtf8() + "\n");
    }
}

void TstAppCore::externalDrive_data()
{
    QTest::addColumn<QString>("devPath");
    QTest::addColumn<QString>("removable");
    QTest::addColumn<bool>("partition");
    QTest::addColumn<bool>("external");
    QTest::newRow("internal sata partition") << "pci0000:00/0000:00:17.0/ata1/host0/block/sda/sda2" << "0" << true << false;
    QTest::newRow("usb stick partition") << "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/block/sdb/sdb1" << "0" << true << true;
    QTest::newRow("removable card reader disk") << "pci0000:00/0000:00:1c.0/mmc0/block/mmcblk0" << "1" << false << true;
    QTest::newRow("firewire disk") << "pci0000:00/0000:05:00.0/firewire/fw1/block/sdc" << "0" << false << true;
    QTest::newRow("virtio disk") << "pci0000:00/0000:00:05.0/virtio2/block/vda" << "0" << false << false;
}

void TstAppCore::externalDrive()
{
    QFETCH(QString, devPath);
    QFETCH(QString, removable);
    QFETCH(bool, partition);
    QFETCH(bool, external);
    QTemporaryDir sys;
    const QString name = QFileInfo(devPath).fileName();
    MakeBlock(sys.path(), devPath, name, removable, partition);
    QCOMPARE(IsExternalBlockDevice(name, sys.path()), external);
    QVERIFY(!IsExternalBlockDevice(QStringLiteral("nosuch"), sys.path()));
}

void TstAppCore::dataDirUnderXdgDataHome()
{
    QTemporaryDir home;
    const QByteArray old = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + "/deep/share"));
    const QString dir = GetDataDir(QStringLiteral("/opt/kelpo"), false);
    QCOMPARE(dir, home.path() + "/deep/share/Kelpo/");
    QVERIFY(QFileInfo(dir).isDir());
    QCOMPARE(GetDataDir(QStringLiteral("/media/stick/kelpo"), true), QStringLiteral("/media/stick/kelpo/"));
    // A data folder that cannot be made falls back to the program's folder.
    QFile blocker(home.path() + "/file");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + "/file"));
    QCOMPARE(GetDataDir(QStringLiteral("/opt/kelpo/"), false), QStringLiteral("/opt/kelpo/"));
    qputenv("XDG_DATA_HOME", old);
}

void TstAppCore::secondCopyRefusedAndStaleLockTakenOver()
{
    QTemporaryDir run;
    {
        SingleInstance first(run.path());
        QVERIFY(first.Acquire());
        SingleInstance second(run.path());
        QVERIFY(!second.Acquire());
    }
    // A copy that died holding the lock leaves the lock file behind.
    const pid_t child = fork();
    if (child == 0) {
        SingleInstance dying(run.path());
        _exit(dying.Acquire() ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QCOMPARE(WEXITSTATUS(status), 0);
    QVERIFY(QFile::exists(run.filePath("KelpoSemaphore.lock")));
    SingleInstance next(run.path());
    QVERIFY(next.Acquire());
}

void TstAppCore::varFileKeepsEveryLineAndOrder()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Kelpo.var");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("{b}=2\r\n{a}=1\rno equals sign\n\r\n{Email}=me=you@example.org\r\n");
    f.close();
    VarStore vars;
    QVERIFY(vars.Load(path));
    QCOMPARE(vars.Lines, QStringList({"{b}=2", "{a}=1", "no equals sign", "", "{Email}=me=you@example.org"}));
    QCOMPARE(vars.Value("{email}"), QStringLiteral("me=you@example.org"));
    QCOMPARE(vars.Value("{nothing}"), QString());
    QCOMPARE(VarStore::NameOf("no equals sign"), QString());
    QVERIFY(vars.Save(path));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("{b}=2\r\n{a}=1\r\nno equals sign\r\n\r\n{Email}=me=you@example.org\r\n"));
    f.close();

    // A NUL ends the text; only zeros after it mean nothing was left unread.
    QVERIFY(!vars.LoadText(QStringLiteral("{x}=1\n{y}=2") + QChar(0) + QStringLiteral("{z}=3\n")));
    QCOMPARE(vars.Lines, QStringList({"{x}=1", "{y}=2"}));
    QVERIFY(vars.LoadText(QStringLiteral("{x}=1\r\n") + QString(40, QChar(0))));
    QCOMPARE(vars.Lines, QStringList({"{x}=1"}));

    // A variables file saved as UTF-16 by a text editor reads like any other.
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const QString text = QString::fromUtf8("{first name}=Zo\xC3\xAB\r\n{city}=M\xC3\xBCnchen\r\n");
    f.write("\xFF\xFE");
    f.write(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    f.close();
    bool whole = false;
    QVERIFY(vars.Load(path, nullptr, &whole));
    QVERIFY(whole);
    QCOMPARE(vars.Value("{city}"), QString::fromUtf8("M\xC3\xBCnchen"));
}

void TstAppCore::varDefaultsWhenMissing()
{
    QTemporaryDir dir;
    VarStore vars;
    QVERIFY(!vars.Load(dir.filePath("Kelpo.var")));
    QCOMPARE(vars.Lines.size(), 12);
    QCOMPARE(vars.Lines.first(), QStringLiteral("{address}=Undefined"));
    QCOMPARE(vars.Lines.last(), QStringLiteral("{zip}=Undefined"));
    QStringList sorted = VarStore::DefaultNames();
    sorted.sort(Qt::CaseInsensitive);
    QCOMPARE(sorted, VarStore::DefaultNames());
}

// Found by fuzzing: U+FEFF at the start of the first line was written as a
// bare UTF-8 byte order mark, which the reader drops, so every save and load
// lost one such character and could turn a line into a section header.
void TstAppCore::leadingZeroWidthNoBreakSpaceSurvivesSaving()
{
    QTemporaryDir dir;
    const QString bom(QChar(0xFEFF));

    VarStore vars;
    vars.Lines = QStringList{bom + bom + QStringLiteral("{x}=1"), QStringLiteral("{y}=2")};
    QVERIFY(vars.Save(dir.filePath("Kelpo.var")));
    VarStore varsBack;
    QVERIFY(varsBack.Load(dir.filePath("Kelpo.var")));
    QCOMPARE(varsBack.Lines, vars.Lines);

    IniFile ini;
    ini.LoadText(bom + QStringLiteral("[Window]\r\nHeight=400\r\n"));
    QCOMPARE(ini.ReadInteger("Window", "Height", 375), 375);
    QVERIFY(ini.Save(dir.filePath("Kelpo.ini")));
    IniFile iniBack;
    QVERIFY(iniBack.Load(dir.filePath("Kelpo.ini")));
    QCOMPARE(iniBack.Text(), ini.Text());
    QCOMPARE(iniBack.ReadInteger("Window", "Height", 375), 375);
}

QTEST_GUILESS_MAIN(TstAppCore)
#include "tst_appcore.moc"
