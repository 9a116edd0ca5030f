// A typical day with the real program in a real X server, from the keyboard
// alone: a new item with its address and comments, Goto, the script written
// in the Type It In window and finished with Ctrl+Return, Done, Next, a group
// made and joined through the menus opened with Shift+F10, closing.
#include <QtTest>

#include "support/KelpoX11.h"

using namespace kelpo_x11;

class TstKeyboardX11 : public QObject {
    Q_OBJECT

private:
    Session session_;

    static void Type(const QString &text) { Run("xdotool", {"type", "--delay", "20", text}); }

private Q_SLOTS:
    void initTestCase() { session_.Init(); }

    void typicalDayWithoutMouse()
    {
        // A chosen browser that opens nothing: Goto asks no question.
        QFile ini(session_.dataDir + "Kelpo.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write("[Version]\r\nVersion=1.8.1\r\n[Options]\r\nBrowser=/bin/true\r\n");
        ini.close();
        QProcess p;
        const QString wid = session_.Start(p, KELPO_EXE, false);
        QVERIFY2(!wid.isEmpty(), "no main window");

        Keys(wid, {"ctrl+n"});
        QVERIFY(Answer("Add new entry", "Daily Draw"));
        // From the list: the web address, then on to the comments (Tab goes
        // through the three parts of the end date), and Tab out of them again.
        Keys(wid, {"Tab", "ctrl+a"});
        Type("http://draw.example/");
        Keys(wid, {"Tab", "Tab", "Tab", "Tab", "Tab", "Tab", "Tab", "Tab"});
        Type("One a day");
        Keys(wid, {"Tab", "Tab", "ctrl+g"});

        // The script, written in the editor window and finished from the keyboard.
        Keys(wid, {"ctrl+t"});
        const QString editor = WaitForWindow("TypeItIn for \"Daily Draw\"");
        QVERIFY2(!editor.isEmpty(), "no script editor");
        Activate(editor);
        Type("abc");
        Run("xdotool", {"key", "Tab"});
        Type("x");
        Run("xdotool", {"key", "ctrl+Return"});
        QVERIFY2(WaitForGone("TypeItIn for \"Daily Draw\"", editor), "Ctrl+Return did not press Done");

        // Done, then Next finds nothing left.
        Keys(wid, {"ctrl+m", "ctrl+a"});
        QVERIFY(Answer("Information"));
        // A group from the group box's menu, joined from the list's menu
        // ("Groups": Remove, Move to Trash, Mine).
        Keys(wid, {"shift+Tab", "shift+F10", "Down", "Return"});
        QVERIFY(Answer("Add New Group", "Mine"));
        Keys(wid, {"Tab", "Home", "shift+F10", "Down", "Right", "Down", "Down", "Return"});
        Session::Close(p, wid);

        QFile dat(session_.dataDir + "Kelpo.dat");
        QVERIFY(dat.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(dat.readAll());
        for (const char *line : {"GroupName1=Mine\r\n", "Name: Daily Draw\r\nGroup: ,1,\r\n",
                                 "Site: http://draw.example/\r\n", "Keys: abc{tab}x\r\n", "\r\nOne a day\r\n"})
            QVERIFY2(text.contains(QLatin1String(line)), line);
        QVERIFY2(text.contains(QRegularExpression("Freq: \\d+,1\\r\\n")), "one entry counted");
    }
};

QTEST_GUILESS_MAIN(TstKeyboardX11)
#include "tst_keyboard_x11.moc"
