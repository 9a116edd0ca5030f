#pragma once
// Writing files whole or not at all: the data file, the settings, the
// variables and the exchange files are written to a temporary file beside
// the target and renamed over it, so the old file stays whole if anything
// fails on the way.
#include <QByteArray>
#include <QByteArrayView>
#include <QSaveFile>
#include <QString>

#include "PrivateFiles.h"

namespace kelpo {

// Writes `bytes` to `path` atomically (the old file stays whole if anything
// fails). On failure returns false and the system's reason in `error`.
// The files of the data folder are private; only a file written for others
// (an exchange file) is Shared.
bool WriteFileAtomic(const QString &path, const QByteArray &bytes, QString *error,
                     FileAccess access = FileAccess::Private);

// The same for a file written in pieces, so that it need not be held whole
// in memory first: the pieces go to a temporary file beside the target,
// which replaces the target only when Commit succeeds. Destroyed without a
// commit, it leaves the target as it was.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const QString &path, FileAccess access = FileAccess::Private);
    AtomicFileWriter(const AtomicFileWriter &) = delete;
    AtomicFileWriter &operator=(const AtomicFileWriter &) = delete;
    ~AtomicFileWriter();

    // False, with the reason in `error`, when the file cannot be written.
    bool Open(QString *error);
    // False once any write has failed (later writes do nothing).
    bool Write(QByteArrayView bytes);
    // Replaces the target with what was written. False, with the reason in
    // `error` and the target untouched, when anything failed.
    bool Commit(QString *error);

private:
    QSaveFile file_;
    FileAccess access_;
    bool ok_ = false;
    bool done_ = false;
};

// Copies `from` over `to` through a temporary file in the target's folder and
// a rename. Returns false when anything failed (callers ignore it); the
// target is then unchanged.
bool CopyFileReplace(const QString &from, const QString &to, FileAccess access = FileAccess::Private);

// Whether the disk takes a write at all, asked by WriteFileAtomic and
// CopyFileReplace before they touch the target. Behind an interface so that
// tests can stand in for a full or read-only disk; on the real disk nothing
// fails before the system says so.
class DiskFaults {
public:
    virtual ~DiskFaults() = default;
    // The reason a write to `path` fails at once (the target is then left
    // alone), or empty when the write may go ahead.
    virtual QString WriteFailure(const QString &path) const = 0;
};

// The one place the disk faults are set, for the whole process: `faults`
// (not owned; it must outlive its use) or, for nullptr, the real disk.
// Returns the ones set before, so that a test's double can put them back.
const DiskFaults *SetDiskFaults(const DiskFaults *faults);

}  // namespace kelpo
