// Who may read what Kelpo writes: the modes of the data folder and its files
// against the exchange files made for others, and the per-user folder of the
// single-copy lock against names other users may have taken first.
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "AtomicFile.h"
#include "ExchangeFile.h"
#include "PrivateFiles.h"
#include "SingleInstance.h"
#include "support/FileModes.h"

#include <unistd.h>

using namespace kelpo;

namespace {

QString Octal(int mode)
{
    return QString::number(mode, 8);
}

bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Sets an environment variable (null: unsets it) for the length of a scope.
class EnvScope {
public:
    EnvScope(const char *name, const QString &value) : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, QFile::encodeName(value));
    }
    ~EnvScope()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
    EnvScope(const EnvScope &) = delete;
    EnvScope &operator=(const EnvScope &) = delete;

private:
    const char *name_;
    bool had_;
    QByteArray old_;
};

}  // namespace

class TstPrivateFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fileModes_data();
    void fileModes();
    void dataFolder_data();
    void dataFolder();
    void lockFolderBelongsToItsUser_data();
    void lockFolderBelongsToItsUser();
};

// Files of the data folder are 0600 less the umask, also when they replace
// a file that others could read; an exchange file is the umask's business.
void TstPrivateFiles::fileModes_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<QString>("writer");
    QTest::addColumn<bool>("overOld");
    QTest::addColumn<int>("expected");
    for (const int mask : {077, 022, 027, 0277}) {
        for (const QString writer : {"data", "copy", "exchange"}) {
            for (const bool overOld : {false, true}) {
                const int expected = writer != "exchange" ? (0600 & ~mask) : overOld ? 0644 : (0666 & ~mask);
                QTest::addRow("umask %03o, %s, %s", mask, qPrintable(writer), overOld ? "over a 0644 file" : "new")
                    << mask << writer << overOld << expected;
            }
        }
    }
}

void TstPrivateFiles::fileModes()
{
    QFETCH(int, mask);
    QFETCH(QString, writer);
    QFETCH(bool, overOld);
    QFETCH(int, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath("target");
    const QString source = dir.filePath("source");
    QVERIFY(WriteAll(source, "copied"));
    if (overOld) {
        QVERIFY(WriteAll(path, "old"));
        QVERIFY(SetMode(path, 0644));
    }

    const UmaskScope umask(mask);
    QString error;
    if (writer == "data") {
        QVERIFY2(WriteFileAtomic(path, "written", &error), qPrintable(error));
        QCOMPARE(ReadAll(path), QByteArray("written"));
    } else if (writer == "copy") {
        QVERIFY(CopyFileReplace(source, path));
        QCOMPARE(ReadAll(path), QByteArray("copied"));
    } else {
        const Formats formats = Formats::Make("dd/MM/yyyy", "HH:mm", '.', 2026);
        QVERIFY2(SaveExchangeFile(path, "Shared", {}, true, formats, &error), qPrintable(error));
        QVERIFY(ReadAll(path).size() > 0);
    }
    QCOMPARE(Octal(ModeOf(path)), Octal(expected));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);  // no temporary file left
}

void TstPrivateFiles::dataFolder_data()
{
    QTest::addColumn<QString>("before");  // what is at the folder's place
    QTest::addColumn<bool>("tighten");
    QTest::addColumn<bool>("made");
    QTest::addColumn<int>("mode");
    QTest::newRow("new, with missing parents") << "missing" << true << true << 0700;
    QTest::newRow("existing 0755") << "0755" << true << true << 0700;
    QTest::newRow("existing 0750") << "0750" << true << true << 0700;
    QTest::newRow("a link the user made to a 0755 folder") << "link" << true << true << 0700;
    QTest::newRow("beside the program, new") << "missing" << false << true << 0755;
    QTest::newRow("beside the program, existing 0755") << "0755" << false << true << 0755;
    QTest::newRow("a file in its place") << "file" << true << false << 0644;
}

void TstPrivateFiles::dataFolder()
{
    QFETCH(QString, before);
    QFETCH(bool, tighten);
    QFETCH(bool, made);
    QFETCH(int, mode);
    const UmaskScope umask(022);
    QTemporaryDir root;
    const QString parent = root.filePath("share/deeper");
    const QString folder = parent + "/Kelpo/";
    const QString real = root.filePath("elsewhere");
    if (before != "missing")
        QVERIFY(QDir().mkpath(parent));
    if (before == "0755" || before == "0750") {
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(SetMode(folder, before.toInt(nullptr, 8)));
    } else if (before == "link") {
        QVERIFY(QDir().mkpath(real));
        QVERIFY(SetMode(real, 0755));
        QVERIFY(QFile::link(real, parent + "/Kelpo"));
    } else if (before == "file") {
        QVERIFY(WriteAll(parent + "/Kelpo", "not a folder"));
    }

    QCOMPARE(MakeDataFolder(folder, tighten), made);
    const QString shown = before == "link" ? real : parent + "/Kelpo";
    QCOMPARE(Octal(ModeOf(shown)), Octal(mode));
    if (before == "missing")
        QCOMPARE(Octal(ModeOf(parent)), Octal(0755));  // parents are not the program's to close
    if (before == "file")
        QCOMPARE(ReadAll(parent + "/Kelpo"), QByteArray("not a folder"));
}

// With or without a runtime folder, the lock goes to a folder only this user
// can reach; whatever another user planted at any name Kelpo may use neither
// stops Kelpo from starting nor receives anything from it.
void TstPrivateFiles::lockFolderBelongsToItsUser_data()
{
    QTest::addColumn<QString>("runtime");  // $XDG_RUNTIME_DIR: none, own, open, link
    QTest::addColumn<QString>("planted");  // what sits at <temp>/kelpo-<uid> or the old shared name
    QTest::addColumn<QString>("used");     // runtime, own, fallback
    QTest::newRow("runtime folder of the user") << "own" << "" << "runtime";
    QTest::newRow("no runtime folder") << "none" << "" << "own";
    QTest::newRow("runtime folder open to others") << "open" << "" << "own";
    QTest::newRow("runtime folder is a link") << "link" << "" << "own";
    QTest::newRow("lock held at the old shared name") << "none" << "old lock" << "own";
    QTest::newRow("per-user name: folder open to all") << "none" << "open" << "fallback";
    QTest::newRow("per-user name: folder of another user") << "none" << "other" << "fallback";
    QTest::newRow("per-user name: link to another folder") << "none" << "link" << "fallback";
    QTest::newRow("per-user name: a file") << "none" << "file" << "fallback";
}

void TstPrivateFiles::lockFolderBelongsToItsUser()
{
    QFETCH(QString, runtime);
    QFETCH(QString, planted);
    QFETCH(QString, used);
    QTemporaryDir root;
    const QString tmp = root.filePath("tmp");
    const QString fallback = root.filePath("data/");
    const QString elsewhere = root.filePath("elsewhere");  // a folder the planter controls
    for (const QString &d : {tmp, fallback, elsewhere, root.filePath("run")})
        QVERIFY(QDir().mkpath(d));
    QVERIFY(SetMode(tmp, 01777));
    QVERIFY(SetMode(root.filePath("run"), runtime == "open" ? 0755 : 0700));
    QVERIFY(SetMode(elsewhere, 0700));

    QString xdg;
    if (runtime == "own" || runtime == "open")
        xdg = root.filePath("run");
    if (runtime == "link") {
        xdg = root.filePath("run-link");
        QVERIFY(QFile::link(root.filePath("run"), xdg));
    }

    // Another user's folder at the per-user name: seen from a user whose id
    // is not ours, a folder we made is exactly that.
    const uint uid = planted == "other" ? ::geteuid() + 1000 : ::geteuid();
    const QString perUser = tmp + "/kelpo-" + QString::number(uid);
    QLockFile oldLock(tmp + "/KelpoSemaphore.lock");
    if (planted == "old lock")
        QVERIFY(oldLock.tryLock(0));
    else if (planted == "open" || planted == "other")
        QVERIFY(QDir().mkdir(perUser) && SetMode(perUser, planted == "open" ? 0777 : 0700));
    else if (planted == "link")
        QVERIFY(QFile::link(elsewhere, perUser));
    else if (planted == "file")
        QVERIFY(WriteAll(perUser, ""));

    if (used == "fallback") {  // once for each copy started below
        for (int i = 0; i < 2; ++i)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("kelpo-\\d+ is not a private folder of this user"));
    }
    const EnvScope tmpdir("TMPDIR", tmp);
    const EnvScope xdgRuntime("XDG_RUNTIME_DIR", xdg);
    const QString folder = UserRuntimeFolder(fallback, uid);
    const QString expected = used == "runtime" ? xdg : used == "own" ? perUser : fallback;
    QCOMPARE(folder, expected);
    if (used == "own") {
        QVERIFY(folder.endsWith("/kelpo-" + QString::number(::geteuid())));
        QCOMPARE(Octal(ModeOf(folder)), Octal(0700));
    }

    SingleInstance first(folder);
    QVERIFY(first.Acquire());
    QVERIFY(QFileInfo::exists(folder + QStringLiteral("/KelpoSemaphore.lock")));
    // The same folder on the next start, so a second copy is still refused.
    SingleInstance second(UserRuntimeFolder(fallback, uid));
    QVERIFY(!second.Acquire());
    // Nothing went into a folder another user could reach.
    QVERIFY(QDir(elsewhere).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    if (planted == "open" || planted == "other")
        QVERIFY(QDir(perUser).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
}

QTEST_GUILESS_MAIN(TstPrivateFiles)
#include "tst_privatefiles.moc"
