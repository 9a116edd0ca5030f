#pragma once
// File modes in tests: the permission bits of a path, and a umask set for
// the length of a scope.
#include <QFile>
#include <QString>

#include <sys/stat.h>

namespace kelpo {

// The permission bits of `path` itself (a link is not followed); -1 when
// it does not exist.
inline int ModeOf(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

inline bool SetMode(const QString &path, int mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0;
}

class UmaskScope {
public:
    explicit UmaskScope(int mask) : old_(::umask(mode_t(mask))) {}
    ~UmaskScope() { ::umask(old_); }
    UmaskScope(const UmaskScope &) = delete;
    UmaskScope &operator=(const UmaskScope &) = delete;

private:
    mode_t old_;
};

}  // namespace kelpo
