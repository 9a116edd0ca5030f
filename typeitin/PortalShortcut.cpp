#include "PortalShortcut.h"

#include "PortalRequest.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace kelpo {

namespace {

const QString GlobalShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

QList<PortalShortcutEntry> Entries(const QVariant &value)
{
    QList<PortalShortcutEntry> out;
    if (value.canConvert<QDBusArgument>())
        value.value<QDBusArgument>() >> out;
    else
        out = value.value<QList<PortalShortcutEntry>>();
    return out;
}

}  // namespace

PortalShortcut::PortalShortcut(const QDBusConnection &bus, QObject *parent) : QObject(parent), Bus(bus)
{
    qDBusRegisterMetaType<PortalShortcutEntry>();
    qDBusRegisterMetaType<QList<PortalShortcutEntry>>();
}

PortalShortcut::~PortalShortcut()
{
    Listen(false);
    if (!SessionHandle.isEmpty())
        Bus.call(QDBusMessage::createMethodCall(portal::Service, SessionHandle, portal::Session,
                                                QStringLiteral("Close")),
                 QDBus::NoBlock);
}

void PortalShortcut::Start()
{
    if (Now != Step::None && Now != Step::Done)
        return;
    if (Bound_)
        return;
    Why.clear();
    if (!Bus.isConnected()) {
        Fail(NoPortalText());
        return;
    }
    Now = Step::Version;
    QDBusMessage get = QDBusMessage::createMethodCall(portal::Service, portal::DesktopPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get.setArguments({GlobalShortcuts, QStringLiteral("version")});
    auto *watch = new QDBusPendingCallWatcher(Bus.asyncCall(get), this);
    connect(watch, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *w;
        if (reply.isError() || reply.value().variant().toUInt() == 0) {
            Fail(NoPortalText());
            return;
        }
        Now = Step::Create;
        Ask(QStringLiteral("CreateSession"), {}, {{QStringLiteral("session_handle_token"), portal::NewToken()}});
    });
}

// Calls a method that answers through a request object, listening for the
// answer before the call goes out (it may come at once).
void PortalShortcut::Ask(const QString &method, QVariantList arguments, QVariantMap options)
{
    const QString token = portal::NewToken();
    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);
    RequestPath = portal::RequestPath(Bus, token);
    Listen(true);
    QDBusMessage call = QDBusMessage::createMethodCall(portal::Service, portal::DesktopPath, GlobalShortcuts, method);
    call.setArguments(arguments);
    auto *watch = new QDBusPendingCallWatcher(Bus.asyncCall(call), this);
    connect(watch, &QDBusPendingCallWatcher::finished, this, [this, asked = RequestPath](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        // The request's answer may come before the reply to the call: then
        // this request is over (and the next one may have begun).
        if (RequestPath != asked)
            return;
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (reply.isError()) {
            Fail(FailedText(reply.error().message().isEmpty() ? reply.error().name() : reply.error().message()));
            return;
        }
        // Portals older than the handle_token convention pick a path of
        // their own.
        const QString handle = reply.value().path();
        if (!handle.isEmpty() && handle != RequestPath) {
            Listen(false);
            RequestPath = handle;
            Listen(true);
        }
    });
}

void PortalShortcut::Listen(bool on)
{
    if (RequestPath.isEmpty())
        return;
    if (on)
        Bus.connect(portal::Service, RequestPath, portal::Request, QStringLiteral("Response"), this,
                    SLOT(Response(uint, QVariantMap)));
    else
        Bus.disconnect(portal::Service, RequestPath, portal::Request, QStringLiteral("Response"), this,
                       SLOT(Response(uint, QVariantMap)));
}

void PortalShortcut::Response(uint code, const QVariantMap &results)
{
    if (Now != Step::Create && Now != Step::Bind)
        return;
    Listen(false);
    RequestPath.clear();
    if (code != 0) {
        Fail(Now == Step::Bind ? RefusedText() : FailedText(QStringLiteral("no session")));
        return;
    }
    if (Now == Step::Create) {
        SessionHandle = portal::SessionHandle(results.value(QStringLiteral("session_handle")));
        if (SessionHandle.isEmpty()) {
            Fail(FailedText(QStringLiteral("no session")));
            return;
        }
        Bus.connect(portal::Service, SessionHandle, portal::Session, QStringLiteral("Closed"), this,
                    SLOT(SessionClosed()));
        Bind();
        return;
    }
    bool ours = false;
    for (const PortalShortcutEntry &e : Entries(results.value(QStringLiteral("shortcuts")))) {
        if (e.Id == QLatin1String(Id)) {
            ours = true;
            Trigger_ = e.Properties.value(QStringLiteral("trigger_description")).toString();
        }
    }
    if (!ours) {
        Fail(RefusedText());
        return;
    }
    Now = Step::Done;
    Bound_ = true;
    Bus.connect(portal::Service, portal::DesktopPath, GlobalShortcuts, QStringLiteral("Activated"), this,
                SLOT(ShortcutActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    emit Bound();
}

void PortalShortcut::Bind()
{
    Now = Step::Bind;
    const QList<PortalShortcutEntry> shortcuts{
        {QLatin1String(Id),
         {{QStringLiteral("description"), DescriptionText()},
          {QStringLiteral("preferred_trigger"), QLatin1String(PreferredTrigger)}}}};
    Ask(QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(SessionHandle)), QVariant::fromValue(shortcuts), QString()}, {});
}

void PortalShortcut::ShortcutActivated(const QDBusObjectPath &session, const QString &id, qulonglong,
                                       const QVariantMap &)
{
    if (Bound_ && session.path() == SessionHandle && id == QLatin1String(Id))
        emit Activated();
}

void PortalShortcut::SessionClosed()
{
    Bus.disconnect(portal::Service, portal::DesktopPath, GlobalShortcuts, QStringLiteral("Activated"), this,
                   SLOT(ShortcutActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    SessionHandle.clear();
    Bound_ = false;
    Fail(RefusedText());
}

void PortalShortcut::Fail(const QString &why)
{
    Listen(false);
    RequestPath.clear();
    Now = Step::Done;
    Bound_ = false;
    Why = why;
    emit ProblemChanged();
}

QString PortalShortcut::DescriptionText()
{
    return QStringLiteral("Type the current item's script");
}

QString PortalShortcut::NoPortalText()
{
    return QStringLiteral("This desktop offers no shortcut for Type It In: click into the form, then press Type "
                          "in Kelpo.");
}

QString PortalShortcut::RefusedText()
{
    return QStringLiteral("The desktop did not give Type It In its shortcut: click into the form, then press Type "
                          "in Kelpo.");
}

QString PortalShortcut::FailedText(const QString &error)
{
    return QStringLiteral("Type It In could not ask the desktop for its shortcut (%1): click into the form, then "
                          "press Type in Kelpo.")
        .arg(error);
}

}  // namespace kelpo
