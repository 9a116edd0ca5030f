#pragma once
// A plain text box that stays quick with texts of megabytes, on one line or
// on many.
//
// A text box lays out and relays out text one block (paragraph) at a time,
// and a block of megabytes costs seconds to minutes for each showing and for
// each key. So a line longer than a piece of PieceSize characters is shown
// in several blocks: every block after the first of such a line carries a
// mark in its block format that says "this block goes on with the line of
// the block before", and Text() joins it without a line break. A large text
// of many short lines packs several lines into one block, separated by line
// separators (U+2028), so that it needs few blocks. Typing, Enter, Backspace
// and Delete at a piece's edge, input methods, pasting, dragging and copying
// keep to the text as it is, not to its pieces. (insertPlainText() is not
// covered: a line break it inserts into a later piece of a line is lost.)
#include <QPlainTextEdit>
#include <QString>
#include <QStringView>

class QTextBlock;
class QTextCursor;

namespace kelpo {

class LongTextEdit : public QPlainTextEdit {
    Q_OBJECT

public:
    // The longest piece of one line in one block; a cut goes after a blank
    // where there is one in the second half of the piece.
    static constexpr qsizetype PieceSize = 4096;
    // Inserted texts at least this long pack several lines into one block.
    static constexpr qsizetype PackFrom = 256 * 1024;

    explicit LongTextEdit(QWidget *parent = nullptr);

    // Replaces the whole text, as setPlainText does (no undo, not modified,
    // caret at the start). CR LF, CR, LF and the paragraph and line
    // separators all break lines.
    void SetText(QStringView text);
    // The whole text with `lineBreak` between lines.
    QString Text(QStringView lineBreak = u"\n") const;
    // The same into `out`, whose memory is used again where it suffices:
    // getting a text of megabytes after each key costs no fresh memory.
    void TextInto(QString *out, QStringView lineBreak) const;
    // The text between two positions of the document, as Text() gives it.
    QString TextBetween(int from, int to, QStringView lineBreak = u"\n") const;
    // Inserts a text at the cursor in place of its selection, in pieces.
    static void InsertText(QTextCursor &cursor, QStringView text);
    // True when the block goes on with the line of the block before it.
    static bool Continues(const QTextBlock &block);

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void inputMethodEvent(QInputMethodEvent *e) override;
    QMimeData *createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    void TextBetween(int from, int to, QStringView lineBreak, QString *out) const;
    bool DeleteAtPieceEdge(QKeyEvent *e);
};

}  // namespace kelpo
