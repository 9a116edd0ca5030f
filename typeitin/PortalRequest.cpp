#include "PortalRequest.h"

#include <QDBusObjectPath>
#include <QVariant>

namespace kelpo::portal {

QString NewToken()
{
    static uint counter = 0;
    return QStringLiteral("kelpo%1").arg(++counter);
}

QString RequestPath(const QDBusConnection &bus, const QString &token)
{
    QString sender = bus.baseService();
    sender.remove(0, sender.startsWith(QLatin1Char(':')) ? 1 : 0).replace(QLatin1Char('.'), QLatin1Char('_'));
    return DesktopPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

QString SessionHandle(const QVariant &value)
{
    return value.canConvert<QDBusObjectPath>() ? value.value<QDBusObjectPath>().path() : value.toString();
}

}  // namespace kelpo::portal
