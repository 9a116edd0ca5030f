#include "SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kelpo {

SingleInstance::SingleInstance(const QString &folder)
{
    QString dir = folder;
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    path_ = QDir(dir).filePath(QStringLiteral("KelpoSemaphore.lock"));
}

bool SingleInstance::Acquire()
{
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
