#pragma once

#include <QAccessibleWidget>

class QComboBox;

namespace kelpo {

// What a screen reader is told about a drop-down list that has a name of its
// own (setAccessibleName): the name is the list's name and the shown row is
// its value. Qt on Linux reports the shown row as the name, so a reader says
// "Daily" where the user needs "Repeat, Daily". Everything else is as Qt has
// it: the popup list as the first child (its rows stay reachable), the line
// edit of an editable box as the second, "press" and "showMenu" open and
// close the popup, and the box's own value-change events go on as before.
// A box without a name keeps Qt's behaviour. Over AT-SPI a reader finds the
// shown row of a box that is not editable as its read-only text, since the
// value text does not travel there.
class NamedComboAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit NamedComboAccessible(QComboBox *box);

    void *interface_cast(QAccessible::InterfaceType t) override;

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QStringList actionNames() const override;
    QString localizedActionDescription(const QString &action) const override;
    void doAction(const QString &action) override;
    QStringList keyBindingsForAction(const QString &action) const override;

    // Makes every QComboBox answer with this interface; once per program.
    static void Install();

    // The shown row as read-only text.
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

private:
    QComboBox *Box() const;
};

}  // namespace kelpo
