#include "Desktop.h"

#include <QDesktopServices>
#include <QDir>
#include <QProcess>

namespace kelpo {

bool SystemDesktop::OpenUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

bool SystemDesktop::StartDetached(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments, QDir::homePath());
}

}  // namespace kelpo
