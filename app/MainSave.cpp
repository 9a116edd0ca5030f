// Saving the data file: the writer with its backups, the 15-minute timer,
// "Save Now" and the save at shutdown.
#include "Main.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "AtomicFile.h"
#include "DataFile.h"
#include "MainHelpers.h"

namespace kelpo {

namespace {

const QString UnsavedCloseQuestion = QStringLiteral(
    "Your entries could not be saved, so Kelpo stays open: make room on the disk or fix the data folder, then "
    "close Kelpo again.\n\nClose anyway and lose the changes since the last save?");

QString Native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

}  // namespace

bool TMainForm::SaveData(const QString &FileName, bool MakeBackup, bool *backupMade)
{
    if (backupMade)
        *backupMade = false;
    const QString dat = DataDir + QStringLiteral("Kelpo.dat");

    // A data file that could not be read at start-up is never replaced: the
    // entries go to "Kelpo.new" beside it.
    QString target = FileName;
    const bool redirected = DataFileGuarded && QFileInfo(FileName) == QFileInfo(dat);
    if (redirected) {
        target = DataDir + QStringLiteral("Kelpo.new");
        if (!KeepEarlierNewFile(target))
            return false;
    }

    QString why;
    SaveOutcome saved;
    {
        const BusyCursor busy;
        saved = SaveMainData(target, Data, Fmt, nullptr, &why);
    }
    if (saved == SaveOutcome::BadItem) {
        if (Dlg.Confirm(QStringLiteral("There was a problem saving your entries.\nWould you like to restore your backup?")))
            RestoreBackup();
        return false;
    }
    if (saved == SaveOutcome::WriteFailed) {
        // The backup is not touched: it may be the last good copy.
        Dlg.Error(QStringLiteral("There was a problem saving your data:\n") + why);
        return false;
    }
    if (redirected) {
        Dlg.Error(QStringLiteral("Your data file\n%1\ncould not be read when Kelpo started and has been left unchanged.\n"
                                 "Your entries were saved to\n%2")
                      .arg(Native(dat), Native(target)));
        return true;
    }
    if (MakeBackup) {
        const bool copied = CopyFileReplace(dat, DataDir + QStringLiteral("Kelpo.bak"));
        if (backupMade)
            *backupMade = copied;
    }
    return true;
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

// The save runs at once, also while a command waits for an answer: it only
// reads the items, and every command changes them in whole steps between its
// questions, so what is written is consistent. Update and the editors'
// reload change what a waiting command may hold: they run after it.
void TMainForm::Timer1Timer()
{
    if (AutoSave->isChecked())
        SaveData(DataDir + QStringLiteral("Kelpo.dat"), true);
    commands_.RunOrQueue(
        [this] {
            if (AutoCheck->isChecked())
                MenuUpdateClick();
            EntriesClick();
        },
        QStringLiteral("timer"));
}

// Says only what happened: a save that failed has already shown why, and a
// backup copy that could not be made is not reported as made.
void TMainForm::MenuSaveDataClick()
{
    const CommandGuard::Command command(commands_, CommandGuard::Access::Reads);
    if (!command)
        return;
    bool backupMade = false;
    if (!SaveData(DataDir + QStringLiteral("Kelpo.dat"), true, &backupMade) || DataFileGuarded)
        return;
    Dlg.Information(backupMade ? QStringLiteral("All items saved to disk.\n(Backup file created)")
                               : QStringLiteral("All items saved to disk.\n(The backup file could not be created.)"));
}

// Closing always saves, without asking: the data file, the variables, the
// settings. A failure to write the variables keeps the window open; so does a
// failure to write the entries, unless the user chooses to close all the same
// (then the variables' failure is shown but no longer holds the window).
bool TMainForm::FormCloseQuery()
{
    bool closeAnyway = false;
    if (!SaveData(DataDir + QStringLiteral("Kelpo.dat"), false)) {
        if (!Dlg.Question(UnsavedCloseQuestion))
            return false;
        closeAnyway = true;
    }
    if (VarStore && !VarFileGuarded) {
        QString why;
        if (!VarStore->Save(DataDir + QStringLiteral("Kelpo.var"), &why)) {
            Dlg.Error(why);
            if (!closeAnyway)
                return false;
        }
    }
    WriteSettings();
    return true;
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    // Closing saves and ends the program: it comes after a command that waits.
    if (commands_.Waiting()) {
        event->ignore();
        commands_.RunOrQueue([this] { close(); }, QStringLiteral("close"));
        return;
    }
    const CommandGuard::Command command(commands_);
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

}  // namespace kelpo
