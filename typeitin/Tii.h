#pragma once
// The Type It In script editor: a small tool window that edits one item's
// keystroke script. Tab, Enter and the arrow keys become their brace names
// as they are pressed (Ctrl+Return presses Done, Ctrl+Tab and Ctrl+Shift+Tab
// leave the text box), variables are inserted from a choice list, and one
// Backspace removes a whole key or variable name. The window is created once
// and only shown and hidden, so it keeps the place and size the user gave it.
#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>

#include "LongTextEdit.h"

class QComboBox;
class QEvent;
class QKeyEvent;
class QLabel;
class QPushButton;

namespace kelpo {

class TTiiForm : public QDialog {
    Q_OBJECT

public:
    explicit TTiiForm(QWidget *parent = nullptr);

    // Refills the variable choice list and selects its first entry.
    void SetVariableNames(const QStringList &names);
    // True when the Variables list holds the name (ignoring case); decides
    // whether Backspace removes a whole "{name}". Unset: no name is a variable.
    std::function<bool(const QString &name)> InVars;

    // Puts `keys` into the text box (line breaks and tabs become "{enter}"
    // and "{tab}") and sets the caption for the item.
    void Open(const QString &itemName, const QString &keys);
    QString Text() const;
    // Opens the window for an item and runs it modally. True, with `*keys`
    // set to the edited text, only when the user leaves with Done; any other
    // way out leaves `*keys` as it was.
    bool Edit(const QString &itemName, QString *keys);

    QLabel *Label1 = nullptr;
    QComboBox *VarList = nullptr;
    LongTextEdit *TiiText = nullptr;
    QPushButton *DoneButton = nullptr;

protected:
    // Runs the window modally and returns Accepted (Done) or Rejected.
    // Tests replace it to drive the window without a nested event loop.
    virtual int RunModal();

    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void showEvent(QShowEvent *e) override;

    void FormCreate();
    void FormActivate();
    void FormResize();
    bool TiiTextKeyDown(QKeyEvent *e);   // true: the key was consumed
    bool TiiTextKeyPress(QKeyEvent *e);  // true: the key was consumed
    void TiiTextChange();
    void VarListClick(int index);
    void DoneButtonClick();

private:
    void InsertToken(const QString &token);
    bool RemoveBraceName();

    bool BreakOrTabAdded(int from, int to) const;

    bool Converting = false;  // set while TiiTextChange puts the converted text back
    bool ToConvert = false;   // a change added a line break or a tab
};

}  // namespace kelpo
