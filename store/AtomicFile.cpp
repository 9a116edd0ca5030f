#include "AtomicFile.h"

#include "FileRead.h"

#include <QFile>
#include <QSaveFile>

namespace kelpo {

namespace {

// The real disk: only the system refuses writes.
class RealDisk : public DiskFaults {
public:
    QString WriteFailure(const QString &) const override { return QString(); }
};

const RealDisk realDisk;
const DiskFaults *diskFaults = nullptr;  // set by SetDiskFaults; nullptr: the real disk

const DiskFaults &Faults()
{
    return diskFaults ? *diskFaults : realDisk;
}

}  // namespace

const DiskFaults *SetDiskFaults(const DiskFaults *faults)
{
    const DiskFaults *previous = diskFaults;
    diskFaults = faults;
    return previous;
}

bool WriteFileAtomic(const QString &path, const QByteArray &bytes, QString *error, FileAccess access)
{
    AtomicFileWriter file(path, access);
    if (!file.Open(error))
        return false;
    file.Write(bytes);
    return file.Commit(error);
}

AtomicFileWriter::AtomicFileWriter(const QString &path, FileAccess access) : file_(path), access_(access) {}

AtomicFileWriter::~AtomicFileWriter()
{
    if (!done_)
        file_.cancelWriting();
}

bool AtomicFileWriter::Open(QString *error)
{
    const QString path = file_.fileName();
    const QString failure = Faults().WriteFailure(path);
    if (!failure.isEmpty()) {
        if (error)
            *error = failure;
        return false;
    }
    // A folder, pipe or device in the file's place is left alone.
    if (IsNonRegularFile(path)) {
        if (error)
            *error = QStringLiteral("%1 is not a regular file.").arg(path);
        return false;
    }
    // Unbuffered: a write that fails only when the buffer is flushed inside
    // commit() (a full disk, for anything below the buffer's 16 KiB) is not
    // seen by QSaveFile, which would then replace the file with an empty or
    // cut one and report success.
    ok_ = file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    // QSaveFile gives the new file the mode of the one it replaces.
    if (ok_ && access_ == FileAccess::Private)
        MakeFilePrivate(file_);
    if (!ok_ && error)
        *error = file_.errorString();
    return ok_;
}

bool AtomicFileWriter::Write(QByteArrayView bytes)
{
    // A short write is followed by another, which fails with the reason.
    for (qint64 done = 0; ok_ && done < bytes.size();) {
        const qint64 n = file_.write(bytes.data() + done, bytes.size() - done);
        ok_ = n > 0;
        done += n;
    }
    return ok_;
}

bool AtomicFileWriter::Commit(QString *error)
{
    if (done_)
        return false;
    done_ = true;
    if (!ok_ || !file_.commit()) {
        if (error)
            *error = file_.errorString();
        file_.cancelWriting();
        return false;
    }
    return true;
}

bool CopyFileReplace(const QString &from, const QString &to, FileAccess access)
{
    if (!Faults().WriteFailure(to).isEmpty())
        return false;
    // Only regular files are copied, and only over regular files: a pipe
    // would block, and a folder or device in the target's place stays.
    QFile source;
    if (!OpenRegularFile(source, from, nullptr) || IsNonRegularFile(to))
        return false;
    // QSaveFile writes a temporary file beside the target and renames it over
    // the target on commit; on any failure the target stays as it was.
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly | QIODevice::Unbuffered))  // see WriteFileAtomic
        return false;
    if (access == FileAccess::Private)
        MakeFilePrivate(target);
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    for (;;) {
        const qint64 got = source.read(buffer.data(), buffer.size());
        if (got < 0) {
            target.cancelWriting();
            return false;
        }
        if (got == 0)
            break;
        if (target.write(buffer.constData(), got) != got) {
            target.cancelWriting();
            return false;
        }
    }
    return target.commit();
}

}  // namespace kelpo
