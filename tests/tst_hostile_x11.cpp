// The real program in a real X server, started on data files that are not
// what they should be: it never waits on a pipe in a file's place, keeps a
// damaged data file byte for byte, and goes on with what it could read.
#include <QtTest>

#include <sys/stat.h>

#include "support/KelpoX11.h"

using namespace kelpo_x11;

namespace {

const QString MainTitle = QStringLiteral("Kelpo! V1.8.1 by kelpo.example.org");
const QByteArray Sep = QByteArray(41, '-') + "\x03\r\n";

QByteArray Block(const QByteArray &name)
{
    return "Item: 1\r\nName: " + name + "\r\nGroup: \r\nSite: http://" + name + ".example\r\nKeys: \r\n"
           "Last1: 46000.5\r\nEnds1: 47000\r\nFreq: 2,1\r\n\r\n" + Sep;
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

}  // namespace

class TstHostileX11 : public QObject {
    Q_OBJECT

    Session session_;

    // Starts the program, answers `errors` error boxes and the note that no
    // program opens web pages; returns the main window.
    QString Start(QProcess &p, int errors)
    {
        p.setProcessEnvironment(session_.env);
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(KELPO_EXE, {});
        if (!p.waitForStarted())
            return QString();
        for (int i = 0; i < errors; ++i) {
            if (!Answer("Error"))
                return QString();
        }
        if (!Answer("Information"))
            return QString();
        return WaitForWindow(MainTitle);
    }

private Q_SLOTS:
    void initTestCase() { session_.Init(); }

    // Pipes in the places of the data and variables files: both are named
    // in a message at once, the window opens, closing leaves them pipes, and
    // the next start is not taken for a second copy.
    void pipesNeverBlock()
    {
        for (const char *name : {"Kelpo.dat", "Kelpo.var"})
            QCOMPARE(::mkfifo(QFile::encodeName(session_.dataDir + name).constData(), 0600), 0);
        for (int run = 0; run < 2; ++run) {
            QProcess p;
            const QString wid = Start(p, 2);
            QVERIFY2(!wid.isEmpty(), "the main window did not open");
            // Closing says where the entries went instead of the data file.
            Run("wmctrl", {"-i", "-c", wid});
            QVERIFY(Answer("Error"));
            QVERIFY2(p.waitForFinished(10000), "the program did not end after its window was closed");
            QCOMPARE(p.exitCode(), 0);
        }
        for (const char *name : {"Kelpo.dat", "Kelpo.var"}) {
            QFileInfo info(session_.dataDir + name);
            QVERIFY(info.exists() && !info.isFile());
            QFile::remove(session_.dataDir + name);
        }
        QFile::remove(session_.dataDir + "Kelpo.new");
    }

    // A data file whose header says 0 items with three after it: all three
    // are read, the file is kept aside unchanged, and closing saves them.
    void damagedDataFileKeptAside()
    {
        const QByteArray damaged = "NumGroups: 0\r\nNumber of items: 0\r\n" + Sep + Block("one") + Block("two") + Block("three");
        QFile dat(session_.dataDir + "Kelpo.dat");
        QVERIFY(dat.open(QIODevice::WriteOnly) && dat.write(damaged) == damaged.size());
        dat.close();

        QProcess p;
        const QString wid = Start(p, 1);
        QVERIFY2(!wid.isEmpty(), "the main window did not open");
        Session::Close(p, wid);

        const QStringList aside = QDir(session_.dataDir).entryList({"Kelpo.dat.damaged-*"});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(ReadAll(session_.dataDir + aside.first()), damaged);
        const QByteArray saved = ReadAll(session_.dataDir + "Kelpo.dat");
        QVERIFY2(saved.contains("Number of items: 3") && saved.contains("Name: one") && saved.contains("Name: three"),
                 saved.constData());
    }
};

QTEST_MAIN(TstHostileX11)
#include "tst_hostile_x11.moc"
