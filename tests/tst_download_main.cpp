// The Download tab of the main window: Check lists the offered files of the
// list file, a selection shows its description, Download imports the file.
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "DownloadList.h"
#include "ExchangeFile.h"
#include "support/MainFixture.h"

using namespace kelpo;

namespace {

QByteArray ListFile(const QByteArrayList &lines)
{
    QByteArray out = ListHeader().toUtf8() + "\r\n";
    for (const QByteArray &l : lines)
        out += l + "\r\n";
    return out;
}

QStringList Listed(const TMainForm &form)
{
    QStringList names;
    for (int i = 0; i < form.FileList->count(); ++i)
        names.append(form.FileList->item(i)->text());
    return names;
}

const QString longText = QStringLiteral("x,").repeated(700);  // 1400 characters with commas

}  // namespace

class TestDownloadMain : public QObject {
    Q_OBJECT

private slots:
    void check_data();
    void check();
    void selectionShowsFirstLineThatBeginsWithTheName();
    void startupCheckReportsMissingListOnce();
    void transferToggleButtonsAndItsFailuresAreReported();
    void downloadImportsTheChosenFile();
};

void TestDownloadMain::check_data()
{
    QTest::addColumn<QByteArray>("list");  // null: no list file
    QTest::addColumn<bool>("newOnly");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("counts");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("message");  // "Error: ..." or "Information: ..."

    const QByteArray two = ListFile({"b.kdf,Second", "", "a.kdf,First"});
    QTest::newRow("sorted, first described") << two << false << QStringList{"a.kdf", "b.kdf"}
                                             << "Availlable Files: (2/2)" << "First" << "";
    QTest::newRow("new only: a.kdf is here") << two << true << QStringList{"b.kdf"} << "Availlable Files: (1/2)"
                                             << "Second" << "";
    QTest::newRow("long description with commas")
        << ListFile({"c.kdf," + longText.toUtf8()}) << false << QStringList{"c.kdf"} << "Availlable Files: (1/1)"
        << longText.left(1024) << "";
    QTest::newRow("line without comma") << ListFile({"nocomma"}) << false << QStringList{""}
                                        << "Availlable Files: (1/1)" << "" << "";
    QTest::newRow("nothing offered") << ListFile({}) << false << QStringList{} << "Availlable Files: (0/0)" << ""
                                     << "Information: " + NoNewFilesMessage;
    QTest::newRow("nothing new") << ListFile({"a.kdf,First"}) << true << QStringList{} << "Availlable Files: (0/1)"
                                 << "" << "Information: " + NoNewFilesMessage;
    QTest::newRow("wrong header") << QByteArray("Kelpo list file. http://kelpo.example.org/\r\nb.kdf,B\r\n") << false
                                  << QStringList{} << "Availlable Files:" << "" << "Error: " + InvalidListMessage;
    QTest::newRow("no list file") << QByteArray() << false << QStringList{} << "Availlable Files:" << ""
                                  << "Error: " + ListUnreadableMessage;
}

void TestDownloadMain::check()
{
    QFETCH(QByteArray, list);
    QFETCH(bool, newOnly);
    QFETCH(QStringList, listed);
    QFETCH(QString, counts);
    QFETCH(QString, description);
    QFETCH(QString, message);

    MainFixture::Files files{{QStringLiteral("a.kdf"), "offered before"}};
    if (!list.isNull())
        files.append({QStringLiteral("kdf.lst"), list});
    MainFixture f(files);
    f.form->NewOnly->setChecked(newOnly);
    f.form->CheckButtonClick();

    QCOMPARE(Listed(*f.form), listed);
    QCOMPARE(f.form->Label13->text(), counts);
    QCOMPARE(f.form->Description->toPlainText(), description);
    QStringList shown;
    for (const auto &s : f.dialogs.shown)
        shown.append(s.kind + QStringLiteral(": ") + s.text);
    QCOMPARE(shown, message.isEmpty() ? QStringList() : QStringList{message});
    if (!listed.isEmpty())
        QCOMPARE(f.form->FileList->currentRow(), 0);
}

void TestDownloadMain::selectionShowsFirstLineThatBeginsWithTheName()
{
    MainFixture f({{QStringLiteral("kdf.lst"), ListFile({"a.kdf2,Longer name", "a.kdf,Short name"})}});
    f.form->CheckButtonClick();
    QCOMPARE(Listed(*f.form), (QStringList{"a.kdf", "a.kdf2"}));
    // a.kdf is the beginning of the first line too.
    QCOMPARE(f.form->Description->toPlainText(), QStringLiteral("Longer name"));
    f.form->FileList->setCurrentRow(1);
    QCOMPARE(f.form->Description->toPlainText(), QStringLiteral("Longer name"));
    f.form->Description->setPlainText(QStringLiteral("kept"));
    f.form->FileList->setCurrentRow(-1);  // nothing selected: the text stays
    QCOMPARE(f.form->Description->toPlainText(), QStringLiteral("kept"));

    // The next Check starts afresh.
    QFile::remove(f.dir.filePath(QStringLiteral("kdf.lst")));
    f.form->CheckButtonClick();
    QVERIFY(Listed(*f.form).isEmpty());
    QVERIFY(f.form->DownloadList.isEmpty());
}

void TestDownloadMain::startupCheckReportsMissingListOnce()
{
    MainFixture f("[Options]\r\nCheckForFiles=1\r\n");
    QCOMPARE(f.dialogs.Texts(QStringLiteral("Error")), QStringList{ListUnreadableMessage});
    QVERIFY(!f.form->Page->isTabVisible(f.form->Page->indexOf(f.form->DownloadTab)));
    QVERIFY(f.form->DownloadHelp->toPlainText().endsWith(
        QStringLiteral("share@kelpo.example.org and we will add it to the files that people can download.")));

    MainFixture off;  // the check is off by default
    QVERIFY(off.dialogs.shown.isEmpty());
}

void TestDownloadMain::transferToggleButtonsAndItsFailuresAreReported()
{
    MainFixture f({{QStringLiteral("kdf.lst"), ListFile({"a.kdf,First", "../Kelpo.dat,Outside"})}});
    QStringList requested;
    bool succeed = true;
    f.transfer = [&](const QString &name) {
        requested.append(name);
        // Both buttons are off while a transfer runs.
        if (f.form->CheckButton->isEnabled() || f.form->DownloadBut->isEnabled())
            requested.append(QStringLiteral("buttons on"));
        return succeed;
    };
    f.form->CheckButtonClick();
    QCOMPARE(requested, QStringList{"kdf.lst"});
    QVERIFY(f.form->CheckButton->isEnabled() && f.form->DownloadBut->isEnabled());

    // A name that would reach outside the data folder is never read.
    f.form->FileList->setCurrentRow(0);
    QCOMPARE(f.form->FileList->currentItem()->text(), QStringLiteral("../Kelpo.dat"));
    f.form->DownloadButClick();
    QCOMPARE(f.dialogs.Texts(QStringLiteral("Error")), QStringList{FileUnreadableMessage});

    succeed = false;
    f.dialogs.Clear();
    f.form->FileList->setCurrentRow(1);
    f.form->DownloadButClick();
    QCOMPARE(f.dialogs.Texts(QStringLiteral("Error")), QStringList{FileUnreadableMessage});
    f.form->CheckButtonClick();
    QCOMPARE(f.dialogs.Texts(QStringLiteral("Error")), (QStringList{FileUnreadableMessage, ListUnreadableMessage}));
    QVERIFY(f.form->CheckButton->isEnabled() && f.form->DownloadBut->isEnabled());
    QVERIFY(!requested.contains(QStringLiteral("buttons on")));
    QCOMPARE(f.form->Data.Items.Count(), 0);
}

void TestDownloadMain::downloadImportsTheChosenFile()
{
    MainFixture f({{QStringLiteral("kdf.lst"), ListFile({"prizes.kdf,Weekly prize draws"})}});
    Rec offered;
    offered.Name = QStringLiteral("Weekly Draw");
    offered.Site = QStringLiteral("http://weekly.example/");
    offered.Last = Day(QStringLiteral("01/12/2026 08:00"));
    offered.Ends = Day(QStringLiteral("31/12/2027"));
    offered.Freq = 5;
    QString error;
    QVERIFY(SaveExchangeFile(f.dir.filePath(QStringLiteral("prizes.kdf")), QStringLiteral("Prizes"), {&offered}, true,
                             MainFixture::Dates(), &error));
    f.Show();
    f.form->CheckButtonClick();
    f.dialogs.askAnswers.enqueue(QStringLiteral("Prizes"));
    f.form->DownloadButClick();

    QCOMPARE(f.dialogs.Texts(QStringLiteral("Ask")), QStringList{AddItemsPrompt(0)});
    QCOMPARE(f.dialogs.Texts(QStringLiteral("Information")),
             QStringList{ImportedMessage(f.dir.filePath(QStringLiteral("prizes.kdf")))});
    const Rec *imported = f.Item(QStringLiteral("Weekly Draw"));
    QVERIFY(imported);
    QCOMPARE(imported->Site, offered.Site);
    QCOMPARE(f.form->ShownGroup(), QStringLiteral("Prizes"));
    QCOMPARE(Listed(*f.form), QStringList{"prizes.kdf"});  // stays listed until the next Check
}

QTEST_MAIN(TestDownloadMain)
#include "tst_download_main.moc"
