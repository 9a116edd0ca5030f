#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include "DownloadList.h"
#include "FileRead.h"

using namespace kelpo;

namespace {

QByteArray ListFile(const QByteArrayList &lines, const QByteArray &eol = "\r\n")
{
    QByteArray out = ListHeader().toUtf8() + eol;
    for (const QByteArray &l : lines)
        out += l + eol;
    return out;
}

bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

}  // namespace

class TestDownload : public QObject {
    Q_OBJECT

private slots:
    void check_data()
    {
        QTest::addColumn<QByteArray>("list");       // null: no list file
        QTest::addColumn<QStringList>("present");   // files in the data folder ("dir/" a folder)
        QTest::addColumn<bool>("newOnly");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QStringList>("fileList");
        QTest::addColumn<QString>("counts");

        const QByteArray two = ListFile({"b.kdf,Second", "a.kdf,First"});
        QTest::newRow("sorted") << two << QStringList{} << false << int(ListCheck::Listed)
                                << QStringList{"a.kdf", "b.kdf"} << "Availlable Files: (2/2)";
        QTest::newRow("new only, one present") << two << QStringList{"a.kdf"} << true << int(ListCheck::Listed)
                                               << QStringList{"b.kdf"} << "Availlable Files: (1/2)";
        QTest::newRow("all listed when new only is off")
            << two << QStringList{"a.kdf"} << false << int(ListCheck::Listed) << QStringList{"a.kdf", "b.kdf"}
            << "Availlable Files: (2/2)";
        QTest::newRow("new only, all present") << two << QStringList{"a.kdf", "b.kdf"} << true
                                               << int(ListCheck::NothingNew) << QStringList{}
                                               << "Availlable Files: (0/2)";
        QTest::newRow("a folder is not a file")
            << two << QStringList{"a.kdf/"} << true << int(ListCheck::Listed) << QStringList{"a.kdf", "b.kdf"}
            << "Availlable Files: (2/2)";
        QTest::newRow("present under other case counts as new")
            << two << QStringList{"A.KDF"} << true << int(ListCheck::Listed) << QStringList{"a.kdf", "b.kdf"}
            << "Availlable Files: (2/2)";
        QTest::newRow("line without comma: empty entry, counted")
            << ListFile({"a.kdf,First", "nocomma"}) << QStringList{} << true << int(ListCheck::Listed)
            << QStringList{"", "a.kdf"} << "Availlable Files: (2/2)";
        QTest::newRow("empty lines skipped, CR alone")
            << ListFile({"", "b.kdf,x", "", "a.kdf,y", ""}, "\r") << QStringList{} << false
            << int(ListCheck::Listed) << QStringList{"a.kdf", "b.kdf"} << "Availlable Files: (2/2)";
        QTest::newRow("LF alone, case ignored in order")
            << ListFile({"c.kdf,1", "B.kdf,2", "a.kdf,3", "b.kdf,4"}, "\n") << QStringList{} << false
            << int(ListCheck::Listed) << QStringList{"a.kdf", "B.kdf", "b.kdf", "c.kdf"}
            << "Availlable Files: (4/4)";
        QTest::newRow("header only") << ListFile({}) << QStringList{} << false << int(ListCheck::NothingNew)
                                     << QStringList{} << "Availlable Files: (0/0)";
        QTest::newRow("header in other case")
            << ListHeader().toLower().toUtf8() + "\r\na.kdf,x\r\n" << QStringList{} << false
            << int(ListCheck::InvalidHeader) << QStringList{} << "Availlable Files: (0/0)";
        QTest::newRow("exchange file header") << QByteArray("Kelpo Data File. http://kelpo.example.org/\r\n")
                                              << QStringList{} << false << int(ListCheck::InvalidHeader)
                                              << QStringList{} << "Availlable Files: (0/0)";
        QTest::newRow("empty list file") << QByteArray("") << QStringList{} << false
                                         << int(ListCheck::InvalidHeader) << QStringList{}
                                         << "Availlable Files: (0/0)";
        QTest::newRow("no list file") << QByteArray() << QStringList{} << false << int(ListCheck::Unreadable)
                                      << QStringList{} << "Availlable Files: (0/0)";
        // Never waited on, never read into memory.
        QTest::newRow("a pipe") << QByteArray("<pipe>") << QStringList{} << false << int(ListCheck::Unreadable)
                                << QStringList{} << "Availlable Files: (0/0)";
        QTest::newRow("far too large") << QByteArray("<too large>") << QStringList{} << false
                                       << int(ListCheck::Unreadable) << QStringList{} << "Availlable Files: (0/0)";
    }
    void check()
    {
        QFETCH(QByteArray, list);
        QFETCH(QStringList, present);
        QFETCH(bool, newOnly);
        QFETCH(int, outcome);
        QFETCH(QStringList, fileList);
        QFETCH(QString, counts);

        QTemporaryDir tmp;
        const QString dataDir = tmp.path() + QLatin1Char('/');
        for (const QString &name : present) {
            if (name.endsWith(QLatin1Char('/')))
                QVERIFY(QDir(dataDir).mkdir(name.chopped(1)));
            else
                QVERIFY(WriteAll(dataDir + name, "x"));
        }
        const QString listPath = dataDir + ListFileName();
        if (list == "<pipe>") {
            QCOMPARE(::mkfifo(QFile::encodeName(listPath).constData(), 0600), 0);
        } else if (list == "<too large>") {
            QFile large(listPath);  // sparse: it takes no room on the disk
            QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(ListFileLimit + 1));
        } else if (!list.isNull()) {
            QVERIFY(WriteAll(listPath, list));
        }

        const ListCheck c = CheckList(dataDir, newOnly);
        QCOMPARE(int(c.outcome), outcome);
        QCOMPARE(c.fileList, fileList);
        QCOMPARE(c.Counts(), counts);
        if (outcome == ListCheck::InvalidHeader || outcome == ListCheck::Unreadable)
            QVERIFY(c.downloadList.isEmpty());
    }

    void description_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("description");

        const QString long1100 = QString(1100, QLatin1Char('d'));
        QTest::newRow("first") << QStringList{"b.kdf,Second", "a.kdf,First"} << "a.kdf" << true << "First";
        QTest::newRow("commas kept") << QStringList{"a.kdf,one, two, three"} << "a.kdf" << true << "one, two, three";
        QTest::newRow("cut at 1024") << QStringList{"a.kdf," + long1100} << "a.kdf" << true
                                     << QString(1024, QLatin1Char('d'));
        QTest::newRow("prefix: the first line wins")
            << QStringList{"a.kdf2,Two", "a.kdf,One"} << "a.kdf" << true << "Two";
        QTest::newRow("prefix: longer name finds its own")
            << QStringList{"a.kdf,One", "a.kdf2,Two"} << "a.kdf2" << true << "Two";
        QTest::newRow("empty name finds nothing") << QStringList{"nocomma", ",x"} << "" << false << "";
        QTest::newRow("unknown name") << QStringList{"a.kdf,One"} << "b.kdf" << false << "";
        QTest::newRow("case matters") << QStringList{"A.kdf,One"} << "a.kdf" << false << "";
        QTest::newRow("line without comma") << QStringList{"a.kdf"} << "a" << true << "";
    }
    void description()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, selected);
        QFETCH(bool, found);
        QFETCH(QString, description);

        QString shown = QStringLiteral("previous");
        QCOMPARE(DescriptionOf(lines, selected, &shown), found);
        QCOMPARE(shown, found ? description : QStringLiteral("previous"));
    }

    void textFromWindows1252()
    {
        const ListCheck c = CheckListText(ListFile({"caf\xE9.kdf,Cr\xE8me"}), false, {});
        QCOMPARE(c.fileList, QStringList{QString::fromUtf8("café.kdf")});
        QCOMPARE(c.downloadList, QStringList{QString::fromUtf8("café.kdf,Crème")});
    }

    void offeredFilePath_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::newRow("plain") << "a b.kdf" << "/data/a b.kdf";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("parent") << ".." << "";
        QTest::newRow("dot") << "." << "";
        QTest::newRow("climbs out") << "../x.kdf" << "";
        QTest::newRow("absolute") << "/etc/passwd" << "";
        QTest::newRow("backslash") << "sub\\x.kdf" << "";
    }
    void offeredFilePath()
    {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QCOMPARE(OfferedFilePath(QStringLiteral("/data/"), name), path);
    }
};

QTEST_GUILESS_MAIN(TestDownload)
#include "tst_download.moc"
