#pragma once
// What every call to the desktop portal shares: its name and object, and
// the path of the request object a call answers through (the portal builds
// it from the caller's bus name and the handle_token it was given, so the
// caller can listen for the answer before it makes the call).
#include <QDBusConnection>
#include <QString>

namespace kelpo::portal {

inline const QString Service = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString DesktopPath = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString Request = QStringLiteral("org.freedesktop.portal.Request");
inline const QString Session = QStringLiteral("org.freedesktop.portal.Session");

// A handle token not used before in this run.
QString NewToken();
// The request object the portal answers a call with `token` through.
QString RequestPath(const QDBusConnection &bus, const QString &token);
// A session handle as the portal hands it out (object path or string).
QString SessionHandle(const QVariant &value);

}  // namespace kelpo::portal
