#pragma once
// Writing files whole or not at all: the data file, the settings, the
// variables and the exchange files are written to a temporary file beside
// the target and renamed over it, so the old file stays whole if anything
// fails on the way.
#include <QByteArray>
#include <QString>

#include "PrivateFiles.h"

namespace kelpo {

// Writes `bytes` to `path` atomically (the old file stays whole if anything
// fails). On failure returns false and the system's reason in `error`.
// The files of the data folder are private; only a file written for others
// (an exchange file) is Shared.
bool WriteFileAtomic(const QString &path, const QByteArray &bytes, QString *error,
                     FileAccess access = FileAccess::Private);

// Copies `from` over `to` through a temporary file in the target's folder and
// a rename. Returns false when anything failed (callers ignore it); the
// target is then unchanged.
bool CopyFileReplace(const QString &from, const QString &to, FileAccess access = FileAccess::Private);

// Test seam for failing disks: while `reason` is not empty, WriteFileAtomic
// and CopyFileReplace fail with that reason and leave the target alone.
// An empty reason turns it off.
void InjectWriteFailureForTests(const QString &reason);

}  // namespace kelpo
