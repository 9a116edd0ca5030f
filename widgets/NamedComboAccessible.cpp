#include "NamedComboAccessible.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>

namespace kelpo {

NamedComboAccessible::NamedComboAccessible(QComboBox *box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

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
