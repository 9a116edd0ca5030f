// The script editor window driven through its real widgets: key presses that
// become brace names, Backspace over whole names, pasted line breaks and
// tabs, variable picks, Done against the close box, and the resize rules.
#include <QtTest>

#include <QClipboard>
#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>

#include <functional>

#include "Tii.h"

using namespace kelpo;

namespace {

// The editor with its modal run replaced by a driver, so no test waits in a
// nested event loop.
class TestForm : public TTiiForm {
public:
    std::function<void(TestForm &)> Drive;

    using TTiiForm::TTiiForm;

protected:
    int RunModal() override
    {
        show();
        if (Drive)
            Drive(*this);
        if (isVisible())  // a driver that forgot to leave
            reject();
        return result();
    }
};

const QStringList Variables = {QStringLiteral("{city}"), QStringLiteral("{email}"), QStringLiteral("{first name}")};

struct Editor {
    TestForm form;

    Editor()
    {
        form.SetVariableNames(Variables);
        form.InVars = [](const QString &name) { return Variables.contains(name, Qt::CaseInsensitive); };
        form.show();
    }
    bool Active() { return QTest::qWaitForWindowActive(&form); }
    void SetText(const QString &text, int anchor, int position)
    {
        form.TiiText->setPlainText(text);
        QTextCursor cursor = form.TiiText->textCursor();
        cursor.setPosition(anchor);
        cursor.setPosition(position, QTextCursor::KeepAnchor);
        form.TiiText->setTextCursor(cursor);
    }
    int Caret() const { return form.TiiText->textCursor().position(); }
};

}  // namespace

class TestTii : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void captions();
    void keys_data();
    void keys();
    void lineBreaksAndTabs_data();
    void lineBreaksAndTabs();
    void doneAndCloseBox_data();
    void doneAndCloseBox();
    void keyboardWaysOut_data();
    void keyboardWaysOut();
    void variablePicks();
    void resizeRules_data();
    void resizeRules();
};

// The offscreen platform cannot raise windows and says so for every tool
// window shown; that note is dropped, everything else is reported.
QtMessageHandler PreviousHandler = nullptr;

void DropRaiseNote(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message != QLatin1String("This plugin does not support raise()"))
        PreviousHandler(type, context, message);
}

void TestTii::initTestCase()
{
    PreviousHandler = qInstallMessageHandler(DropRaiseNote);
}

void TestTii::captions()
{
    TestForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("TypeItIn Information"));
    QCOMPARE(form.size(), QSize(397, 234));
    // Screen readers: the script box by its name; the variable list by its
    // name and its label (a drop-down list reports its shown entry as its
    // name here, readers take the label from the relation).
    QCOMPARE(QAccessible::queryAccessibleInterface(form.TiiText)->text(QAccessible::Name), QStringLiteral("Script"));
    QCOMPARE(form.VarList->accessibleName(), QStringLiteral("Insert Variable"));
    const auto labels = QAccessible::queryAccessibleInterface(form.VarList)->relations(QAccessible::Label);
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.first().first->object(), form.Label1);
    QString seen;
    form.Drive = [&](TestForm &f) {
        seen = f.windowTitle();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QVERIFY(f.TiiText->hasFocus());
    };
    QString keys = QStringLiteral("x");
    QVERIFY(!form.Edit(QStringLiteral("Daily Draw"), &keys));
    QCOMPARE(seen, QStringLiteral("TypeItIn for \"Daily Draw\""));
}

void TestTii::keys_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("anchor");
    QTest::addColumn<int>("position");
    QTest::addColumn<QTestEventList>("events");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("caret");

    auto one = [](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTestEventList events;
        events.addKeyClick(key, modifiers);
        return events;
    };
    QTestEventList tabAbcEnter;
    tabAbcEnter.addKeyClick(Qt::Key_Tab);
    tabAbcEnter.addKeyClicks(QStringLiteral("abc"));
    tabAbcEnter.addKeyClick(Qt::Key_Return);
    QTest::newRow("tab abc enter") << "" << 0 << 0 << tabAbcEnter << "{tab}abc{enter}" << 15;
    QTest::newRow("shift tab") << "ab" << 1 << 1 << one(Qt::Key_Backtab, Qt::ShiftModifier) << "a{tab}b" << 6;
    QTest::newRow("shift enter") << "" << 0 << 0 << one(Qt::Key_Return, Qt::ShiftModifier) << "{enter}" << 7;
    QTest::newRow("keypad enter") << "" << 0 << 0 << one(Qt::Key_Enter, Qt::KeypadModifier) << "{enter}" << 7;
    QTest::newRow("tab replaces a backward selection")
        << "abcd" << 3 << 1 << one(Qt::Key_Tab) << "a{tab}d" << 6;

    QTest::newRow("left") << "ab" << 1 << 1 << one(Qt::Key_Left) << "a{left}b" << 7;
    QTest::newRow("right") << "ab" << 1 << 1 << one(Qt::Key_Right) << "a{right}b" << 8;
    QTest::newRow("up") << "ab" << 1 << 1 << one(Qt::Key_Up) << "a{up}b" << 5;
    QTest::newRow("down") << "ab" << 1 << 1 << one(Qt::Key_Down) << "a{down}b" << 7;
    QTest::newRow("shift left") << "ab" << 1 << 1 << one(Qt::Key_Left, Qt::ShiftModifier) << "a{left}b" << 7;
    QTest::newRow("shift right") << "ab" << 1 << 1 << one(Qt::Key_Right, Qt::ShiftModifier) << "a{right}b" << 8;
    QTest::newRow("ctrl left") << "ab" << 1 << 1 << one(Qt::Key_Left, Qt::ControlModifier) << "a{left}b" << 7;
    QTest::newRow("shift down at the end") << "ab" << 2 << 2 << one(Qt::Key_Down, Qt::ShiftModifier) << "ab{down}" << 8;
    QTest::newRow("ctrl up at the start") << "ab" << 0 << 0 << one(Qt::Key_Up, Qt::ControlModifier) << "{up}ab" << 4;

    QTest::newRow("backspace after {enter}") << "x{enter}" << 8 << 8 << one(Qt::Key_Backspace) << "x" << 1;
    QTest::newRow("backspace after {TAB}") << "{TAB}y" << 5 << 5 << one(Qt::Key_Backspace) << "y" << 0;
    QTest::newRow("backspace after {Right}") << "a{Right}" << 8 << 8 << one(Qt::Key_Backspace) << "a" << 1;
    QTest::newRow("backspace after {Email}, variable {email}")
        << "a{Email}b" << 8 << 8 << one(Qt::Key_Backspace) << "ab" << 1;
    QTest::newRow("backspace after {first name}")
        << "{first name}" << 12 << 12 << one(Qt::Key_Backspace) << "" << 0;
    QTest::newRow("backspace after {foo}, no variable") << "{foo}" << 5 << 5 << one(Qt::Key_Backspace) << "{foo" << 4;
    QTest::newRow("backspace takes the nearest brace") << "{a{tab}" << 7 << 7 << one(Qt::Key_Backspace) << "{a" << 2;
    QTest::newRow("backspace after } with no {") << "a}" << 2 << 2 << one(Qt::Key_Backspace) << "a" << 1;
    QTest::newRow("backspace after a lone }") << "}" << 1 << 1 << one(Qt::Key_Backspace) << "" << 0;
    QTest::newRow("backspace after a plain character") << "{tab}x" << 6 << 6 << one(Qt::Key_Backspace) << "{tab}" << 5;
    QTest::newRow("backspace with a selected }") << "{tab}" << 4 << 5 << one(Qt::Key_Backspace) << "{tab" << 4;
}

void TestTii::keys()
{
    QFETCH(QString, text);
    QFETCH(int, anchor);
    QFETCH(int, position);
    QFETCH(QTestEventList, events);
    QFETCH(QString, expected);
    QFETCH(int, caret);

    Editor editor;
    editor.SetText(text, anchor, position);
    editor.form.TiiText->setFocus();
    events.simulate(editor.form.TiiText);
    QCOMPARE(editor.form.Text(), expected);
    QCOMPARE(editor.Caret(), caret);
    QVERIFY(!editor.form.TiiText->textCursor().hasSelection());
    QVERIFY(editor.form.isVisible());
}

void TestTii::lineBreaksAndTabs_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("two lines, LF") << "one\ntwo" << "one{enter}two";
    QTest::newRow("two lines, CR LF") << "one\r\ntwo" << "one{enter}two";
    QTest::newRow("lone CR keeps the next character") << "one\rtwo" << "one{enter}two";
    QTest::newRow("blank line between") << "a\r\n\r\nb\n\nc" << "a{enter}{enter}b{enter}{enter}c";
    QTest::newRow("trailing line break") << "a\n" << "a{enter}";
    QTest::newRow("tabs, one at the end") << "\ta\tb\t" << "{tab}a{tab}b{tab}";
    QTest::newRow("line separator") << QString("a") + QChar(QChar::LineSeparator) + "b" << "a{enter}b";
    QTest::newRow("nothing to replace, kept exactly")
        << QString("x{Tab}\u00a0\u00e9\u20ac") << QString("x{Tab}\u00a0\u00e9\u20ac");
}

void TestTii::lineBreaksAndTabs()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    const bool replaced = input != expected;

    // Opening a stored script.
    {
        TestForm form;
        QString seen;
        form.Drive = [&](TestForm &f) { seen = f.Text(); };
        QString keys = input;
        QVERIFY(!form.Edit(QStringLiteral("item"), &keys));
        QCOMPARE(seen, expected);
        QCOMPARE(keys, input);
    }
    // Pasting with Ctrl+V at the end of a text: the caret goes to the start
    // when anything was replaced.
    {
        Editor editor;
        editor.SetText(QStringLiteral("x"), 1, 1);
        QGuiApplication::clipboard()->setText(input);
        QTest::keyClick(editor.form.TiiText, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(editor.form.Text(), QStringLiteral("x") + expected);
        QCOMPARE(editor.Caret(), replaced ? 0 : 1 + int(input.size()));
    }
    // Dropping or setting text as plain text (LF line breaks).
    {
        Editor editor;
        editor.form.TiiText->setPlainText(input);
        QCOMPARE(editor.form.Text(), expected);
        QCOMPARE(editor.Caret(), 0);
    }
}

void TestTii::doneAndCloseBox_data()
{
    QTest::addColumn<QString>("typed");  // replaces the whole text
    QTest::addColumn<bool>("done");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("keys");

    QTest::newRow("done returns the text") << "{email}\tx" << true << true << "{email}{tab}x";
    QTest::newRow("done with an empty text clears") << "" << true << true << "";
    QTest::newRow("close box keeps the script") << "changed" << false << false << "old{tab}";
}

void TestTii::doneAndCloseBox()
{
    QFETCH(QString, typed);
    QFETCH(bool, done);
    QFETCH(bool, result);
    QFETCH(QString, keys);

    TestForm form;
    form.Drive = [&](TestForm &f) {
        f.TiiText->selectAll();
        QTest::keyClick(f.TiiText, Qt::Key_Backspace);
        QTest::keyClicks(f.TiiText, typed);
        // Escape and Enter never close the window; Backspace takes the {enter} back.
        QTest::keyClick(f.TiiText, Qt::Key_Escape);
        QTest::keyClick(&f, Qt::Key_Escape);
        QVERIFY(f.isVisible());
        QTest::keyClick(f.TiiText, Qt::Key_Return);
        QTest::keyClick(f.TiiText, Qt::Key_Backspace);
        QVERIFY(f.isVisible());
        if (done)
            QTest::mouseClick(f.DoneButton, Qt::LeftButton);
        else
            f.close();
        QVERIFY(!f.isVisible());
    };
    QString script = QStringLiteral("old{tab}");
    QCOMPARE(form.Edit(QStringLiteral("item"), &script), result);
    QCOMPARE(script, keys);
    QCOMPARE(form.Text(), done ? keys : typed);  // kept while hidden
}

// Ctrl+Return presses Done, Ctrl+Tab and Ctrl+Shift+Tab move the focus out
// of the text box; with other modifiers Return and Tab stay script keys.
void TestTii::keyboardWaysOut_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("after");  // "done", or the control with the focus
    QTest::addColumn<QString>("text");

    const int ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier, alt = Qt::AltModifier;
    QTest::newRow("ctrl return") << int(Qt::Key_Return) << ctrl << "done" << "ab";
    QTest::newRow("ctrl keypad enter") << int(Qt::Key_Enter) << (ctrl | int(Qt::KeypadModifier)) << "done" << "ab";
    QTest::newRow("ctrl shift return") << int(Qt::Key_Return) << (ctrl | shift) << "TiiText" << "ab{enter}";
    QTest::newRow("alt return") << int(Qt::Key_Return) << alt << "TiiText" << "ab{enter}";
    QTest::newRow("ctrl tab") << int(Qt::Key_Tab) << ctrl << "DoneButton" << "ab";
    QTest::newRow("ctrl shift tab") << int(Qt::Key_Backtab) << (ctrl | shift) << "VarList" << "ab";
    QTest::newRow("ctrl shift tab, as tab") << int(Qt::Key_Tab) << (ctrl | shift) << "VarList" << "ab";
    QTest::newRow("alt tab") << int(Qt::Key_Tab) << alt << "TiiText" << "ab{tab}";
}

void TestTii::keyboardWaysOut()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, after);
    QFETCH(QString, text);

    TestForm form;
    QString focus;
    form.Drive = [&](TestForm &f) {
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QTest::keyClicks(f.TiiText, QStringLiteral("ab"));
        QTest::keyClick(f.TiiText, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        if (f.isVisible()) {
            focus = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
            f.close();
        }
    };
    QString script;
    QCOMPARE(form.Edit(QStringLiteral("item"), &script), after == QLatin1String("done"));
    QCOMPARE(form.Text(), text);
    if (after != QLatin1String("done"))
        QCOMPARE(focus, after);
    else
        QCOMPARE(script, text);
}

void TestTii::variablePicks()
{
    Editor editor;
    QVERIFY(editor.Active());
    QComboBox *list = editor.form.VarList;
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->currentText(), QStringLiteral("{city}"));
    QVERIFY(!list->isEditable());

    // Picking with the keyboard replaces the selection and hands the focus back.
    editor.SetText(QStringLiteral("Dear NAME,"), 9, 5);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(editor.form.Text(), QStringLiteral("Dear {email},"));
    QCOMPARE(editor.Caret(), 12);
    QVERIFY(editor.form.TiiText->hasFocus());

    // Picking the same entry again from the drop-down inserts it again.
    list->showPopup();
    QTRY_VERIFY(list->view()->isVisible());
    QTest::keyClick(list->view(), Qt::Key_Return);
    QCOMPARE(editor.form.Text(), QStringLiteral("Dear {email}{email},"));
    QCOMPARE(editor.Caret(), 19);

    // A refill selects the first entry and inserts nothing.
    editor.form.SetVariableNames({QStringLiteral("{a}"), QStringLiteral("{b}")});
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->currentIndex(), 0);
    QCOMPARE(list->itemText(1), QStringLiteral("{b}"));
    QCOMPARE(editor.form.Text(), QStringLiteral("Dear {email}{email},"));
    editor.form.SetVariableNames({});
    QCOMPARE(list->count(), 0);
}

void TestTii::resizeRules_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("design") << QSize(397, 234);
    QTest::newRow("larger") << QSize(640, 410);
    QTest::newRow("narrow") << QSize(220, 150);
}

void TestTii::resizeRules()
{
    QFETCH(QSize, size);
    Editor editor;
    TTiiForm &f = editor.form;
    const QPoint labelAt = f.Label1->pos();
    const int listLeft = f.VarList->x();
    const int listHeight = f.VarList->height();
    const int doneHeight = f.DoneButton->height();
    QVERIFY(listHeight >= 21);
    QVERIFY(doneHeight >= 20);
    QVERIFY(listLeft >= 111);
    QVERIFY(f.Label1->geometry().right() < listLeft);

    f.resize(size);
    QTRY_COMPARE(f.size(), size);
    QCOMPARE(f.VarList->geometry(), QRect(listLeft, 0, size.width() - listLeft, listHeight));
    const QRect text(0, listHeight + 1, size.width(), size.height() - doneHeight - listHeight - 2);
    QCOMPARE(f.TiiText->geometry(), text);
    QCOMPARE(f.DoneButton->geometry(), QRect(0, text.bottom() + 2, size.width(), doneHeight));
    QCOMPARE(f.DoneButton->geometry().bottom(), size.height() - 1);
    QCOMPARE(f.Label1->pos(), labelAt);

    // Hidden and shown again, the window keeps its size.
    f.hide();
    f.show();
    QCOMPARE(f.size(), size);
}

QTEST_MAIN(TestTii)
#include "tst_tii.moc"
