// Saving the data file: the writer with its backups, the 15-minute timer,
// "Save Now" and the save at shutdown.
#include "Main.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "DataFile.h"

namespace kelpo {

namespace {

QString Native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

}  // namespace

void TMainForm::SaveData(const QString &FileName, bool MakeBackup)
{
    const QString dat = DataDir + QStringLiteral("Kelpo.dat");
    QByteArray text;
    if (!BuildDataText(Data, Fmt, &text)) {
        if (Dlg.Confirm(QStringLiteral("There was a problem saving your entries.\nWould you like to restore your backup?")))
            RestoreBackup();
        return;
    }

    // A data file that could not be read at start-up is never replaced: the
    // entries go to "Kelpo.new" beside it.
    QString target = FileName;
    const bool redirected = DataFileGuarded && QFileInfo(FileName) == QFileInfo(dat);
    if (redirected) {
        target = DataDir + QStringLiteral("Kelpo.new");
        if (!KeepEarlierNewFile(target))
            return;
    }

    QString why;
    if (!WriteFileAtomic(target, text, &why)) {
        // The backup is not touched: it may be the last good copy.
        Dlg.Error(QStringLiteral("There was a problem saving your data:\n") + why);
        return;
    }
    if (redirected) {
        Dlg.Error(QStringLiteral("Your data file\n%1\ncould not be read when Kelpo started and has been left unchanged.\n"
                                 "Your entries were saved to\n%2")
                      .arg(Native(dat), Native(target)));
        return;
    }
    if (MakeBackup)
        CopyFileReplace(dat, DataDir + QStringLiteral("Kelpo.bak"));
}

// "Kelpo.new" left by an earlier run (whose data file could not be read
// either) holds entries of that run: the first save of this run moves it
// aside under a time-stamped name instead of overwriting it.
bool TMainForm::KeepEarlierNewFile(const QString &newFile)
{
    if (newFileKept_ || !QFileInfo::exists(newFile)) {
        newFileKept_ = true;
        return true;
    }
    const QString aside = newFile + QLatin1Char('.') + Clk.Now().toString(QStringLiteral("yyMMdd-HHmmss"));
    if (!QFileInfo::exists(aside) && QFile::rename(newFile, aside)) {
        newFileKept_ = true;
        return true;
    }
    Dlg.Error(QStringLiteral("There was a problem saving your data:\n%1 could not be moved aside.").arg(Native(newFile)));
    return false;
}

// The user agreed to go back to the backup: the current data file is kept as
// "Kelpo.err" first. Without that copy the data file is not replaced.
void TMainForm::RestoreBackup()
{
    const QString dat = DataDir + QStringLiteral("Kelpo.dat");
    const QString err = DataDir + QStringLiteral("Kelpo.err");
    if (QFileInfo::exists(dat) && !CopyFileReplace(dat, err)) {
        Dlg.Error(QStringLiteral("The backup was not restored:\n%1\ncould not be copied to\n%2").arg(Native(dat), Native(err)));
        return;
    }
    CopyFileReplace(DataDir + QStringLiteral("Kelpo.bak"), dat);
}

void TMainForm::Timer1Timer()
{
    if (AutoSave->isChecked())
        SaveData(DataDir + QStringLiteral("Kelpo.dat"), true);
    if (AutoCheck->isChecked())
        MenuUpdateClick();
    EntriesClick();
}

void TMainForm::MenuSaveDataClick()
{
    SaveData(DataDir + QStringLiteral("Kelpo.dat"), true);
    Dlg.Information(QStringLiteral("All items saved to disk.\n(Backup file created)"));
}

// Closing always saves, without asking: the data file, the variables, the
// settings. Only a failure to write the variables keeps the window open.
bool TMainForm::FormCloseQuery()
{
    SaveData(DataDir + QStringLiteral("Kelpo.dat"), false);
    if (VarStore && !VarFileGuarded) {
        QString why;
        if (!VarStore->Save(DataDir + QStringLiteral("Kelpo.var"), &why)) {
            Dlg.Error(why);
            return false;
        }
    }
    WriteSettings();
    return true;
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

}  // namespace kelpo
