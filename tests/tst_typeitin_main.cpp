// The Type button of the main window with a recording keyboard: what a
// script types with the variables and the slow-down option, the cases that
// type nothing, the editor window opened by a right press or by an empty
// script, and the tracking of the window to type into.
#include <QtTest>

#include <QCheckBox>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "support/MainFixture.h"
#include "support/ScriptedTii.h"

using namespace kelpo;

namespace {

const quint64 TargetId = 5;
const QString NoFrontText = QStringLiteral(
    "The window to type into could not be brought to the front, so nothing was typed.\n"
    "Click into the form you want to fill in, then press Type again.");

// One item "Daily Draw" with a script, shown and current; the editor window
// attached; the player's pauses recorded as "wait".
struct TypeRun {
    MainFixture f;
    ScriptedTii tii;
    TMainForm &form;
    Rec *item;

    explicit TypeRun(const QString &keys, const QByteArray &varFile = "{email}=a@b\r\n{first name}=Zoe\r\n")
        : f({{QStringLiteral("Kelpo.var"), varFile}}), form(*f.form)
    {
        item = f.Add(QStringLiteral("Daily Draw"));
        item->Keys = keys;
        f.Show();
        form.SetTiiForm(&tii);
        form.show();
        f.Select({0}, 0);
        form.ScriptPlayer->SlowDownWait = [this] { f.keyboard.Log << QStringLiteral("wait"); };
    }
    QString Log() const { return f.keyboard.Log.join(QLatin1Char(' ')); }
    QImage ButtonPicture() const { return form.TypeItIn->icon().pixmap(16).toImage(); }
    static QImage Picture(Glyph glyph) { return GlyphIcon(glyph).pixmap(16).toImage(); }
};

}  // namespace

class TstTypeItInMain : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void typeButton_data();
    void typeButton();
    void typeNothing_data();
    void typeNothing();
    void secondTypeWhilePlayingIsIgnored();
    void stoppedTypingSaysSo();
    void editorFromTypeButton_data();
    void editorFromTypeButton();
    void emptyScriptOpensEditor();
    void editorOpensBesideTheWindow();
    void targetTracking();
    void shortcut_data();
    void shortcut();
};

void TstTypeItInMain::typeButton_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<bool>("slow");
    QTest::addColumn<QString>("events");

    QTest::newRow("characters, variables in any case, a key")
        << "Hi {EMAIL}{tab}{first name}" << false
        << "+16 +72 -72 -16 +73 -73 +32 -32 "      // H i blank
           "+65 -65 +17 +18 +81 -81 -17 -18 +66 -66 "  // a @ b
           "+9 -9 +16 +90 -90 -16 +79 -79 +69 -69";    // Tab Z o e
    QTest::newRow("unknown group and listed variable without a value") << "{foo}x{zip}" << false << "+88 -88";
    QTest::newRow("value with =") << "{phone}" << false << "+65 -65 unmapped61 +66 -66";
    QTest::newRow("slowed down") << "A{tab}" << true << "+16 +65 -65 wait -16 +9 -9 wait";
}

void TstTypeItInMain::typeButton()
{
    QFETCH(QString, keys);
    QFETCH(bool, slow);
    QFETCH(QString, events);

    TypeRun run(keys, "{email}=a@b\r\n{first name}=Zoe\r\n{zip}=\r\n{phone}=a=b\r\n");
    run.form.SlowDownType->setChecked(slow);
    run.form.ScriptPlayer->SetTargetWindow(TargetId);
    QTest::mouseClick(run.form.TypeItIn, Qt::LeftButton);
    QCOMPARE(run.Log(), QStringLiteral("front5 front5 ") + events + QStringLiteral(" end"));
    QVERIFY(run.f.dialogs.shown.isEmpty());
    QCOMPARE(run.form.focusWidget(), static_cast<QWidget *>(run.form.Entries));
    QCOMPARE(run.tii.Runs, 0);
    QCOMPARE(run.item->Keys, keys);
}

void TstTypeItInMain::typeNothing_data()
{
    QTest::addColumn<int>("focusedRow");  // -1: none
    QTest::addColumn<quint64>("target");
    QTest::addColumn<bool>("usable");
    QTest::addColumn<bool>("frontWorks");
    QTest::addColumn<QString>("why");  // what the keyboard says
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("events");

    const QString noX = QStringLiteral("Type It In needs an X11 session; no X server could be reached.");
    const QString noTarget = QStringLiteral(
        "Type It In does not know yet which window to type into, so nothing was typed.\n"
        "Click into the form you want to fill in, then press Type again.");
    const QString noPath = QStringLiteral("No way to type into that window.");
    QTest::newRow("no target right after start-up") << 0 << quint64(0) << true << true << "" << noTarget << "";
    QTest::newRow("no current item") << -1 << TargetId << true << true << "" << "" << "";
    QTest::newRow("no keyboard") << 0 << TargetId << false << true << noX << noX << "";
    QTest::newRow("target does not come to the front") << 0 << TargetId << true << false << "" << NoFrontText
                                                       << "front5";
    QTest::newRow("the keyboard says why") << 0 << TargetId << true << false << noPath << noPath << "front5";
}

void TstTypeItInMain::typeNothing()
{
    QFETCH(int, focusedRow);
    QFETCH(quint64, target);
    QFETCH(bool, usable);
    QFETCH(bool, frontWorks);
    QFETCH(QString, why);
    QFETCH(QString, error);
    QFETCH(QString, events);

    TypeRun run(QStringLiteral("ab{tab}{email}"));
    QCOMPARE(run.form.ScriptPlayer->TargetWindow(), quint64(0));
    run.f.keyboard.Usable = usable;
    run.f.keyboard.Why = why;
    run.f.keyboard.FrontWorks = frontWorks;
    if (target != 0)
        run.form.ScriptPlayer->SetTargetWindow(target);
    run.f.Select({}, focusedRow);
    run.form.TypeItInClick();
    QCOMPARE(run.Log(), events);
    QCOMPARE(run.f.dialogs.Texts(QStringLiteral("Error")), error.isEmpty() ? QStringList() : QStringList{error});
    QCOMPARE(run.tii.Runs, 0);
}

// A run the keyboard had to stop (the focus came back to this program) types
// nothing more and shows the keyboard's reason.
void TstTypeItInMain::stoppedTypingSaysSo()
{
    TypeRun run(QStringLiteral("abc"));
    run.form.ScriptPlayer->SetTargetWindow(TargetId);
    run.f.keyboard.StopAt = 4;  // front5 front5 +65 -65
    run.f.keyboard.Why = QStringLiteral("Stopped.");
    run.form.TypeItInClick();
    QCOMPARE(run.Log(), QStringLiteral("front5 front5 +65 -65 end"));
    QCOMPARE(run.f.dialogs.Texts(QStringLiteral("Error")), QStringList{QStringLiteral("Stopped.")});
}

void TstTypeItInMain::secondTypeWhilePlayingIsIgnored()
{
    TypeRun run(QStringLiteral("ab"));
    run.form.ScriptPlayer->SetTargetWindow(TargetId);
    int passes = 0;
    run.form.ScriptPlayer->ProcessEvents = [&] {
        if (passes++ == 0) {
            run.form.TypeItInClick();
            QTest::mousePress(run.form.TypeItIn, Qt::RightButton);
        }
    };
    run.form.TypeItInClick();
    QCOMPARE(run.Log(), QStringLiteral("front5 front5 +65 -65 +66 -66 end"));
    QCOMPARE(run.tii.Runs, 0);
}

void TstTypeItInMain::editorFromTypeButton_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("typed");  // the editor's whole new text
    QTest::addColumn<bool>("done");      // Done, else the close box
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("green");     // the Type button shows KeyGrn

    QTest::newRow("Done stores the text") << "a{tab}" << "x\ty{Email}" << true << "x{tab}y{Email}" << true;
    QTest::newRow("close box keeps the script") << "a{tab}" << "changed" << false << "a{tab}" << true;
    QTest::newRow("Done with an empty text clears it") << "a{tab}" << "" << true << "" << false;
    QTest::newRow("a first script") << "" << "{email}" << true << "{email}" << true;
}

void TstTypeItInMain::editorFromTypeButton()
{
    QFETCH(QString, keys);
    QFETCH(QString, typed);
    QFETCH(bool, done);
    QFETCH(QString, after);
    QFETCH(bool, green);

    TypeRun run(keys);
    QString caption, shown;
    run.tii.Drive = [&](ScriptedTii &tii) {
        caption = tii.windowTitle();
        shown = tii.Text();
        tii.TiiText->setPlainText(typed);
        if (done)
            QTest::mouseClick(tii.DoneButton, Qt::LeftButton);
        else
            tii.close();
    };
    // The left button types; only the right one opens the editor.
    QTest::mousePress(run.form.TypeItIn, Qt::LeftButton);
    QTest::mouseRelease(run.form.TypeItIn, Qt::LeftButton);
    QCOMPARE(run.tii.Runs, keys.isEmpty() ? 1 : 0);
    run.tii.Runs = 0;
    run.item->Keys = keys;

    QTest::mousePress(run.form.TypeItIn, Qt::RightButton);
    QCOMPARE(run.tii.Runs, 1);
    QCOMPARE(caption, QStringLiteral("TypeItIn for \"Daily Draw\""));
    QCOMPARE(shown, keys);
    QCOMPARE(run.item->Keys, after);
    QCOMPARE(run.ButtonPicture(), TypeRun::Picture(green ? Glyph::KeyGrn : Glyph::Keyboard));
    QVERIFY(run.f.keyboard.Log.isEmpty());
}

// Type on an item without a script opens the editor instead, and types
// nothing even when the editor closes with a script.
void TstTypeItInMain::emptyScriptOpensEditor()
{
    TypeRun run{QString()};
    run.form.ScriptPlayer->SetTargetWindow(TargetId);
    run.tii.Drive = [](ScriptedTii &tii) {
        tii.TiiText->setPlainText(QStringLiteral("abc"));
        QTest::mouseClick(tii.DoneButton, Qt::LeftButton);
    };
    QCOMPARE(run.ButtonPicture(), TypeRun::Picture(Glyph::Keyboard));
    QTest::mouseClick(run.form.TypeItIn, Qt::LeftButton);
    QCOMPARE(run.tii.Runs, 1);
    QCOMPARE(run.item->Keys, QStringLiteral("abc"));
    QCOMPARE(run.ButtonPicture(), TypeRun::Picture(Glyph::KeyGrn));
    QVERIFY(run.f.keyboard.Log.isEmpty());
    QCOMPARE(run.form.focusWidget(), static_cast<QWidget *>(run.form.Entries));
}

// The editor opens beside the main window and wholly on its screen; a place
// the user gives it is kept while it lies on that screen.
void TstTypeItInMain::editorOpensBesideTheWindow()
{
    TypeRun run(QStringLiteral("a"));
    const QRect screen = run.form.screen()->availableGeometry();
    QRect opened;
    run.tii.Drive = [&](ScriptedTii &tii) { opened = tii.frameGeometry(); };
    auto open = [&] {
        QTest::mousePress(run.form.TypeItIn, Qt::RightButton);
        QVERIFY(screen.contains(opened));
        QCOMPARE(opened.y(), run.form.frameGeometry().y());
    };
    const QRect left(screen.x() + 10, screen.y() + 20, 360, 300);
    run.form.PlaceWindow(left);
    QTRY_COMPARE(run.form.frameGeometry(), left);
    open();
    QCOMPARE(opened.x(), run.form.frameGeometry().right() + 1);

    // No room on the right: on the left.
    run.tii.move(screen.right() + 100, screen.y());
    const QRect right = left.translated(screen.right() + 1 - left.right() - 1, 10);
    run.form.PlaceWindow(right);
    QTRY_COMPARE(run.form.frameGeometry(), right);
    open();
    QCOMPARE(opened.right() + 1, run.form.frameGeometry().x());

    const QPoint mine(screen.x() + 5, screen.y() + 5);
    run.tii.move(mine);
    QTest::mousePress(run.form.TypeItIn, Qt::RightButton);
    QCOMPARE(opened.topLeft(), mine);
}

// The target is the last window in front that is not one of the program's
// own; the timer looks every 100 ms.
void TstTypeItInMain::targetTracking()
{
    TypeRun run(QStringLiteral("a"));
    TMainForm &form = run.form;
    quint64 &front = run.f.keyboard.Front;
    QCOMPARE(form.FindTarget->interval(), 100);
    QVERIFY(form.FindTarget->isActive());

    front = 7;
    QTRY_COMPARE(form.ScriptPlayer->TargetWindow(), quint64(7));
    run.tii.show();
    for (const quint64 own : {quint64(form.internalWinId()), quint64(run.tii.internalWinId()), quint64(0)}) {
        QVERIFY(own != 7);
        front = own;
        form.FindTargetTimer();
        QCOMPARE(form.ScriptPlayer->TargetWindow(), quint64(7));
    }
    front = 9;
    form.FindTargetTimer();
    QCOMPARE(form.ScriptPlayer->TargetWindow(), quint64(9));
}

// The desktop-wide shortcut types into the window that has the focus now,
// in place; pressed in one of Kelpo's own windows (or with no window in
// front) it types nothing.
void TstTypeItInMain::shortcut_data()
{
    QTest::addColumn<int>("front");  // -1: the main window
    QTest::addColumn<QString>("events");

    QTest::newRow("another program's window") << 7 << "inplace front7 front7 +65 -65 +66 -66 end";
    QTest::newRow("the main window") << -1 << "";
    QTest::newRow("no window") << 0 << "";
}

void TstTypeItInMain::shortcut()
{
    QFETCH(int, front);
    QFETCH(QString, events);

    TypeRun run(QStringLiteral("ab"));
    run.form.ScriptPlayer->SetTargetWindow(TargetId);
    run.f.keyboard.Front = front < 0 ? quint64(run.form.internalWinId()) : quint64(front);
    run.form.TypeItInShortcut();
    QCOMPARE(run.Log(), events);
    QVERIFY(run.f.dialogs.shown.isEmpty());
}

QTEST_MAIN(TstTypeItInMain)
#include "tst_typeitin_main.moc"
