// The Variables tab of the main window: loading "Kelpo.var" into the sorted
// list while the file keeps its order, renames and values reaching the
// right line, New and Del with their messages, and the editor window's
// choice list kept in step.
#include <QtTest>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "FileRead.h"
#include "VarStore.h"
#include "support/MainFixture.h"
#include "support/ScriptedTii.h"

using namespace kelpo;

namespace {

const QString HelpText = QStringLiteral(
    "Variables can help you simplify the Type function. Just click on a Variable in the list on the left, and "
    "change the value. For example, click on {email} and change the value to your email address. The next time you "
    "want to use your email address in the Type function, just type {email} and Kelpo will automatically insert "
    "your email address. This function is especially handy when you want to exchange Kelpo Data Files with other "
    "people. If you use variables, you will never give away any personal information.");

// A main window started on a given "Kelpo.var" (none: the file is missing),
// with an editor window whose choice list the Variables tab refills.
struct VarRun {
    MainFixture f;
    ScriptedTii tii;
    TMainForm &form;

    explicit VarRun(const QByteArray *varFile = nullptr)
        : f(varFile ? QList<QPair<QString, QByteArray>>{{QStringLiteral("Kelpo.var"), *varFile}}
                    : QList<QPair<QString, QByteArray>>{}),
          form(*f.form)
    {
        form.SetTiiForm(&tii);
        form.show();
        form.Page->setCurrentWidget(form.VarTab);
    }

    QStringList List() const { return form.VariableNames(); }
    QStringList Lines() const { return form.VarStore->Lines; }
    QString Selected() const
    {
        const QListWidgetItem *item = form.Variables->currentItem();
        return item && item->isSelected() ? item->text() : QStringLiteral("<none>");
    }
    void Select(const QString &name)
    {
        const QList<QListWidgetItem *> found = form.Variables->findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
        QVERIFY2(found.size() == 1, qPrintable(name));
        QTest::mouseClick(form.Variables->viewport(), Qt::LeftButton, {},
                          form.Variables->visualItemRect(found.first()).center());
        QCOMPARE(Selected(), name);
    }
    // Closes the window (which saves) and returns the variables file.
    QByteArray CloseAndRead()
    {
        if (!form.close())
            return "<not closed>";
        QFile file(f.dir.filePath(QStringLiteral("Kelpo.var")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
};

QStringList With(QStringList names, const QString &added)
{
    names.append(added);
    std::stable_sort(names.begin(), names.end(), NameBefore);
    return names;
}

}  // namespace

class TstVariables : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void largestFileStartsAndCloses();
    void firstStartShowsDefaults();
    void fileRoundTrip_data();
    void fileRoundTrip();
    void renameAndValues();
    void entryKeepsItsOwnLine();
    void editorsKeepOneLine_data();
    void editorsKeepOneLine();
    void newVariable_data();
    void newVariable();
    void deleteVariables();
};

void TstVariables::firstStartShowsDefaults()
{
    VarRun run;
    TMainForm &form = run.form;
    QCOMPARE(run.List(), VarStore::DefaultNames());
    QCOMPARE(run.Selected(), QStringLiteral("{address}"));
    QCOMPARE(form.VarName->text(), QStringLiteral("{address}"));
    QCOMPARE(form.VarValue->text(), QStringLiteral("Undefined"));
    QCOMPARE(run.tii.Choices(), VarStore::DefaultNames());
    QCOMPARE(run.tii.VarList->currentIndex(), 0);

    QCOMPARE(form.VarHelp->toPlainText(), HelpText);
    QVERIFY(form.VarHelp->isReadOnly());
    QCOMPARE(form.VarHelp->frameShape(), QFrame::NoFrame);
    QCOMPARE(form.Label12->text(), QStringLiteral("Variables:"));
    QCOMPARE(form.Label12->buddy(), static_cast<QWidget *>(form.Variables));
    QCOMPARE(form.Label10->buddy(), static_cast<QWidget *>(form.VarName));
    QCOMPARE(form.Label11->buddy(), static_cast<QWidget *>(form.VarValue));
    QCOMPARE(form.Label10->text(), QStringLiteral("Variable Name:"));
    QCOMPARE(form.Label11->text(), QStringLiteral("Value:"));
    QCOMPARE(form.VarNewButton->toolTip(), QStringLiteral("Add New Variable"));
    QCOMPARE(form.VarDelButton->toolTip(), QStringLiteral("Delete Selected Variable"));
    // Placed by the layout rules: the editors under the help text, the two
    // buttons side by side under them.
    QVERIFY(form.VarHelp->geometry().bottom() < form.VarName->y());
    QVERIFY(form.VarName->geometry().bottom() < form.VarValue->y());
    QCOMPARE(form.VarDelButton->x(), form.VarNewButton->geometry().right() + 1);

    const QByteArray file = run.CloseAndRead();
    QCOMPARE(file.count("\r\n"), 12);
    QVERIFY(file.startsWith("{address}=Undefined\r\n{age}=Undefined\r\n"));
    QVERIFY(file.endsWith("{zip}=Undefined\r\n"));
}

void TstVariables::fileRoundTrip_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QString>("value");  // shown for the first entry
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("order kept, list sorted") << QByteArray("{b}=2\r\n{a}=1\r\n") << QStringList{"{a}", "{b}"} << "1"
                                             << QByteArray("{b}=2\r\n{a}=1\r\n");
    QTest::newRow("value with =") << QByteArray("{x}=a=b\r\n") << QStringList{"{x}"} << "a=b"
                                  << QByteArray("{x}=a=b\r\n");
    QTest::newRow("line without =") << QByteArray("junk\r\n{a}=1\r\n") << QStringList{"", "{a}"} << ""
                                    << QByteArray("junk\r\n{a}=1\r\n");
    QTest::newRow("any line end, NUL ends the text")
        << QByteArrayLiteral("{b}=2\n{a}=1\r{c}=3\r\n\0{d}=4\r\n") << QStringList{"{a}", "{b}", "{c}"} << "1"
        << QByteArray("{b}=2\r\n{a}=1\r\n{c}=3\r\n");
    QTest::newRow("non-ASCII, names differing in case")
        << QByteArray("{city}=x\r\n{City}=Stra\xc3\x9f" "e \xe2\x82\xac\r\n") << QStringList{"{City}", "{city}"}
        << QString::fromUtf8("Straße €") << QByteArray("{city}=x\r\n{City}=Stra\xc3\x9f" "e \xe2\x82\xac\r\n");
    QTest::newRow("empty file") << QByteArray() << QStringList() << "" << QByteArray();
}

void TstVariables::fileRoundTrip()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, list);
    QFETCH(QString, value);
    QFETCH(QByteArray, written);

    VarRun run(&file);
    TMainForm &form = run.form;
    QCOMPARE(run.List(), list);
    QCOMPARE(run.tii.Choices(), list);
    QCOMPARE(run.Selected(), list.isEmpty() ? QStringLiteral("<none>") : list.first());
    QCOMPARE(form.VarName->text(), list.value(0));
    QCOMPARE(form.VarValue->text(), value);
    // Nothing to edit without a selected entry.
    for (QWidget *w : {static_cast<QWidget *>(form.VarName), static_cast<QWidget *>(form.VarValue),
                       static_cast<QWidget *>(form.VarDelButton)})
        QCOMPARE(w->isEnabled(), !list.isEmpty());
    QCOMPARE(run.CloseAndRead(), written);
}

void TstVariables::renameAndValues()
{
    VarRun run;
    TMainForm &form = run.form;
    const QStringList defaults = VarStore::DefaultNames();
    run.Select(QStringLiteral("{email}"));
    QCOMPARE(form.VarValue->text(), QStringLiteral("Undefined"));

    // A rename changes the entry in its place and its line; the editor's
    // list keeps the old name, and scripts using the old name type nothing.
    form.VarName->selectAll();
    QTest::keyClicks(form.VarName, QStringLiteral("{mail}"));
    QStringList renamed = defaults;
    renamed[4] = QStringLiteral("{mail}");
    QCOMPARE(run.List(), renamed);
    QCOMPARE(run.Selected(), QStringLiteral("{mail}"));
    QCOMPARE(run.Lines().at(4), QStringLiteral("{mail}=Undefined"));
    QVERIFY(!form.InVars(QStringLiteral("{email}")));
    QVERIFY(form.InVars(QStringLiteral("{MAIL}")));
    QVERIFY(!run.tii.InVars(QStringLiteral("{email}")));
    QCOMPARE(run.tii.Choices(), defaults);

    // Values may hold "=".
    form.VarValue->selectAll();
    QTest::keyClicks(form.VarValue, QStringLiteral("me=you@example.org"));
    QCOMPARE(run.Lines().at(4), QStringLiteral("{mail}=me=you@example.org"));
    QCOMPARE(form.VariableValue(QStringLiteral("{MAIL}")), QStringLiteral("me=you@example.org"));

    // Clearing the value removes the line; the entry stays. A value typed
    // again makes a fresh line at the end.
    form.VarValue->clear();
    QCOMPARE(run.Lines().size(), 11);
    QVERIFY(!run.Lines().join('\n').contains(QStringLiteral("{mail}")));
    QCOMPARE(run.List(), renamed);
    run.Select(QStringLiteral("{zip}"));
    run.Select(QStringLiteral("{mail}"));
    QCOMPARE(form.VarValue->text(), QString());
    QTest::keyClicks(form.VarValue, QStringLiteral("new"));
    QCOMPARE(run.Lines().size(), 12);
    QCOMPARE(run.Lines().last(), QStringLiteral("{mail}=new"));

    // Left empty, the variable is gone after a restart.
    form.VarValue->clear();
    QByteArray file = run.CloseAndRead();
    QCOMPARE(file.count("\r\n"), 11);
    VarRun restarted(&file);
    QCOMPARE(restarted.List(), QStringList(defaults.mid(0, 4) + defaults.mid(5)));
}

// Each entry edits its own line: looking at an entry with an empty value
// keeps its line, and a rename that passes through another variable's name
// never takes that variable's line along.
void TstVariables::entryKeepsItsOwnLine()
{
    const QByteArray file("{a}=\r\n{phone}=111\r\n{phone2}=222\r\n");
    VarRun run(&file);
    TMainForm &form = run.form;
    QCOMPARE(run.Selected(), QStringLiteral("{a}"));
    run.Select(QStringLiteral("{phone}"));
    run.Select(QStringLiteral("{a}"));
    QCOMPARE(run.Lines(), QString::fromLatin1(file).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts));

    run.Select(QStringLiteral("{phone2}"));
    form.VarName->setCursorPosition(7);
    QTest::keyClick(form.VarName, Qt::Key_Backspace);
    QCOMPARE(run.List(), (QStringList{"{a}", "{phone}", "{phone}"}));
    QTest::keyClicks(form.VarName, QStringLiteral("3"));
    QCOMPARE(run.Lines(), (QStringList{"{a}=", "{phone}=111", "{phone3}=222"}));
    QCOMPARE(form.VarValue->text(), QStringLiteral("222"));
    run.Select(QStringLiteral("{phone}"));
    QCOMPARE(form.VarValue->text(), QStringLiteral("111"));

    // Lines changed behind the list's back are tied again by name.
    form.VarStore->Lines.prepend(QStringLiteral("{zz}=9"));
    form.VarValue->setText(QStringLiteral("112"));
    QCOMPARE(run.Lines(), (QStringList{"{zz}=9", "{a}=", "{phone}=112", "{phone3}=222"}));
}

void TstVariables::editorsKeepOneLine_data()
{
    QTest::addColumn<bool>("name");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("line");  // the selected {email}'s line afterwards

    QTest::newRow("name: = dropped, line breaks as blanks") << true << "{e=m}\r\nx\ny" << "{em} x y=Undefined";
    QTest::newRow("value: line breaks as blanks, = kept") << false << QString::fromLatin1("a=b\r\nc\rd\0e", 11) << "{email}=a=b c de";
}

void TstVariables::editorsKeepOneLine()
{
    QFETCH(bool, name);
    QFETCH(QString, pasted);
    QFETCH(QString, line);

    VarRun run;
    run.Select(QStringLiteral("{email}"));
    QLineEdit *edit = name ? run.form.VarName : run.form.VarValue;
    edit->selectAll();
    edit->insert(pasted);  // as a paste does
    QCOMPARE(run.Lines().at(4), line);
    const QByteArray file = run.CloseAndRead();
    QCOMPARE(file.count("\r\n"), 12);
    QVERIFY(file.contains(line.toUtf8() + "\r\n"));
}

void TstVariables::newVariable_data()
{
    QTest::addColumn<QString>("answer");  // null: Cancel
    QTest::addColumn<QString>("error");   // empty: none
    QTest::addColumn<QString>("added");   // empty: none

    const QString braces = QStringLiteral("is not a valid variable name.\nPlease do not include {} characters.");
    QTest::newRow("cancel") << QString() << "" << "";
    QTest::newRow("existing name") << "email" << "email already exists." << "";
    QTest::newRow("existing name, other case") << "Email" << "Email already exists." << "";
    QTest::newRow("braces") << "{x}" << "{x}" + braces << "";
    QTest::newRow("one brace") << "x}" << "x}" + braces << "";
    QTest::newRow("=") << "a=b" << "a=bis not a valid variable name.\nPlease do not include = characters." << "";
    QTest::newRow("new, sorted in") << "nick name" << "" << "{nick name}";
    QTest::newRow("empty name") << "" << "" << "{}";
}

void TstVariables::newVariable()
{
    QFETCH(QString, answer);
    QFETCH(QString, error);
    QFETCH(QString, added);

    VarRun run;
    TMainForm &form = run.form;
    run.Select(QStringLiteral("{city}"));
    run.tii.SetVariableNames({QStringLiteral("stale")});
    run.f.dialogs.askAnswers.enqueue(answer);
    QTest::mouseClick(form.VarNewButton, Qt::LeftButton);

    QCOMPARE(run.f.dialogs.shown.first().kind, QStringLiteral("Ask"));
    QCOMPARE(run.f.dialogs.shown.first().title, QStringLiteral("New Variable"));
    QCOMPARE(run.f.dialogs.shown.first().text, QStringLiteral("Name of new variable: (No {})"));
    QCOMPARE(run.f.dialogs.Texts(QStringLiteral("Error")), error.isEmpty() ? QStringList() : QStringList{error});
    const QStringList list = added.isEmpty() ? VarStore::DefaultNames() : With(VarStore::DefaultNames(), added);
    QCOMPARE(run.List(), list);
    QCOMPARE(run.Lines().size(), list.size());
    QCOMPARE(run.Lines().last(), added.isEmpty() ? QStringLiteral("{zip}=Undefined") : added + "=Undefined");
    QCOMPARE(run.Selected(), added.isEmpty() ? QStringLiteral("{city}") : added);
    QCOMPARE(form.VarValue->text(), QStringLiteral("Undefined"));
    // In every case the editor's list is refilled and the list has the focus.
    QCOMPARE(run.tii.Choices(), list);
    QCOMPARE(run.tii.VarList->currentIndex(), 0);
    QCOMPARE(form.focusWidget(), static_cast<QWidget *>(form.Variables));
}

void TstVariables::deleteVariables()
{
    VarRun run;
    TMainForm &form = run.form;
    FakeDialogs &dialogs = run.f.dialogs;
    QStringList left = VarStore::DefaultNames();

    // No keeps everything; the editor's list is refilled all the same.
    run.Select(QStringLiteral("{city}"));
    run.tii.SetVariableNames({});
    QTest::mouseClick(form.VarDelButton, Qt::LeftButton);
    QCOMPARE(dialogs.Texts(QStringLiteral("Confirm")),
             QStringList{QStringLiteral("Are you sure you want to delete the {city} variable?")});
    QCOMPARE(run.List(), left);
    QCOMPARE(run.Selected(), QStringLiteral("{city}"));
    QCOMPARE(run.tii.Choices(), left);
    QCOMPARE(form.focusWidget(), static_cast<QWidget *>(form.Variables));

    // Yes removes the entry and its line and selects the first entry.
    dialogs.Clear();
    dialogs.confirmAnswers.enqueue(true);
    QTest::mouseClick(form.VarDelButton, Qt::LeftButton);
    left.removeOne(QStringLiteral("{city}"));
    QCOMPARE(run.List(), left);
    QCOMPARE(run.Lines().size(), 11);
    QVERIFY(!run.Lines().contains(QStringLiteral("{city}=Undefined")));
    QCOMPARE(run.Selected(), QStringLiteral("{address}"));
    QCOMPARE(form.VarName->text(), QStringLiteral("{address}"));
    QCOMPARE(run.tii.Choices(), left);

    // An entry whose value was cleared has no line: deleting it takes the
    // entry alone. Then every other one, down to an empty list.
    run.Select(QStringLiteral("{zip}"));
    form.VarValue->clear();
    for (int i = 0; i < 11; ++i) {
        dialogs.confirmAnswers.enqueue(true);
        form.VarDelButtonClick();
    }
    QVERIFY(run.List().isEmpty());
    QVERIFY(run.Lines().isEmpty());
    QCOMPARE(run.Selected(), QStringLiteral("<none>"));
    QVERIFY(!form.VarName->isEnabled() && !form.VarValue->isEnabled() && !form.VarDelButton->isEnabled());

    // With nothing selected, Del asks nothing and the edit handlers change nothing.
    dialogs.Clear();
    form.VarDelButtonClick();
    form.VarName->setText(QStringLiteral("{x}"));
    form.VarValue->setText(QStringLiteral("y"));
    QVERIFY(dialogs.Texts(QStringLiteral("Confirm")).isEmpty());
    QVERIFY(run.Lines().isEmpty());
    QVERIFY(run.List().isEmpty());

    // New still works and turns the editors back on.
    dialogs.askAnswers.enqueue(QStringLiteral("email"));
    form.VarNewButtonClick();
    QCOMPARE(run.List(), QStringList{QStringLiteral("{email}")});
    QVERIFY(form.VarName->isEnabled() && form.VarValue->isEnabled());
    QCOMPARE(run.CloseAndRead(), QByteArray("{email}=Undefined\r\n"));
}

QTEST_MAIN(TstVariables)
// The largest variables file Kelpo reads (one line per 8 bytes, about
// 30,000 variables) is listed, shown and saved at closing in reasonable
// time: nothing in the window's handling of the list is quadratic (closing
// once deleted the rows one by one, each searching the whole list).
void TstVariables::largestFileStartsAndCloses()
{
    QByteArray text;
    for (int i = 0; text.size() + 16 < VariablesFileLimit; ++i)
        text += "{v" + QByteArray::number(i, 36) + "}=1\r\n";
    QElapsedTimer timer;
    timer.start();
    {
        MainFixture f({{QStringLiteral("Kelpo.var"), text}});
        QVERIFY(f.dialogs.Texts(QStringLiteral("Error")).isEmpty());
        QVERIFY(f.form->close());
    }
    qInfo("started and closed in %lld ms", timer.elapsed());
}

#include "tst_variables.moc"
