// Texts of megabytes in the text boxes and in an item: a long line is shown
// in pieces, and the text that comes back is always the whole text, also
// after keys at the edge between two pieces, pasting, copying and undo; an
// item with megabytes in every field is selected, edited and saved whole.
#include <QtTest>

#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBlock>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "DataFile.h"
#include "LongTextEdit.h"
#include "support/LongTexts.h"
#include "support/MainFixture.h"
#include "support/ScriptedTii.h"

using namespace kelpo;

namespace {

constexpr qsizetype Piece = LongTextEdit::PieceSize;

// Ends the process with a message when a test step hangs: a text box that
// lays out a long line whole takes hours, not seconds. The bound only tells a
// hang from slowness; it measures nothing.
class Watchdog {
public:
    explicit Watchdog(const char *what, int seconds = 60)
        : thread_([this, what, seconds] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!done_.wait_for(lock, std::chrono::seconds(seconds), [this] { return over_; })) {
                  std::fprintf(stderr, "hung for %d s: %s\n", seconds, what);
                  std::abort();
              }
          })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            over_ = true;
        }
        done_.notify_one();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool over_ = false;
    std::thread thread_;
};

QString Letters(qsizetype size, QStringView unit = u"abcdefghijklmnopqrstuvwxyz")
{
    return Repeated(size, unit);
}

QString Lines(qsizetype size)
{
    return RuleLines(size, u"\r\n");
}

qsizetype LongestBlock(const QTextDocument *doc)
{
    qsizetype longest = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        longest = std::max<qsizetype>(longest, b.length() - 1);
    return longest;
}

// A box holding one line of three pieces: "abc...", with the caret at the
// given place of the text.
struct ThreePieces {
    LongTextEdit box;
    QString text = Letters(3 * Piece);

    ThreePieces()
    {
        box.resize(300, 200);
        box.show();
        box.SetText(text);
    }
    // The document position of the start of block `n`; in the text, one
    // edge fewer comes before it.
    int BlockStart(int n) const { return box.document()->findBlockByNumber(n).position(); }
    void Caret(int position, int anchor = -1)
    {
        QTextCursor cursor = box.textCursor();
        cursor.setPosition(anchor < 0 ? position : anchor);
        cursor.setPosition(position, QTextCursor::KeepAnchor);
        box.setTextCursor(cursor);
    }
};

}  // namespace

class TestHugeText : public QObject {
    Q_OBJECT

private slots:
    void wholeTextBack_data();
    void wholeTextBack();
    void editsAtPieceEdges_data();
    void editsAtPieceEdges();
    void copyAcrossAnEdge();
    void hugeItemSelectedEditedSaved();
};

void TestHugeText::wholeTextBack_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");  // the text as Text() gives it
    QTest::addColumn<int>("blocks");     // 0: not checked

    const QString longLine = Letters(2 * Piece + 10);
    QTest::newRow("empty") << QString() << QString() << 1;
    QTest::newRow("line breaks of every kind") << QStringLiteral("a\r\nb\rc\nd") + QChar(QChar::LineSeparator) + "e"
                                               << "a\nb\nc\nd\ne" << 5;
    QTest::newRow("empty lines and a break at the end") << "\r\n\r\nx\r\n" << "\n\nx\n" << 4;
    QTest::newRow("a line without blanks in three pieces") << longLine << longLine << 3;
    const QString words = Letters(3 * Piece, u"word ");
    QTest::newRow("a line of words cut after blanks") << words << words << 4;
    // The cut would fall between the two halves of a character.
    const QString pair = Letters(Piece - 1) + QString::fromUtf8("\xF0\x9F\x98\x80") + "tail";
    QTest::newRow("a character of two halves is not cut") << pair << pair << 2;
    QTest::newRow("short lines, long line, short lines") << "a\n" + longLine + "\nb" << "a\n" + longLine + "\nb" << 5;
    const QString many = Lines(LongTextEdit::PackFrom + 100);
    QTest::newRow("many lines share blocks") << many << QString(many).replace("\r\n", "\n") << 0;
    const QString special = QString::fromUtf8("non-breaking\u00a0space, tab\tand \u20ac");
    QTest::newRow("other characters as they are") << special << special << 1;
}

void TestHugeText::wholeTextBack()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(int, blocks);

    LongTextEdit box;
    box.SetText(text);
    QCOMPARE(box.Text(), shown);
    QCOMPARE(box.Text(u"\r\n"), QString(shown).replace("\n", "\r\n"));
    QVERIFY(LongestBlock(box.document()) <= Piece);
    if (blocks > 0)
        QCOMPARE(box.document()->blockCount(), blocks);
    else
        QVERIFY(box.document()->blockCount() < text.count('\n') / 10);
    QVERIFY(!box.document()->isModified());
    QVERIFY(!box.document()->isUndoAvailable());
    QCOMPARE(box.textCursor().position(), 0);
}

void TestHugeText::editsAtPieceEdges_data()
{
    QTest::addColumn<int>("block");  // the caret at the start of this block, or the end of the one before
    QTest::addColumn<bool>("atEnd");
    QTest::addColumn<QString>("input");  // "key", "paste" or "commit" (an input method's text)
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");    // pasted or committed
    QTest::addColumn<QString>("change");  // at the edge's place in the text: "-1" the character before
                                          // goes, "+0" the one after, else this text comes in

    const int none = 0;
    QTest::newRow("Backspace at a piece's start") << 1 << false << "key" << int(Qt::Key_Backspace) << "" << "-1";
    QTest::newRow("Backspace after the second edge") << 2 << false << "key" << int(Qt::Key_Backspace) << "" << "-1";
    QTest::newRow("Delete at a piece's end") << 1 << true << "key" << int(Qt::Key_Delete) << "" << "+0";
    QTest::newRow("Enter at a piece's start") << 1 << false << "key" << int(Qt::Key_Return) << "" << "\n";
    QTest::newRow("a letter at a piece's end") << 2 << true << "key" << int(Qt::Key_X) << "" << "x";
    QTest::newRow("pasted lines") << 1 << false << "paste" << none << "P\r\nQ" << "P\nQ";
    const QString digits = Letters(2 * Piece, u"0123456789");
    QTest::newRow("a pasted long line") << 1 << false << "paste" << none << digits << digits;
    QTest::newRow("lines from an input method") << 1 << false << "commit" << none << "P\r\nQ\nR" << "P\nQ\nR";
}

void TestHugeText::editsAtPieceEdges()
{
    QFETCH(int, block);
    QFETCH(bool, atEnd);
    QFETCH(QString, input);
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(QString, change);

    ThreePieces t;
    const int edge = t.BlockStart(block);
    const int at = edge - block;  // the place in the text
    t.Caret(atEnd ? edge - 1 : edge);
    if (input == "paste") {
        QGuiApplication::clipboard()->setText(text);
        t.box.paste();
    } else if (input == "commit") {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QCoreApplication::sendEvent(&t.box, &commit);
    } else {
        QTest::keyClick(&t.box, Qt::Key(key), Qt::NoModifier);
    }
    QString expected = t.text;
    if (change == "-1")
        expected.remove(at - 1, 1);
    else if (change == "+0")
        expected.remove(at, 1);
    else
        expected.insert(at, change);
    QCOMPARE(t.box.Text(), expected);
    QVERIFY(LongestBlock(t.box.document()) <= 2 * Piece);
    // A further piece of text typed after a new line is not joined to it.
    if (change == "\n") {
        QTest::keyClick(&t.box, Qt::Key_Return);
        QCOMPARE(t.box.Text(), QString(t.text).insert(at, "\n\n"));
        t.box.undo();
    }
    // One undo step gives the text back as it was.
    t.box.undo();
    QCOMPARE(t.box.Text(), t.text);
}

void TestHugeText::copyAcrossAnEdge()
{
    ThreePieces t;
    const int edge = t.BlockStart(1);
    t.Caret(edge + 3, edge - 4);
    t.box.copy();
    // Seven places of the document, one of them the edge: six characters.
    QCOMPARE(QGuiApplication::clipboard()->text(), t.text.mid(edge - 4, 6));
}

// Megabytes in every field of one item and a second item with comments of
// many lines: selecting, typing, the script editor, saving. Nothing is cut
// but what the data file itself keeps of a name or an address.
void TestHugeText::hugeItemSelectedEditedSaved()
{
    const qsizetype size = 3 * 1024 * 1024;
    const QString line = Letters(size);
    const QString lines = Lines(size);
    MainFixture f;
    Rec *big = f.Add("Big");
    Rec *many = f.Add("Many");
    f.Add("Other");
    big->Name = "Big" + line;
    big->Site = line;
    big->Keys = line;
    big->Comments = line;
    many->Comments = lines;
    ScriptedTii tii;
    f.form->SetTiiForm(&tii);
    f.Show();
    f.form->show();
    TMainForm &m = *f.form;

    {
        Watchdog dog("selecting and typing into huge comments");
        m.SelectOneItem(f.form->EntriesList->RowOf(big));
        QCoreApplication::processEvents();
        QCOMPARE(m.Comments->Text(), line);
        QTest::keyClick(m.Comments, Qt::Key_A);
        m.Comments->moveCursor(QTextCursor::End);
        QTest::keyClick(m.Comments, Qt::Key_Z);
        QCoreApplication::processEvents();
    }
    QCOMPARE(big->Comments, "a" + line + "z");
    // The address is longer than the edit holds: shown in part, not editable.
    QVERIFY(m.Url->isReadOnly());
    QVERIFY(!m.Url->toolTip().isEmpty());
    QTest::keyClick(m.Url, Qt::Key_B);
    QCOMPARE(big->Site, line);

    {
        Watchdog dog("editing a huge script");
        tii.Drive = [](ScriptedTii &w) {
            QTest::keyClick(w.TiiText, Qt::Key_K);
            w.TiiText->moveCursor(QTextCursor::End);
            QTest::keyClick(w.TiiText, Qt::Key_Tab);
            w.DoneButton->click();
        };
        m.TypeItInMouseDown(Qt::RightButton);
    }
    QCOMPARE(tii.Runs, 1);
    QCOMPARE(big->Keys, "k" + line + "{tab}");

    {
        Watchdog dog("selecting and typing into comments of many lines");
        m.SelectOneItem(f.form->EntriesList->RowOf(many));
        QCoreApplication::processEvents();
        m.Comments->moveCursor(QTextCursor::End);
        QTest::keyClick(m.Comments, Qt::Key_Return);
        QTest::keyClicks(m.Comments, "end");
        QCoreApplication::processEvents();
    }
    QCOMPARE(many->Comments, lines + "\r\nend");
    QVERIFY(!m.Url->isReadOnly());

    {
        Watchdog dog("saving");
        m.MenuSaveDataClick();
    }
    Model back;
    Formats formats = MainFixture::Dates();
    QVERIFY(LoadMainData(f.dir.filePath("Kelpo.dat"), back, formats, 0).opened);
    const Rec *bigBack = back.Items.FindExact(big->Name.left(255));
    const Rec *manyBack = back.Items.FindExact("Many");
    QVERIFY(bigBack && manyBack);
    QCOMPARE(bigBack->Comments, big->Comments);
    QCOMPARE(bigBack->Keys, big->Keys);
    QCOMPARE(bigBack->Site, line.left(255));
    QCOMPARE(manyBack->Comments, many->Comments);
}

QTEST_MAIN(TestHugeText)
#include "tst_hugetext.moc"
