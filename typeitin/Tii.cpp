#include "Tii.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

#include "LongTextEdit.h"
#include "Script.h"

namespace kelpo {

namespace {

// Design place and size of the window and its controls, in pixels. The
// window size is taken as the client size; the window manager adds its frame.
constexpr int DesignLeft = 383;
constexpr int DesignTop = 133;
constexpr int DesignWidth = 397;
constexpr int DesignHeight = 234;
constexpr int LabelLeft = 7;
constexpr int LabelWidth = 91;
constexpr int VarListLeft = 111;
constexpr int VarListHeight = 21;
constexpr int DoneButtonHeight = 20;
// The text box's font against the window's (13 against 10 pixels).
constexpr qreal TextFontScale = 1.3;

const QString EnterToken = QStringLiteral("{enter}");
const QString TabToken = QStringLiteral("{tab}");

// The text with every line break as "{enter}" and every tab as "{tab}". A
// line break is CR LF, a lone CR or a lone LF (text pasted from Linux
// programs breaks lines with LF alone), or the line and paragraph separators
// the text box itself uses between lines. Each break becomes exactly one
// "{enter}", and no character next to a break is lost. False when the text
// holds nothing to replace.
bool ReplaceBreaksAndTabs(const QString &text, QString *out)
{
    qsizetype i = 0;
    auto isSpecial = [](QChar c) {
        const char16_t u = c.unicode();
        return u == u'\t' || u == u'\r' || u == u'\n' || u == QChar::LineSeparator ||
               u == QChar::ParagraphSeparator;
    };
    while (i < text.size() && !isSpecial(text.at(i)))
        ++i;
    if (i == text.size())
        return false;
    out->clear();
    out->reserve(text.size() + 16);
    out->append(QStringView(text).left(i));
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!isSpecial(c)) {
            out->append(c);
        } else if (c == QLatin1Char('\t')) {
            out->append(TabToken);
        } else {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            out->append(EnterToken);
        }
    }
    return true;
}

}  // namespace

TTiiForm::TTiiForm(QWidget *parent) : QDialog(parent)
{
    FormCreate();
}

void TTiiForm::FormCreate()
{
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("TypeItIn Information"));

    Label1 = new QLabel(QStringLiteral("Insert Variable:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    VarList = new QComboBox(this);
    VarList->setObjectName(QStringLiteral("VarList"));
    VarList->setEditable(false);
    connect(VarList, &QComboBox::activated, this, &TTiiForm::VarListClick);
    // Screen readers name both boxes; the list also by its label.
    Label1->setBuddy(VarList);
    VarList->setAccessibleName(QStringLiteral("Insert Variable"));

    TiiText = new LongTextEdit(this);
    TiiText->setObjectName(QStringLiteral("TiiText"));
    TiiText->setTabChangesFocus(false);
    TiiText->setAccessibleName(QStringLiteral("Script"));
    TiiText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont textFont = TiiText->font();
    if (textFont.pointSizeF() > 0)
        textFont.setPointSizeF(textFont.pointSizeF() * TextFontScale);
    else  // a desktop font given in pixels
        textFont.setPixelSize(qRound(textFont.pixelSize() * TextFontScale));
    TiiText->setFont(textFont);
    TiiText->installEventFilter(this);
    // Only what a change adds is looked at: a key in a long script costs no
    // pass over the whole text.
    connect(TiiText->document(), &QTextDocument::contentsChange, this, [this](int from, int, int added) {
        if (!Converting && added > 0 && BreakOrTabAdded(from, from + added))
            ToConvert = true;
    });
    connect(TiiText, &QPlainTextEdit::textChanged, this, &TTiiForm::TiiTextChange);

    DoneButton = new QPushButton(style()->standardIcon(QStyle::SP_DialogApplyButton), QStringLiteral("Done"), this);
    DoneButton->setObjectName(QStringLiteral("DoneButton"));
    // Enter belongs to the text box; it never closes the window by itself.
    DoneButton->setAutoDefault(false);
    DoneButton->setDefault(false);
    DoneButton->setToolTip(QStringLiteral("Ctrl+Return"));
    connect(DoneButton, &QPushButton::clicked, this, &TTiiForm::DoneButtonClick);

    setTabOrder(TiiText, DoneButton);
    setTabOrder(DoneButton, VarList);

    // Design sizes, grown where the desktop's font needs more room.
    Label1->resize(qMax(LabelWidth, Label1->sizeHint().width()), Label1->sizeHint().height());
    VarList->resize(VarList->width(), qMax(VarListHeight, VarList->sizeHint().height()));
    DoneButton->resize(DoneButton->width(), qMax(DoneButtonHeight, DoneButton->sizeHint().height()));
    const int varListLeft = qMax(VarListLeft, LabelLeft + Label1->width() + 6);
    VarList->move(varListLeft, 0);
    Label1->move(LabelLeft, (VarList->height() - Label1->height()) / 2);
    // Room for the list's arrow and two lines of text.
    setMinimumSize(varListLeft + 60,
                   VarList->height() + DoneButton->height() + 2 + 3 * TiiText->fontMetrics().lineSpacing());

    move(DesignLeft, DesignTop);
    resize(DesignWidth, DesignHeight);
    FormResize();
    setResult(QDialog::Rejected);
}

void TTiiForm::SetVariableNames(const QStringList &names)
{
    VarList->clear();
    VarList->addItems(names);
    if (VarList->count() > 0)
        VarList->setCurrentIndex(0);
}

void TTiiForm::Open(const QString &itemName, const QString &keys)
{
    QString converted;
    Converting = true;
    TiiText->SetText(ReplaceBreaksAndTabs(keys, &converted) ? converted : keys);
    Converting = false;
    ToConvert = false;
    setWindowTitle(QStringLiteral("TypeItIn for \"") + itemName + QLatin1Char('"'));
    setResult(QDialog::Rejected);
}

QString TTiiForm::Text() const
{
    // The raw text: the plain-text form would turn non-breaking spaces into
    // blanks. The change conversion leaves no line break in it.
    return TiiText->Text();
}

bool TTiiForm::Edit(const QString &itemName, QString *keys)
{
    if (isVisible())
        return false;  // already open for another item
    Open(itemName, keys ? *keys : QString());
    const QPointer<TTiiForm> self(this);
    const int result = RunModal();
    if (!self || result != QDialog::Accepted)
        return false;
    if (keys)
        *keys = Text();
    return true;
}

int TTiiForm::RunModal()
{
    return exec();
}

bool TTiiForm::event(QEvent *e)
{
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return QDialog::event(e);
}

void TTiiForm::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    FormResize();
    FormActivate();
}

void TTiiForm::resizeEvent(QResizeEvent *e)
{
    QDialog::resizeEvent(e);
    FormResize();
}

void TTiiForm::keyPressEvent(QKeyEvent *e)
{
    // Escape does not close the window: a stray press would throw away the
    // edits. The close box is the way out without saving.
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

bool TTiiForm::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == TiiText && e->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(e);
        if (TiiTextKeyDown(key) || TiiTextKeyPress(key)) {
            key->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void TTiiForm::FormActivate()
{
    TiiText->setFocus(Qt::ActiveWindowFocusReason);
}

void TTiiForm::FormResize()
{
    const int w = width();
    const int h = height();
    VarList->setGeometry(VarList->x(), VarList->y(), qMax(0, w - VarList->x()), VarList->height());
    const int textTop = VarList->height() + 1;
    const int textHeight = qMax(0, h - DoneButton->height() - VarList->height() - 2);
    TiiText->setGeometry(0, textTop, w, textHeight);
    DoneButton->setGeometry(0, textTop + textHeight + 1, w, DoneButton->height());
}

bool TTiiForm::TiiTextKeyDown(QKeyEvent *e)
{
    // The arrow keys write their names; with or without Shift or Ctrl they
    // never move the caret or select text here.
    switch (e->key()) {
    case Qt::Key_Left: InsertToken(QStringLiteral("{left}")); return true;
    case Qt::Key_Up: InsertToken(QStringLiteral("{up}")); return true;
    case Qt::Key_Right: InsertToken(QStringLiteral("{right}")); return true;
    case Qt::Key_Down: InsertToken(QStringLiteral("{down}")); return true;
    default: return false;
    }
}

bool TTiiForm::TiiTextKeyPress(QKeyEvent *e)
{
    // The ways out of the text box from the keyboard: Ctrl+Return presses
    // Done, Ctrl+Tab and Ctrl+Shift+Tab take the focus to the other controls.
    // Every other Tab and Return is a key of the script.
    const Qt::KeyboardModifiers modifiers = e->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::ControlModifier && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
        DoneButton->click();
        return true;
    }
    if ((modifiers & Qt::ControlModifier) && (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab)) {
        focusNextPrevChild(e->key() == Qt::Key_Tab && !(modifiers & Qt::ShiftModifier));
        return true;
    }
    switch (e->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:  // Shift+Tab
        InsertToken(TabToken);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:  // with any modifier: no line break ever enters the text
        InsertToken(EnterToken);
        return true;
    case Qt::Key_Backspace:
        if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;  // the text box's own word deletion
        return RemoveBraceName();
    default:
        return false;
    }
}

bool TTiiForm::RemoveBraceName()
{
    // The name is looked for in the caret's block: a long script is shown
    // in pieces, and reading the whole text for each key would be slow.
    QTextCursor cursor = TiiText->textCursor();
    if (cursor.hasSelection())
        return false;
    const QString text = cursor.block().text();
    const int start = cursor.block().position();
    const qsizetype caret = cursor.positionInBlock();
    if (caret < 2 || caret > text.size() || text.at(caret - 1) != QLatin1Char('}'))
        return false;
    const qsizetype open = text.lastIndexOf(QLatin1Char('{'), caret - 2);
    if (open < 0)
        return false;
    const QString group = text.mid(open, caret - open);
    const bool isKey = KeyNameCode(UpperAZ(group.mid(1, group.size() - 2))) != 0;
    if (!isKey && !(InVars && InVars(group)))
        return false;  // the text box removes the "}" alone
    cursor.setPosition(start + int(open));
    cursor.setPosition(start + int(caret), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    TiiText->setTextCursor(cursor);
    return true;
}

void TTiiForm::InsertToken(const QString &token)
{
    // Replaces a selection; the caret ends right after the token.
    QTextCursor cursor = TiiText->textCursor();
    cursor.insertText(token);
    TiiText->setTextCursor(cursor);
}

// True when the text between two positions holds a tab or a line break; the
// edge between two pieces of one line is none.
bool TTiiForm::BreakOrTabAdded(int from, int to) const
{
    const QTextDocument *doc = TiiText->document();
    for (QTextBlock block = doc->findBlock(from); block.isValid() && block.position() <= to; block = block.next()) {
        const int start = block.position();
        if (start > from && !LongTextEdit::Continues(block))
            return true;
        const QString text = block.text();
        const int end = std::min(to - start, int(text.size()));
        for (int i = std::max(from - start, 0); i < end; ++i) {
            const char16_t u = text.at(i).unicode();
            if (u == u'\t' || u == u'\r' || u == u'\n' || u == QChar::LineSeparator || u == QChar::ParagraphSeparator)
                return true;
        }
    }
    return false;
}

void TTiiForm::TiiTextChange()
{
    if (Converting || !ToConvert)
        return;
    ToConvert = false;
    QString converted;
    if (!ReplaceBreaksAndTabs(Text(), &converted))
        return;
    // Putting the text back leaves the caret at the start.
    Converting = true;
    TiiText->SetText(converted);
    Converting = false;
}

void TTiiForm::VarListClick(int index)
{
    if (index < 0)
        return;
    InsertToken(VarList->itemText(index));
    TiiText->setFocus(Qt::OtherFocusReason);
}

void TTiiForm::DoneButtonClick()
{
    accept();
}

}  // namespace kelpo
