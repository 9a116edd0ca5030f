#include "QtDialogs.h"

#include <algorithm>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QSortFilterProxyModel>

#include "Browser.h"
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

// Lets the file chooser list folders and program files only.
class ProgramFilesOnly : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (!files)
            return true;
        const QFileInfo info = files->fileInfo(files->index(row, 0, parent));
        return info.isDir() || IsExecutableFile(info.absoluteFilePath());
    }
};

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

bool QtDialogs::Question(const QString &text)
{
    return Show(Owner(), QMessageBox::Information, QStringLiteral("Information"), text,
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
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
    // Names and addresses run long: the edit shows a good part of them.
    dialog.resize(std::max(dialog.sizeHint().width(), dialog.fontMetrics().averageCharWidth() * 60),
                  dialog.sizeHint().height());
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

QString QtDialogs::SaveFileName(const QString &title, const QString &filter, const QString &defaultSuffix,
                                const QString &initialName)
{
    QFileDialog dialog(Owner(), title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString QtDialogs::ExecutableFileName(const QString &title)
{
    QFileDialog dialog(Owner(), title);
    // The filter model works with Qt's own dialog only.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("Programs (*)"));
    dialog.setProxyModel(new ProgramFilesOnly(&dialog));
    const QString programs = QStringLiteral("/usr/bin");
    if (QFileInfo(programs).isDir())
        dialog.setDirectory(programs);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        const QString path = dialog.selectedFiles().constFirst();
        if (IsExecutableFile(path))
            return path;
        // A name typed into the dialog can still be some other file.
        Show(&dialog, QMessageBox::Critical, QStringLiteral("Error"),
             QStringLiteral("\"%1\" is not a program file.\nPlease choose the program file of your browser.")
                 .arg(QDir::toNativeSeparators(path)),
             QMessageBox::Ok, QMessageBox::Ok);
    }
}

}  // namespace kelpo
