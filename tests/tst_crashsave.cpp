// Saves killed at random moments: a real Kelpo main window (crash_saver)
// saves again and again and is killed with SIGKILL; after every kill the
// files must load whole and hold either what they held before or what one
// save wrote. The random delays come from a seed that is printed; set
// KELPO_CRASH_SEED to repeat a run and KELPO_CRASH_KILLS for more or fewer
// kills (200 each by default).
#include <QtTest>

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>

#include "DataFile.h"
#include "Product.h"
#include "support/DayText.h"
#include "support/SaveRounds.h"

using namespace kelpo;

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The settings a driver starts with: no help page (same version) and no
// question for a browser.
QByteArray StartSettings()
{
    return "[Version]\r\nVersion=" + ProductVersion.toUtf8() + "\r\n[Options]\r\nBrowser=/usr/bin/true\r\n";
}

void AddItems(Model &m, int count)
{
    m.NumGroups = 3;
    for (int g = 1; g <= 3; ++g)
        m.GroupTable[size_t(g)] = {QStringLiteral("Group %1").arg(g), g};
    for (int i = 0; i < count; ++i) {
        auto rec = std::make_unique<Rec>();
        rec->Name = QStringLiteral("Item %1").arg(i);
        rec->Site = QStringLiteral("http://site%1.example/enter?id=%1").arg(i);
        rec->Group = QStringLiteral(",%1,").arg(i % 3 + 1);
        rec->Last = Day(QStringLiteral("%1/11/2026 09:00").arg(i % 28 + 1, 2, 10, QLatin1Char('0')));
        rec->Ends = Day(QStringLiteral("31/12/2027"));
        rec->Freq = i % 12;
        rec->Comments = QStringLiteral("comment of item %1\r\nsecond line").arg(i);
        m.Items.Append(std::move(rec));
    }
}

QByteArray Text(const Model &m)
{
    QByteArray text;
    if (!BuildDataText(m, rounds::Dates(), &text))
        qFatal("the test's model does not build");
    return text;
}

// The files in `dir` that are neither among `expected` nor a daily copy:
// leftovers of a save.
QStringList Strays(const QString &dir, const QStringList &expected)
{
    static const QRegularExpression dailyCopy(QStringLiteral("^Kelpo\\.dat\\.\\d{6}$"));
    QStringList strays;
    for (const QString &name : QDir(dir).entryList(QDir::Files | QDir::Hidden))
        if (!expected.contains(name) && !dailyCopy.match(name).hasMatch())
            strays.append(name);
    return strays;
}

}  // namespace

class TstCrashSave : public QObject {
    Q_OBJECT

private:
    quint32 seed_ = 0;
    int kills_ = 200;
    // A slow machine (a sanitizer build, other jobs) ends a test's kills
    // early rather than run into the test runner's time limit; the first
    // MinKills are always done.
    static constexpr int MinKills = 20;
    static constexpr qint64 KillBudgetMs = 120000;
    static bool MoreKills(int done, int wanted, const QElapsedTimer &clock)
    {
        return done < wanted && (done < MinKills || clock.elapsed() < KillBudgetMs);
    }
    QRandomGenerator random_;

    // Starts the driver and waits for its "ready" line; `out` collects
    // everything it printed.
    bool Start(QProcess &p, const QStringList &args)
    {
        p.setProgram(QStringLiteral(CRASH_SAVER));
        p.setArguments(args);
        p.start();
        return p.waitForStarted(10000) && WaitFor(p, "ready");
    }
    static bool WaitFor(QProcess &p, const QByteArray &line)
    {
        QByteArray seen;
        while (p.canReadLine() || p.waitForReadyRead(30000)) {
            while (p.canReadLine()) {
                seen = p.readLine().trimmed();
                if (seen == line)
                    return true;
            }
        }
        return false;
    }
    // Kills the driver (SIGKILL) and returns what it printed after the line
    // that was waited for.
    static QByteArray Kill(QProcess &p)
    {
        p.kill();
        p.waitForFinished(10000);
        return p.readAllStandardOutput();
    }

private Q_SLOTS:
    void initTestCase()
    {
        bool ok = false;
        seed_ = qEnvironmentVariable("KELPO_CRASH_SEED").toUInt(&ok);
        if (!ok)
            seed_ = QRandomGenerator::system()->generate();
        const int kills = qEnvironmentVariable("KELPO_CRASH_KILLS").toInt(&ok);
        if (ok && kills > 0)
            kills_ = kills;
        random_.seed(seed_);
        qInfo("seed %u (KELPO_CRASH_SEED), %d kills a test", seed_, kills_);
    }

    // "Save Now" on 10,000 items, killed at random moments: the data file
    // and its backup each hold one save whole.
    void dataFileSurvivesKills()
    {
        QTemporaryDir dir;
        const QString dat = dir.filePath(QStringLiteral("Kelpo.dat"));
        const QString bak = dir.filePath(QStringLiteral("Kelpo.bak"));
        Model model;
        AddItems(model, 10000);
        const QByteArray first = Text(model);
        QVERIFY(WriteAll(dat, first) && WriteAll(bak, first));
        QVERIFY(WriteAll(dir.filePath(QStringLiteral("Kelpo.ini")), StartSettings()));
        QHash<int, QByteArray> rounds;  // the text of round k, k >= 1
        auto round = [&](int k) -> const QByteArray & {
            if (!rounds.contains(k)) {
                rounds::ChangeItems(model, k);
                rounds.insert(k, Text(model));
            }
            return rounds[k];
        };
        const QStringList files = {"Kelpo.dat", "Kelpo.bak", "Kelpo.ini"};

        QElapsedTimer clock;
        clock.start();
        int mostSaves = 0;
        int beforeFirst = 0;
        int savedUnseen = 0;
        int strays = 0;
        int kill = 0;
        for (; MoreKills(kill, kills_, clock); ++kill) {
            const QByteArray datBefore = ReadAll(dat);
            const QByteArray bakBefore = ReadAll(bak);
            QProcess p;
            QVERIFY2(Start(p, {"save", dir.path()}), p.readAllStandardError().constData());
            // A random moment within the first dozen or so saves.
            QThread::usleep(random_.bounded(600000));
            const QByteArray out = Kill(p);
            int k = 0;
            for (const QByteArray &line : out.split('\n'))
                if (line.startsWith("saved "))
                    k = line.mid(6).toInt();
            mostSaves = std::max(mostSaves, k);
            beforeFirst += k == 0;

            const QString where = QStringLiteral("kill %1 after %2 saves").arg(kill).arg(k);
            const QByteArray older = k == 0 ? datBefore : round(k);
            const QByteArray datNow = ReadAll(dat);
            QVERIFY2(datNow == older || datNow == round(k + 1), qPrintable(where));
            savedUnseen += datNow != older;
            const QByteArray bakNow = ReadAll(bak);
            QVERIFY2(bakNow == (k == 0 ? bakBefore : round(k)) || bakNow == round(k + 1), qPrintable(where));

            Model loaded;
            Formats formats = rounds::Dates();
            const LoadResult r = LoadMainData(dat, loaded, formats, 0);
            QVERIFY2(r.opened && r.itemErrors.isEmpty() && loaded.Items.Count() == 10000, qPrintable(where));
            // A kill between the two steps that put a finished file in
            // place (a link under a temporary name, a rename) leaves that
            // whole new file under its temporary name, "Kelpo.dat.XXXXXX".
            for (const QString &name : Strays(dir.path(), files)) {
                const QByteArray stray = ReadAll(dir.filePath(name));
                QVERIFY2(stray == round(k + 1), qPrintable(where + QStringLiteral(": part of a save left in ") + name));
                QVERIFY(QFile::remove(dir.filePath(name)));
                ++strays;
            }
            QVERIFY2(!p.readAllStandardError().contains("Error:"), qPrintable(where));
        }
        qInfo("%d kills in %.1f s: %d before the first save ended, %d with a save written but not yet reported, "
              "up to %d saves in one run, %d whole new files left under a temporary name",
              kill, clock.elapsed() / 1000.0, beforeFirst, savedUnseen, mostSaves, strays);
    }

    // Shutdown killed at random moments: "Kelpo.var" and "Kelpo.ini" (and
    // the data file) each hold either the old or the new content whole.
    void shutdownFilesSurviveKills()
    {
        QTemporaryDir dir;
        const QStringList files = {"Kelpo.dat", "Kelpo.var", "Kelpo.ini"};
        VarStore vars;
        for (int i = 0; i < 200; ++i)
            vars.Lines.append(QStringLiteral("{variable %1}=first").arg(i));
        QVERIFY(vars.Save(dir.filePath(QStringLiteral("Kelpo.var"))));
        QVERIFY(WriteAll(dir.filePath(QStringLiteral("Kelpo.ini")), StartSettings()));
        Model small;
        AddItems(small, 20);
        QVERIFY(WriteAll(dir.filePath(QStringLiteral("Kelpo.dat")), Text(small)));

        // The old files: a whole shutdown of round 1. The new ones: round 2
        // from there, also whole, timed.
        auto closeRun = [&](int k, QProcess &p) {
            return Start(p, {"close", dir.path(), QString::number(k)}) && WaitFor(p, "closing");
        };
        auto snapshot = [&] {
            QHash<QString, QByteArray> s;
            for (const QString &name : files)
                s.insert(name, ReadAll(dir.filePath(name)));
            return s;
        };
        {
            QProcess p;
            QVERIFY(closeRun(1, p));
            QVERIFY(p.waitForFinished(30000) && p.exitCode() == 0);
        }
        const QHash<QString, QByteArray> before = snapshot();
        qint64 closeNs = 0;
        {
            QProcess p;
            QVERIFY(closeRun(2, p));
            QElapsedTimer t;
            t.start();
            QVERIFY(p.waitForFinished(30000) && p.exitCode() == 0);
            closeNs = t.nsecsElapsed();
        }
        const QHash<QString, QByteArray> after = snapshot();
        QVERIFY(before["Kelpo.var"] != after["Kelpo.var"]);
        QVERIFY(before["Kelpo.ini"] != after["Kelpo.ini"]);
        QVERIFY(after["Kelpo.var"].contains("{variable 199}=value 199 of round 2\r\n"));
        QVERIFY(after["Kelpo.ini"].contains("Browser=/usr/bin/browser-of-round-2\r\n"));

        QElapsedTimer clock;
        clock.start();
        QHash<QString, int> changed;
        int strays = 0;
        int kill = 0;
        for (; MoreKills(kill, kills_, clock); ++kill) {
            for (const QString &name : files)
                QVERIFY(WriteAll(dir.filePath(name), before[name]));
            QProcess p;
            QVERIFY(closeRun(2, p));
            // Anywhere from the start of the close to a little after its end.
            QThread::usleep(random_.bounded(quint32(closeNs / 1000 * 5 / 4 + 1)));
            const QByteArray out = Kill(p);
            const QHash<QString, QByteArray> now = snapshot();
            for (const QString &name : files) {
                QVERIFY2(now[name] == before[name] || now[name] == after[name],
                         qPrintable(QStringLiteral("kill %1: %2 is neither old nor new").arg(kill).arg(name)));
                changed[name] += now[name] != before[name];
            }
            // The files are written in order: data file, variables, settings.
            QVERIFY(changed.value("Kelpo.ini") <= changed.value("Kelpo.var"));
            for (const QString &name : Strays(dir.path(), files)) {  // see dataFileSurvivesKills
                const QByteArray stray = ReadAll(dir.filePath(name));
                QVERIFY2(stray == after.value(name.section(QLatin1Char('.'), 0, 1)),
                         qPrintable(QStringLiteral("kill %1: part of a save left in %2").arg(kill).arg(name)));
                QVERIFY(QFile::remove(dir.filePath(name)));
                ++strays;
            }
        }
        qInfo("%d kills in %.1f s (a whole close takes %.1f ms): Kelpo.var new after %d, Kelpo.ini new after %d, "
              "%d whole new files left under a temporary name",
              kill, clock.elapsed() / 1000.0, closeNs / 1e6, changed.value("Kelpo.var"), changed.value("Kelpo.ini"),
              strays);
    }
};

QTEST_GUILESS_MAIN(TstCrashSave)
#include "tst_crashsave.moc"
