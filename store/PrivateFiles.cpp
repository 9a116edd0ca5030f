#include "PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace kelpo {

namespace {

constexpr mode_t GroupOtherBits = S_IRWXG | S_IRWXO;

// The process umask. Linux shows it in /proc/self/status; reading it there
// leaves it alone, where umask() would have to change it for a moment.
mode_t ProcessUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return mode_t(mask) & 0777;
                break;
            }
        }
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

QFileDevice::Permissions ToPermissions(mode_t mode)
{
    QFileDevice::Permissions p;
    if (mode & S_IRUSR)
        p |= QFileDevice::ReadOwner | QFileDevice::ReadUser;
    if (mode & S_IWUSR)
        p |= QFileDevice::WriteOwner | QFileDevice::WriteUser;
    if (mode & S_IXUSR)
        p |= QFileDevice::ExeOwner | QFileDevice::ExeUser;
    return p;
}

}  // namespace

QFileDevice::Permissions PrivateFilePermissions()
{
    return ToPermissions(0600 & ~ProcessUmask());
}

void MakeFilePrivate(QFileDevice &file)
{
    file.setPermissions(PrivateFilePermissions());
}

bool MakeDataFolder(const QString &path, bool tighten)
{
    const QString clean = QDir::cleanPath(path);
    if (!tighten)
        return QDir().mkpath(clean);
    const QFileInfo info(clean);
    if (!QDir().mkpath(info.path()))
        return false;
    const QByteArray native = QFile::encodeName(clean);
    if (::mkdir(native.constData(), 0700) == 0)
        return true;
    if (errno != EEXIST)
        return false;
    // An existing folder (or a link the user made to one) is tightened when
    // it is ours; on FAT and the like chmod changes nothing, and that is fine.
    struct stat st {};
    if (::stat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    if (st.st_uid == ::geteuid() && (st.st_mode & GroupOtherBits) != 0)
        (void)::chmod(native.constData(), st.st_mode & 07700);
    return true;
}

bool IsOwnDataFolder(const QString &dataDir, const QString &exeDir)
{
    const auto real = [](const QString &dir) {
        const QString canonical = QFileInfo(dir).canonicalFilePath();
        return canonical.isEmpty() ? QDir::cleanPath(QDir(dir).absolutePath()) : canonical;
    };
    return real(dataDir) != real(exeDir);
}

bool IsUserOnlyFolder(const QString &path, uint uid, bool create)
{
    if (path.isEmpty())
        return false;
    const QByteArray native = QFile::encodeName(path);
    if (create && ::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    // lstat: a link is refused even when it points at a folder of ours, since
    // whoever made the link can point it elsewhere.
    struct stat st {};
    return ::lstat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid &&
           (st.st_mode & GroupOtherBits) == 0;
}

QString UserRuntimeFolder(const QString &fallback, uint uid)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && IsUserOnlyFolder(runtime, uid, false))
        return QDir::cleanPath(runtime);
    // su, ssh and cron sessions often have no runtime folder.
    const QString own = QDir(QDir::tempPath()).filePath(QStringLiteral("kelpo-") + QString::number(uid));
    if (IsUserOnlyFolder(own, uid, true))
        return own;
    // Someone else's folder, a link or a file under our name: not touched.
    qWarning("Kelpo: %s is not a private folder of this user; using %s instead", qPrintable(own),
             qPrintable(fallback));
    return fallback;
}

QString UserRuntimeFolder(const QString &fallback)
{
    return UserRuntimeFolder(fallback, ::geteuid());
}

}  // namespace kelpo
