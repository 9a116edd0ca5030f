#include "LongTextEdit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <vector>

namespace kelpo {

namespace {

// The block format property that marks a block going on with the line of
// the block before it.
constexpr int ContinuesProperty = QTextFormat::UserProperty + 0x4b4c;

bool IsBreak(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'\n' || u == u'\r' || u == QChar::LineSeparator || u == QChar::ParagraphSeparator;
}

QTextBlockFormat PieceFormat(bool continues)
{
    QTextBlockFormat format;
    if (continues)
        format.setProperty(ContinuesProperty, true);
    return format;
}

// How many characters of `line` go into a piece that has room for `room`
// (at least 1): all that fit, or up to the last blank in the second half,
// never between the two halves of a character. 0 when only half a
// character would fit.
qsizetype CutAt(QStringView line, qsizetype room)
{
    qsizetype cut = room;
    for (qsizetype k = room; k > room / 2; --k) {
        if (line.at(k - 1) == QLatin1Char(' ')) {
            cut = k;
            break;
        }
    }
    if (cut < line.size() && line.at(cut).isLowSurrogate() && line.at(cut - 1).isHighSurrogate())
        --cut;
    return cut;
}

struct Piece {
    QString text;            // line breaks in it are line separators
    bool continues = false;  // goes on with the line of the piece before
};

// The blocks that show a text; the first one joins the block at the place
// of insertion.
std::vector<Piece> Pieces(QStringView text)
{
    const bool pack = text.size() >= LongTextEdit::PackFrom;
    std::vector<Piece> pieces(1);
    const qsizetype n = text.size();
    qsizetype i = 0;
    for (bool first = true;; first = false) {
        qsizetype end = i;
        while (end < n && !IsBreak(text.at(end)))
            ++end;
        QStringView line = text.mid(i, end - i);
        if (!first) {
            if (pack && pieces.back().text.size() + 1 + line.size() <= LongTextEdit::PieceSize)
                pieces.back().text += QChar(QChar::LineSeparator);
            else
                pieces.push_back({QString(), false});
        }
        while (pieces.back().text.size() + line.size() > LongTextEdit::PieceSize) {
            Piece &piece = pieces.back();
            const qsizetype cut = CutAt(line, LongTextEdit::PieceSize - piece.text.size());
            piece.text += line.left(cut);
            line = line.mid(cut);
            pieces.push_back({QString(), true});
        }
        pieces.back().text += line;
        if (end == n)
            break;
        i = end + (text.at(end) == QLatin1Char('\r') && end + 1 < n && text.at(end + 1) == QLatin1Char('\n') ? 2 : 1);
    }
    return pieces;
}

void AppendLines(QString &out, QStringView text, QStringView lineBreak)
{
    qsizetype from = 0;
    for (qsizetype at; (at = text.indexOf(QChar(QChar::LineSeparator), from)) >= 0; from = at + 1) {
        out += text.mid(from, at - from);
        out += lineBreak;
    }
    out += text.mid(from);
}

}  // namespace

LongTextEdit::LongTextEdit(QWidget *parent) : QPlainTextEdit(parent) {}

bool LongTextEdit::Continues(const QTextBlock &block)
{
    return block.blockFormat().boolProperty(ContinuesProperty);
}

void LongTextEdit::InsertText(QTextCursor &cursor, QStringView text)
{
    const std::vector<Piece> pieces = Pieces(text);
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    const QTextCharFormat chars = cursor.charFormat();
    for (size_t k = 0; k < pieces.size(); ++k) {
        if (k > 0)
            cursor.insertBlock(PieceFormat(pieces[k].continues), chars);
        if (!pieces[k].text.isEmpty())
            cursor.insertText(pieces[k].text);
    }
    cursor.endEditBlock();
}

void LongTextEdit::SetText(QStringView text)
{
    clear();
    QTextDocument *doc = document();
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc);
    InsertText(cursor, text);
    doc->setUndoRedoEnabled(undo);
    doc->setModified(false);
    cursor.movePosition(QTextCursor::Start);
    setTextCursor(cursor);
}

QString LongTextEdit::Text(QStringView lineBreak) const
{
    return TextBetween(0, document()->characterCount() - 1, lineBreak);
}

void LongTextEdit::TextInto(QString *out, QStringView lineBreak) const
{
    TextBetween(0, document()->characterCount() - 1, lineBreak, out);
}

QString LongTextEdit::TextBetween(int from, int to, QStringView lineBreak) const
{
    QString out;
    TextBetween(from, to, lineBreak, &out);
    return out;
}

void LongTextEdit::TextBetween(int from, int to, QStringView lineBreak, QString *into) const
{
    const QTextDocument *doc = document();
    from = std::max(from, 0);
    to = std::min(to, doc->characterCount() - 1);
    QString &out = *into;
    out.resize(0);  // keeps the memory
    if (to <= from) {
        out = QString();
        return;
    }
    // Room for line breaks of two characters as well.
    out.reserve(qsizetype(to - from) + (to - from) / 8 + 16);
    for (QTextBlock block = doc->findBlock(from); block.isValid() && block.position() <= to; block = block.next()) {
        const int start = block.position();
        // The break before the block lies at start - 1.
        if (start > from && !Continues(block))
            out += lineBreak;
        const QString text = block.text();
        const int a = std::max(from - start, 0);
        const int e = std::min(to - start, int(text.size()));
        if (e > a)
            AppendLines(out, QStringView(text).mid(a, e - a), lineBreak);
    }
}

// Backspace or Delete (also by words) next to the edge between two pieces
// of one line joins the pieces and then removes what the key removes, as one
// step to undo: the edge is no character of the text, so the key never
// stops at it.
bool LongTextEdit::DeleteAtPieceEdge(QKeyEvent *e)
{
    const bool back = (e->key() == Qt::Key_Backspace && !(e->modifiers() & ~Qt::ShiftModifier)) ||
                      e->matches(QKeySequence::DeleteStartOfWord);
    const bool forward = e->matches(QKeySequence::Delete) || e->matches(QKeySequence::DeleteEndOfWord);
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection() || !(back || forward))
        return false;
    const auto atEdge = [&] {
        return back ? cursor.atBlockStart() && cursor.position() > 0 && Continues(cursor.block())
                    : cursor.atBlockEnd() && cursor.block().next().isValid() && Continues(cursor.block().next());
    };
    if (!atEdge())
        return false;
    cursor.beginEditBlock();
    while (atEdge()) {
        if (back)
            cursor.deletePreviousChar();
        else
            cursor.deleteChar();
    }
    if (e->matches(QKeySequence::DeleteStartOfWord) || e->matches(QKeySequence::DeleteEndOfWord)) {
        cursor.movePosition(back ? QTextCursor::PreviousWord : QTextCursor::NextWord, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    } else if (back) {
        cursor.deletePreviousChar();
    } else {
        cursor.deleteChar();
    }
    cursor.endEditBlock();
    // The box's own cursor has moved along.
    ensureCursorVisible();
    return true;
}

void LongTextEdit::keyPressEvent(QKeyEvent *e)
{
    if (isReadOnly()) {
        QPlainTextEdit::keyPressEvent(e);
        return;
    }
    if (e->matches(QKeySequence::InsertParagraphSeparator)) {
        // A new line never takes over the mark of the piece it is typed in.
        QTextCursor cursor = textCursor();
        cursor.insertBlock(QTextBlockFormat(), cursor.charFormat());
        setTextCursor(cursor);
        ensureCursorVisible();
        e->accept();
        return;
    }
    if (DeleteAtPieceEdge(e)) {
        e->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

// Text from an input method is inserted through the cursor, which would
// give every line break in it the mark of the piece it lands in; as line
// separators they stay line breaks wherever they land.
void LongTextEdit::inputMethodEvent(QInputMethodEvent *e)
{
    QString commit = e->commitString();
    commit.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    bool changed = commit.size() != e->commitString().size();
    for (QChar &c : commit) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::ParagraphSeparator) {
            c = QChar::LineSeparator;
            changed = true;
        }
    }
    if (!changed || isReadOnly()) {
        QPlainTextEdit::inputMethodEvent(e);
        return;
    }
    QInputMethodEvent copy(e->preeditString(), e->attributes());
    copy.setCommitString(commit, e->replacementStart(), e->replacementLength());
    QPlainTextEdit::inputMethodEvent(&copy);
    e->setAccepted(copy.isAccepted());
}

QMimeData *LongTextEdit::createMimeDataFromSelection() const
{
    const QTextCursor cursor = textCursor();
    auto *mime = new QMimeData;
    mime->setText(TextBetween(cursor.selectionStart(), cursor.selectionEnd()));
    return mime;
}

void LongTextEdit::insertFromMimeData(const QMimeData *source)
{
    if (isReadOnly() || !source->hasText()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    // The box's own cursor moves along to the end of the inserted text; a
    // change handler may have put it elsewhere meanwhile.
    QTextCursor cursor = textCursor();
    InsertText(cursor, source->text());
    ensureCursorVisible();
}

}  // namespace kelpo
