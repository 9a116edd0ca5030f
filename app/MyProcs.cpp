#include "MyProcs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>

#include "PrivateFiles.h"

namespace kelpo {

namespace {

QString WithSlash(const QString &dir)
{
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

QString ReadSmallFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.read(4096)).trimmed();
}

// Walks from a block device's sysfs folder to the disk it belongs to and asks
// the disk: removable media, or a USB / FireWire bus in its device path.
bool IsExternalSysBlock(const QString &sysRoot, const QString &name, int depth)
{
    if (name.isEmpty() || depth > 8)
        return false;
    const QString link = sysRoot + QStringLiteral("/class/block/") + name;
    const QString real = QFileInfo(link).canonicalFilePath();
    if (real.isEmpty())
        return false;
    // Device-mapper and md devices sit on other block devices: ask those.
    const QDir slaves(real + QStringLiteral("/slaves"));
    const QStringList under = slaves.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    if (!under.isEmpty()) {
        for (const QString &s : under)
            if (IsExternalSysBlock(sysRoot, s, depth + 1))
                return true;
        return false;
    }
    // A partition's folder lies inside its disk's folder.
    QString disk = real;
    if (QFile::exists(real + QStringLiteral("/partition")))
        disk = QFileInfo(real).path();
    if (ReadSmallFile(disk + QStringLiteral("/removable")) == QLatin1String("1"))
        return true;
    const QString path = disk.toLower();
    return path.contains(QLatin1String("/usb")) || path.contains(QLatin1String("/firewire"))
        || path.contains(QLatin1String("/ieee1394"));
}

}  // namespace

QString ExeDir()
{
    return WithSlash(QCoreApplication::applicationDirPath());
}

bool IsExternalBlockDevice(const QString &deviceName, const QString &sysRoot)
{
    return IsExternalSysBlock(sysRoot, deviceName, 0);
}

bool IsExternalDrive(const QString &path)
{
    const QStorageInfo info(path);
    if (!info.isValid())
        return false;
    const QString device = QString::fromLocal8Bit(info.device());
    if (!device.startsWith(QLatin1String("/dev/")))
        return false;  // tmpfs, overlay, network file systems: not a drive
    const QString node = QFileInfo(device).canonicalFilePath();
    return IsExternalBlockDevice(QFileInfo(node.isEmpty() ? device : node).fileName());
}

QString GetDataDir(const QString &exeDir, bool exeOnExternalDrive)
{
    const QString exe = WithSlash(exeDir);
    if (exeOnExternalDrive)
        return exe;
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return exe;
    const QString dir = WithSlash(base) + QStringLiteral("Kelpo/");
    if (!MakeDataFolder(dir, true))
        return exe;
    return dir;
}

}  // namespace kelpo
