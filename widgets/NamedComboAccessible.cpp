#include "NamedComboAccessible.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>

namespace kelpo {

NamedComboAccessible::NamedComboAccessible(QComboBox *box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

void *NamedComboAccessible::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::TextInterface && !Box()->isEditable())
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(t);
}

QComboBox *NamedComboAccessible::Box() const
{
    return static_cast<QComboBox *>(widget());
}

QString NamedComboAccessible::text(QAccessible::Text t) const
{
    QComboBox *box = Box();
    const QString shown = box->isEditable() ? box->lineEdit()->text() : box->currentText();
    switch (t) {
    case QAccessible::Name:
        if (!box->accessibleName().isEmpty())
            return box->accessibleName();
        return shown.isEmpty() ? QAccessibleWidget::text(t) : shown;
    case QAccessible::Value:
        return shown;
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State NamedComboAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    s.expanded = Box()->isVisible() && Box()->view()->isVisible();
    return s;
}

int NamedComboAccessible::childCount() const
{
    return Box()->isEditable() ? 2 : 1;
}

QAccessibleInterface *NamedComboAccessible::child(int index) const
{
    if (index == 0)
        return QAccessible::queryAccessibleInterface(Box()->view());
    if (index == 1 && Box()->isEditable())
        return QAccessible::queryAccessibleInterface(Box()->lineEdit());
    return nullptr;
}

int NamedComboAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    if (!child)
        return -1;
    if (child->object() == Box()->view())
        return 0;
    if (Box()->isEditable() && child->object() == Box()->lineEdit())
        return 1;
    return -1;
}

QAccessibleInterface *NamedComboAccessible::childAt(int x, int y) const
{
    QAbstractItemView *view = Box()->view();
    if (Box()->isVisible() && view->isVisible()) {
        QAccessibleInterface *list = child(0);
        if (list && list->rect().contains(x, y))
            return list;
    }
    return nullptr;
}

QStringList NamedComboAccessible::actionNames() const
{
    return {showMenuAction(), pressAction()};
}

QString NamedComboAccessible::localizedActionDescription(const QString &action) const
{
    if (action == showMenuAction() || action == pressAction())
        return QComboBox::tr("Open the combo box selection popup");
    return QString();
}

void NamedComboAccessible::doAction(const QString &action)
{
    if (action != showMenuAction() && action != pressAction())
        return;
    if (Box()->view()->isVisible())
        Box()->hidePopup();
    else
        Box()->showPopup();
}

QStringList NamedComboAccessible::keyBindingsForAction(const QString &) const
{
    return {};
}

void NamedComboAccessible::selection(int, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
}

QString NamedComboAccessible::text(int startOffset, int endOffset) const
{
    const QString shown = Box()->currentText();
    if (startOffset < 0 || endOffset < startOffset || startOffset > shown.size())
        return QString();
    return shown.mid(startOffset, endOffset - startOffset);
}

int NamedComboAccessible::characterCount() const
{
    return int(Box()->currentText().size());
}

QString NamedComboAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = offset;
    return QString();
}

static QAccessibleInterface *ComboFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("QComboBox") && object && object->isWidgetType())
        if (auto *box = qobject_cast<QComboBox *>(object))
            return new NamedComboAccessible(box);
    return nullptr;
}

void NamedComboAccessible::Install()
{
    QAccessible::installFactory(ComboFactory);
}

}  // namespace kelpo
