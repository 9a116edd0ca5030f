#include "QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

#include "Product.h"

namespace kelpo {

namespace {

QMessageBox::StandardButton Show(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                 const QString &text, QMessageBox::StandardButtons buttons,
                                 QMessageBox::StandardButton def)
{
    QMessageBox box(icon, title, text, buttons, parent);
    // Texts carry item names and addresses from files: never rich text.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(def);
    return QMessageBox::StandardButton(box.exec());
}

}  // namespace

QWidget *QtDialogs::Owner() const
{
    if (parent_)
        return parent_;
    return QApplication::activeWindow();
}

void QtDialogs::Error(const QString &text)
{
    Show(Owner(), QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtDialogs::Information(const QString &text)
{
    Show(Owner(), QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtDialogs::Confirm(const QString &text)
{
    return Show(Owner(), QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::Yes | QMessageBox::No,
                QMessageBox::Yes) == QMessageBox::Yes;
}

void QtDialogs::Plain(const QString &text)
{
    Show(Owner(), QMessageBox::NoIcon, ProductTitle, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtDialogs::Ask(const QString &title, const QString &prompt, QString *value)
{
    QInputDialog dialog(Owner());
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(*value);
    if (QLabel *label = dialog.findChild<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *value = dialog.textValue();
    return true;
}

QString QtDialogs::AskBoxed(const QString &title, const QString &prompt, const QString &value)
{
    QString text = value;
    return Ask(title, prompt, &text) ? text : value;
}

QString QtDialogs::OpenFileName(const QString &title, const QString &filter)
{
    return QFileDialog::getOpenFileName(Owner(), title, QString(), filter);
}

QString QtDialogs::SaveFileName(const QString &title, const QString &filter, const QString &defaultSuffix)
{
    QFileDialog dialog(Owner(), title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

}  // namespace kelpo
