#pragma once
// The user's data is the user's alone: the data folder is 0700 and every
// file Kelpo writes in it 0600 (less when the umask takes more away). Files
// written for sharing (exchange files) keep the mode the umask gives.
//
// The single-copy lock and the command socket live in a folder that only
// this user can reach, never under a name other users could take first.
#include <QFileDevice>
#include <QString>

namespace kelpo {

enum class FileAccess {
    Private,  // 0600 less the umask, also when it replaces a looser file
    Shared,   // a new file gets 0666 less the umask, a replaced one keeps its mode
};

// 0600 less the bits the process umask clears.
QFileDevice::Permissions PrivateFilePermissions();

// Gives the open `file` the private mode. Where the file system has no
// modes (FAT) this quietly does nothing.
void MakeFilePrivate(QFileDevice &file);

// Makes the folder `path` (and missing parents, which get the usual mode).
// With `tighten` the folder itself is created 0700, and an existing one that
// belongs to this user loses all access for group and others; a file system
// that cannot do that is not an error. Returns whether the folder exists.
bool MakeDataFolder(const QString &path, bool tighten);

// Whether the data folder is one Kelpo keeps for itself: any folder but the
// program's own (which, on a removable drive, is the data folder).
bool IsOwnDataFolder(const QString &dataDir, const QString &exeDir);

// True when `path` is a real folder (not a link) that belongs to `uid` and
// that neither group nor others can enter. With `create` a missing folder is
// made 0700 first.
bool IsUserOnlyFolder(const QString &path, uint uid, bool create);

// The folder for the single-copy lock and the command socket of user `uid`:
// $XDG_RUNTIME_DIR when it is that user's own folder; else "kelpo-<uid>" in
// the temporary folder, made 0700 and checked to be the user's own; else
// `fallback` (the data folder). A name that another user took first is
// never used.
QString UserRuntimeFolder(const QString &fallback, uint uid);
QString UserRuntimeFolder(const QString &fallback);  // for the running user

}  // namespace kelpo
