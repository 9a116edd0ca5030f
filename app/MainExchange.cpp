// Group exchange files: saving the shown group to a file and importing one.
#include "Main.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

#include "ExchangeFile.h"
#include "ItemListModel.h"
#include "MainHelpers.h"

namespace kelpo {

namespace {

const QString ChooserFilter = QStringLiteral("Kelpo Data File (*.kdf)");

QString FileName(const QString &path)
{
    return QFileInfo(path).fileName();
}

}  // namespace

void TMainForm::MenuSaveGroupClick()
{
    const CommandGuard::Command command(commands_, CommandGuard::Access::Reads);
    if (!command)
        return;
    const QString group = ShownGroup();
    const QString path = Dlg.SaveFileName(QStringLiteral("Save Kelpo Data File"), ChooserFilter,
                                          QStringLiteral("kdf"), group);
    if (path.isEmpty())
        return;
    const bool withKeysAndComments = Dlg.Confirm(QStringLiteral(
        "Do you want to include Type and Comment sections?\n\n"
        "Note: Type and Comment strings could include personal information."));

    // The rows as listed, in their sorted order.
    QList<const Rec *> items;
    items.reserve(EntriesList->Count());
    for (int row = 0, n = EntriesList->Count(); row < n; ++row) {
        const int at = FindItem(row);
        if (at >= 0)
            items.append(Data.Items.At(at));
    }
    // The file is written in one step: a failure leaves any old file whole.
    QString error;
    if (!SaveExchangeFile(path, group, items, withKeysAndComments, Fmt, &error))
        Dlg.Error(QStringLiteral("%1 could not be saved.\n\n%2").arg(FileName(path), error));
}

void TMainForm::MenuLoadGroupClick()
{
    const CommandGuard::Command command(commands_);
    if (!command)
        return;
    const QString path = Dlg.OpenFileName(QStringLiteral("Open Kelpo Data File"), ChooserFilter);
    if (!path.isEmpty())
        LoadDataFile(path);
}

void TMainForm::LoadDataFile(const QString &path)
{
    const CommandGuard::Command command(commands_);
    if (!command)
        return;
    // The whole file is read before anything is asked. It is read with a
    // copy of the program's formats: the decimal separator that its values
    // switch to is taken over only once the user goes ahead with the import.
    Formats reading = Fmt;
    ExchangeParse file;
    QString ioError;
    bool read = false;
    {
        const BusyCursor busy;
        read = LoadExchangeFile(path, reading, &file, &ioError);
    }
    if (!read) {
        Dlg.Error(QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(path), ioError));
        return;
    }
    if (!file.headerOk) {
        Dlg.Error(NotExchangeFileMessage(path));
        return;
    }
    // Without the number of items there is nothing to offer.
    if (!file.countOk) {
        Dlg.Error(QStringLiteral("%1 could not be imported: nothing was added.\n\n%2")
                      .arg(FileName(path), file.error));
        return;
    }

    QString groupName = file.groupName;
    if (!Dlg.Ask(QStringLiteral("Load Data File"), AddItemsPrompt(file.number), &groupName))
        return;
    groupName = OneLineName(groupName);
    Fmt.SetDecimalSeparator(reading.DecimalSeparator());

    // The target: an existing group (in any letter case), "All Items" or the
    // Trash (their items belong to no group), else a new group. A name that
    // is a fixed row's in other letter case means that row: a group of that
    // name would be mistaken for it.
    int slot = Data.FindGroup(groupName);
    if (slot == 0) {
        const int fixed = FixedRowKind(groupName);
        if (fixed <= 0) {
            slot = fixed;
        } else {
            slot = CreateNewGroup(groupName);
            if (slot == 0)
                return;  // the group table is full (CreateNewGroup said so)
        }
    }
    QString membership;
    if (slot > 0)
        membership = QLatin1Char(',') + QString::number(Data.GroupTable[size_t(slot)].GroupNumber) + QLatin1Char(',');

    // Each item is in the list before the next name is tested, so a file
    // that holds a name twice asks about the second one.
    for (Rec &item : file.items) {
        QString name = OneLineName(item.Name);
        bool skipped = false;
        while (Duplicate(Data, name)) {
            if (!Dlg.Ask(QStringLiteral("Duplicate Name"), DuplicatePrompt(name), &name)) {
                skipped = true;
                break;
            }
            name = OneLineName(name);
        }
        if (skipped)
            continue;
        auto rec = std::make_unique<Rec>(std::move(item));
        rec->Name = name;
        rec->Group = membership;
        rec->Done = false;
        Data.Items.Append(std::move(rec));
    }

    ShowGroupRow(slot);
    GroupListChange();
    MenuUpdateClick();
    if (file.error.isEmpty())
        Dlg.Information(ImportedMessage(path));
    else
        Dlg.Error(QStringLiteral("%1 could not be read to its end. The items before the damaged part "
                                 "were imported; nothing after it.\n\n%2")
                      .arg(FileName(path), file.error));
}

}  // namespace kelpo
