#pragma once
// One running copy per user: a lock file named after "KelpoSemaphore" in a
// folder only this user can reach (see UserRuntimeFolder). A lock left by a
// process that died is taken over.
#include <QLockFile>
#include <QString>

#include <memory>

namespace kelpo {

class SingleInstance {
public:
    // `folder` empty: the user's runtime folder, or none when there is no
    // such folder.
    explicit SingleInstance(const QString &folder = QString());
    // True when this process now holds the lock; false when another live
    // copy holds it. When the lock cannot be made at all (no writable
    // folder), returns true: the program then starts without the guard.
    bool Acquire();

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace kelpo
