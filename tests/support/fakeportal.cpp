// A scripted stand-in for the desktop portal's remote desktop interface on
// the session bus (DBUS_SESSION_BUS_ADDRESS): answers as its arguments say
// and writes every call it gets, one line each, to a log file.
//
//   fakeportal LOG [--version N] [--start CODE|silent] [--start-after MS]
//              [--close-after N] [--token TOKEN] [--no-interface]
//              [--no-shortcuts] [--bind CODE] [--answer-first]
//
// --start: the response code of Start (0 granted, 1 refused by the user,
// 2 ended otherwise) or silent (never answers); --start-after: the user
// takes that long to answer. --close-after: the first
// session is closed by the "desktop" after N keysyms. --token: the restore
// token Start hands out (version 2 and later). --no-interface: the portal is
// there without the remote desktop interface. --no-shortcuts: without the
// global shortcuts interface; --bind: the response code of BindShortcuts
// (granted, it binds every shortcut asked for with the trigger "Ctrl+Alt+K").
// --answer-first: a request's answer goes out before the reply to the call
// that made it (a client may see them in this order anyway).
// The test's own method org.kelpo.FakePortal.Activate(session, id) sends
// Activated for that session and shortcut id (session "": the shortcuts
// session open now).
//
// Log lines: "CreateSession", "SelectDevices types=1 persist_mode=2
// restore_token=T", "Start", "+ffe1"/"-ffe1" (a keysym pressed/released),
// "RequestClose", "SessionClose", "ShortcutsSession",
// "BindShortcuts type-it-in description=D preferred_trigger=T". Prints "ready" once it owns its name.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>
#include <QTimer>

#include "PortalShortcut.h"

#include <cstdio>

namespace {

const QString DesktopPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString RemoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString GlobalShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

class FakePortal : public QDBusVirtualObject {
public:
    QFile Log;
    uint Version = 1;
    QString StartAnswer = QStringLiteral("0");
    int CloseAfter = -1;
    int StartAfterMs = 0;
    QString Token;
    bool Interface = true;
    bool Shortcuts = true;
    uint BindAnswer = 0;
    bool AnswerFirst = false;
    QString ShortcutsSession;

    int Sessions = 0;
    int Keys = 0;
    QString OpenSession;

    QString introspect(const QString &) const override { return QString(); }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &bus) override
    {
        const QString iface = message.interface();
        const QString member = message.member();
        const QVariantList args = message.arguments();
        if (iface == QLatin1String("org.freedesktop.DBus.Properties")) {
            const QString asked = args.value(0).toString();
            if (asked == RemoteDesktop ? !Interface : asked == GlobalShortcuts ? !Shortcuts : true) {
                bus.send(message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                                                  QStringLiteral("No such interface")));
                return true;
            }
            if (member == QLatin1String("Get"))
                bus.send(message.createReply(QVariant::fromValue(QDBusVariant(QVariant(Version)))));
            else
                bus.send(message.createReply(QVariant::fromValue(QVariantMap{{QStringLiteral("version"), Version}})));
            return true;
        }
        if (iface == QLatin1String("org.freedesktop.portal.Request")) {
            Write(QStringLiteral("RequestClose"));
            bus.send(message.createReply());
            return true;
        }
        if (iface == QLatin1String("org.freedesktop.portal.Session")) {
            Write(QStringLiteral("SessionClose"));
            if (message.path() == OpenSession)
                OpenSession.clear();
            bus.send(message.createReply());
            return true;
        }
        if (iface == QLatin1String("org.kelpo.FakePortal")) {
            const QString session = args.value(0).toString();
            bus.send(message.createReply());
            bus.send(QDBusMessage::createSignal(DesktopPath, GlobalShortcuts, QStringLiteral("Activated"))
                     << QVariant::fromValue(QDBusObjectPath(session.isEmpty() ? ShortcutsSession : session))
                     << args.value(1).toString() << qulonglong(1234) << QVariantMap());
            return true;
        }
        const bool shortcuts = iface == GlobalShortcuts && Shortcuts;
        if ((iface != RemoteDesktop || !Interface) && !shortcuts) {
            bus.send(message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), member));
            return true;
        }
        const QVariantMap options = args.isEmpty() ? QVariantMap() : qdbus_cast<QVariantMap>(args.last());
        if (member == QLatin1String("NotifyKeyboardKeysym")) {
            if (args.value(0).value<QDBusObjectPath>().path() != OpenSession || OpenSession.isEmpty()) {
                bus.send(message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                                                  QStringLiteral("No such session")));
                return true;
            }
            const uint keysym = args.value(2).toUInt();
            Write((args.value(3).toUInt() ? QStringLiteral("+") : QStringLiteral("-")) + QString::number(keysym, 16));
            bus.send(message.createReply());
            if (Sessions == 1 && ++Keys == CloseAfter) {
                bus.send(QDBusMessage::createSignal(OpenSession, QStringLiteral("org.freedesktop.portal.Session"),
                                                    QStringLiteral("Closed"))
                         << QVariantMap());
                OpenSession.clear();
            }
            return true;
        }
        // The methods that answer through a request object.
        QString sender = message.service();
        sender.remove(0, 1).replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString request = DesktopPath + QStringLiteral("/request/") + sender + QLatin1Char('/') +
                                options.value(QStringLiteral("handle_token")).toString();
        uint code = 0;
        QVariantMap results;
        bool answer = true;
        if (shortcuts && member == QLatin1String("CreateSession")) {
            Write(QStringLiteral("ShortcutsSession"));
            ShortcutsSession = DesktopPath + QStringLiteral("/session/") + sender + QLatin1Char('/') +
                               options.value(QStringLiteral("session_handle_token")).toString();
            results.insert(QStringLiteral("session_handle"), QVariant::fromValue(QDBusObjectPath(ShortcutsSession)));
        } else if (shortcuts && member == QLatin1String("BindShortcuts")) {
            QList<kelpo::PortalShortcutEntry> asked;
            args.value(1).value<QDBusArgument>() >> asked;
            for (kelpo::PortalShortcutEntry &e : asked) {
                Write(QStringLiteral("BindShortcuts %1 description=%2 preferred_trigger=%3")
                          .arg(e.Id, e.Properties.value(QStringLiteral("description")).toString(),
                               e.Properties.value(QStringLiteral("preferred_trigger")).toString()));
                e.Properties = {{QStringLiteral("description"), e.Properties.value(QStringLiteral("description"))},
                                {QStringLiteral("trigger_description"), QStringLiteral("Ctrl+Alt+K")}};
            }
            code = BindAnswer;
            if (code == 0)
                results.insert(QStringLiteral("shortcuts"), QVariant::fromValue(asked));
        } else if (iface == GlobalShortcuts) {
            bus.send(message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), member));
            return true;
        } else if (member == QLatin1String("CreateSession")) {
            Write(member);
            ++Sessions;
            OpenSession = DesktopPath + QStringLiteral("/session/") + sender + QLatin1Char('/') +
                          options.value(QStringLiteral("session_handle_token")).toString();
            results.insert(QStringLiteral("session_handle"), OpenSession);
        } else if (member == QLatin1String("SelectDevices")) {
            QString line = QStringLiteral("SelectDevices types=%1").arg(options.value(QStringLiteral("types")).toUInt());
            if (options.contains(QStringLiteral("persist_mode")))
                line += QStringLiteral(" persist_mode=%1").arg(options.value(QStringLiteral("persist_mode")).toUInt());
            if (options.contains(QStringLiteral("restore_token")))
                line += QStringLiteral(" restore_token=") + options.value(QStringLiteral("restore_token")).toString();
            Write(line);
        } else if (member == QLatin1String("Start")) {
            Write(member);
            answer = StartAnswer != QLatin1String("silent");
            code = StartAnswer.toUInt();
            results.insert(QStringLiteral("devices"), uint(code == 0 ? 1 : 0));
            if (Version >= 2 && !Token.isEmpty())
                results.insert(QStringLiteral("restore_token"), Token);
        } else {
            bus.send(message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), member));
            return true;
        }
        const QDBusMessage reply = message.createReply(QVariant::fromValue(QDBusObjectPath(request)));
        const QDBusMessage response =
            QDBusMessage::createSignal(request, QStringLiteral("org.freedesktop.portal.Request"),
                                       QStringLiteral("Response"))
            << code << results;
        if (answer && AnswerFirst) {
            bus.send(response);
            bus.send(reply);
            return true;
        }
        bus.send(reply);
        if (!answer)
            return true;
        if (member == QLatin1String("Start") && StartAfterMs > 0)
            QTimer::singleShot(StartAfterMs, [response] { QDBusConnection::sessionBus().send(response); });
        else
            bus.send(response);
        return true;
    }

    void Write(const QString &line)
    {
        Log.write(line.toUtf8() + '\n');
        Log.flush();
    }
};

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    FakePortal portal;
    portal.Log.setFileName(args.value(1));
    if (!portal.Log.open(QIODevice::WriteOnly | QIODevice::Append))
        return 2;
    for (int i = 2; i < args.size(); ++i) {
        const QString a = args.at(i);
        const QString value = args.value(i + 1);
        if (a == QLatin1String("--version"))
            portal.Version = value.toUInt(), ++i;
        else if (a == QLatin1String("--start"))
            portal.StartAnswer = value, ++i;
        else if (a == QLatin1String("--start-after"))
            portal.StartAfterMs = value.toInt(), ++i;
        else if (a == QLatin1String("--close-after"))
            portal.CloseAfter = value.toInt(), ++i;
        else if (a == QLatin1String("--token"))
            portal.Token = value, ++i;
        else if (a == QLatin1String("--no-interface"))
            portal.Interface = false;
        else if (a == QLatin1String("--no-shortcuts"))
            portal.Shortcuts = false;
        else if (a == QLatin1String("--bind"))
            portal.BindAnswer = value.toUInt(), ++i;
        else if (a == QLatin1String("--answer-first"))
            portal.AnswerFirst = true;
    }
    qDBusRegisterMetaType<kelpo::PortalShortcutEntry>();
    qDBusRegisterMetaType<QList<kelpo::PortalShortcutEntry>>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerVirtualObject(DesktopPath, &portal, QDBusConnection::SubPath) ||
        !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")))
        return 3;
    std::puts("ready");
    std::fflush(stdout);
    return app.exec();
}
