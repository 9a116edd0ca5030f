#include "SingleInstance.h"

#include <QDir>
#include <QFileInfo>

#include "PrivateFiles.h"

namespace kelpo {

SingleInstance::SingleInstance(const QString &folder)
{
    // Never a shared folder such as /tmp itself: there another user could
    // make the lock first and keep Kelpo from starting.
    const QString dir = folder.isEmpty() ? UserRuntimeFolder(QString()) : folder;
    if (!dir.isEmpty())
        path_ = QDir(dir).filePath(QStringLiteral("KelpoSemaphore.lock"));
}

bool SingleInstance::Acquire()
{
    if (path_.isEmpty())
        return true;  // no folder for a lock: run without the guard
    QDir().mkpath(QFileInfo(path_).path());
    lock_ = std::make_unique<QLockFile>(path_);
    // Held for the whole run: never considered stale while our process lives.
    // A lock whose process is gone is removed by tryLock itself.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0))
        return true;
    switch (lock_->error()) {
    case QLockFile::LockFailedError:
        return false;  // another live copy holds it
    default:
        return true;   // no lock can be made here: run without the guard
    }
}

}  // namespace kelpo
