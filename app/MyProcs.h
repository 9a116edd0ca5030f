#pragma once
// The data folder and the drive the program runs from.
#include <QString>

namespace kelpo {

// The folder of the running executable, with a trailing "/".
QString ExeDir();

// True when the block device holding `path` has removable media or sits on a
// USB or FireWire bus.
bool IsExternalDrive(const QString &path);
// The same question for a block device by its kernel name ("sdb1", "dm-0"),
// answered from the sysfs tree at `sysRoot` ("/sys" except in tests).
bool IsExternalBlockDevice(const QString &deviceName, const QString &sysRoot = QStringLiteral("/sys"));

// The data folder, with a trailing "/": the executable's folder when it is on
// an external drive; otherwise $XDG_DATA_HOME/Kelpo/ (created 0700 with its
// parents), falling back to the executable's folder when that cannot be made.
QString GetDataDir(const QString &exeDir, bool exeOnExternalDrive);

}  // namespace kelpo
