#include "PortalKeyboard.h"

#include "PortalRequest.h"
#include "WaylandKeyboard.h"

#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QEventLoop>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <QVariantMap>

#include <xkbcommon/xkbcommon.h>

namespace kelpo {

namespace {

using portal::DesktopPath;
using portal::Request;
using portal::Service;
using portal::Session;
const QString RemoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");

// How long a plain method call (no dialog behind it) may take.
constexpr int CallTimeoutMs = 10 * 1000;

// The device types of SelectDevices and Start: the keyboard.
constexpr uint KeyboardDevice = 1;
// persist_mode: keep the permission until the user takes it back.
constexpr uint PersistUntilRevoked = 2;

// Keysyms of the keys typed by name.
constexpr quint32 ShiftL = 0xffe1;
constexpr quint32 ControlL = 0xffe3;
constexpr quint32 AltL = 0xffe9;
constexpr quint32 TabSym = 0xff09;
constexpr quint32 ReturnSym = 0xff0d;

quint32 KeysymOfKey(int virtualKey)
{
    switch (virtualKey) {
    case vk::Shift: return ShiftL;
    case vk::Control: return ControlL;
    case vk::Alt: return AltL;
    case vk::Tab: return TabSym;
    case vk::Return: return ReturnSym;
    case vk::Left: return 0xff51;
    case vk::Up: return 0xff52;
    case vk::Right: return 0xff53;
    case vk::Down: return 0xff54;
    default: break;
    }
    if (virtualKey >= 'A' && virtualKey <= 'Z')
        return quint32(virtualKey - 'A' + 'a');
    if (virtualKey >= '0' && virtualKey <= '9')
        return quint32(virtualKey);
    return 0;
}

// Tab and line breaks are typed with their keys, which every layout has.
quint32 KeysymOfControl(char32_t ch)
{
    switch (ch) {
    case U'\t': return TabSym;
    case U'\n':
    case U'\r': return ReturnSym;
    default: return 0;
    }
}

// The character each keysym of a layout types, with the keysym to send for
// it: the first key that has it, on the lowest shift level the portal can
// reach (levels 1 to 4: plain, Shift, AltGr, Shift+AltGr).
QHash<char32_t, quint32> LayoutKeysyms(const KeyboardLayout &layout)
{
    QHash<char32_t, quint32> out;
    xkb_context *context = xkb_context_new(xkb_context_flags(XKB_CONTEXT_NO_DEFAULT_INCLUDES | XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    if (!context)
        return out;
    QByteArray text = layout.Keymap;
    text.append('\0');
    xkb_keymap *keymap =
        xkb_keymap_new_from_string(context, text.constData(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap) {
        const xkb_keycode_t first = xkb_keymap_min_keycode(keymap);
        const xkb_keycode_t last = xkb_keymap_max_keycode(keymap);
        for (xkb_level_index_t level = 0; level < 4; ++level) {
            for (xkb_keycode_t key = first; key <= last; ++key) {
                const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap, key);
                if (layouts == 0)
                    continue;
                const xkb_layout_index_t group = layout.Group % layouts;
                if (level >= xkb_keymap_num_levels_for_key(keymap, key, group))
                    continue;
                const xkb_keysym_t *syms = nullptr;
                const int n = xkb_keymap_key_get_syms_by_level(keymap, key, group, level, &syms);
                for (int i = 0; i < n; ++i) {
                    const char32_t ch = xkb_keysym_to_utf32(syms[i]);
                    if (ch != 0 && !out.contains(ch))
                        out.insert(ch, syms[i]);
                }
            }
        }
        xkb_keymap_unref(keymap);
    }
    xkb_context_unref(context);
    return out;
}

// The characters with no key in `keysyms`, each once, in their order;
// none when the layout is not known (no keysyms at all).
QVector<char32_t> Missing(const QVector<char32_t> &characters, const QHash<char32_t, quint32> &keysyms)
{
    QVector<char32_t> missing;
    if (keysyms.isEmpty())
        return missing;
    for (const char32_t ch : characters) {
        if (KeysymOfControl(ch) == 0 && !keysyms.contains(ch) && !missing.contains(ch))
            missing.append(ch);
    }
    return missing;
}

// A character as the user reads it; one that shows nothing by its code.
QString Shown(char32_t ch)
{
    const QString text = QString::fromUcs4(&ch, 1);
    if (text.size() == 1 && !text.at(0).isPrint())
        return QStringLiteral("U+") + QString::number(uint(ch), 16).toUpper().rightJustified(4, QLatin1Char('0'));
    return text;
}

}  // namespace

// The D-Bus side: requests and their answers, the session and its end.
class PortalKeyboard::Impl : public QObject, protected QDBusContext {
    Q_OBJECT

public:
    enum class Outcome { Granted, Refused, Ended, NoAnswer, Cancelled, Failed };

    explicit Impl(const QDBusConnection &bus) : Bus(bus) {}

    QDBusConnection Bus;
    uint InterfaceVersion = 0;
    QString SessionHandle;  // empty: no session open
    bool Started = false;   // the session may type (Start granted)
    bool Fresh = false;     // no key sent in this session yet
    bool Stopped = false;
    bool Typing = false;
    bool Asking = false;
    QString Why;
    QHash<char32_t, quint32> Keysyms;  // of the layout in use this run
    QSet<quint32> Held;

    // The answer being waited for.
    QString RequestPath;
    bool Answered = false;
    uint Code = 0;
    QVariantMap Results;
    QEventLoop *Loop = nullptr;
    bool CancelRequested = false;

    struct Answer {
        Outcome Result = Outcome::Failed;
        QVariantMap Results;
        QString Error;
    };

    void Listen(const QString &path, bool on)
    {
        if (on)
            Bus.connect(Service, path, Request, QStringLiteral("Response"), this, SLOT(Response(uint, QVariantMap)));
        else
            Bus.disconnect(Service, path, Request, QStringLiteral("Response"), this, SLOT(Response(uint, QVariantMap)));
    }

    // Calls a method that answers through a request object, listening for
    // the answer before the call (it may come at once), and waits for it
    // with the event loop running, at most `timeoutMs`.
    Answer Ask(const QString &method, QVariantList arguments, QVariantMap options, int timeoutMs)
    {
        const QString token = portal::NewToken();
        options.insert(QStringLiteral("handle_token"), token);
        arguments.append(options);
        RequestPath = portal::RequestPath(Bus, token);
        Answered = false;
        CancelRequested = false;
        Listen(RequestPath, true);
        QDBusMessage call = QDBusMessage::createMethodCall(Service, DesktopPath, RemoteDesktop, method);
        call.setArguments(arguments);
        const QDBusMessage reply = Bus.call(call, QDBus::Block, CallTimeoutMs);
        Answer answer;
        if (reply.type() != QDBusMessage::ReplyMessage) {
            Listen(RequestPath, false);
            answer.Error = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
            return answer;
        }
        // Portals older than the handle_token convention pick a path of
        // their own.
        const QString handle = reply.arguments().value(0).value<QDBusObjectPath>().path();
        if (!handle.isEmpty() && handle != RequestPath) {
            Listen(RequestPath, false);
            RequestPath = handle;
            Listen(RequestPath, true);
        }
        if (!Answered) {
            QEventLoop loop;
            QTimer timer;
            timer.setSingleShot(true);
            connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
            timer.start(timeoutMs);
            Loop = &loop;
            loop.exec();
            Loop = nullptr;
        }
        Listen(RequestPath, false);
        if (!Answered) {
            // Takes the dialog away, if there is one.
            Bus.call(QDBusMessage::createMethodCall(Service, RequestPath, Request, QStringLiteral("Close")),
                     QDBus::NoBlock);
            answer.Result = CancelRequested ? Outcome::Cancelled : Outcome::NoAnswer;
            return answer;
        }
        answer.Results = Results;
        answer.Result = Code == 0 ? Outcome::Granted : Code == 1 ? Outcome::Refused : Outcome::Ended;
        return answer;
    }

    void Cancel()
    {
        CancelRequested = true;
        if (Loop)
            Loop->quit();
    }

    QString Describe(const Answer &a, int timeoutMs) const
    {
        switch (a.Result) {
        case Outcome::Granted: return QString();
        case Outcome::Refused: return RefusedText();
        case Outcome::Ended: return EndedText();
        case Outcome::NoAnswer: return NoAnswerText(timeoutMs);
        case Outcome::Cancelled: return CancelledText();
        case Outcome::Failed: break;
        }
        return QStringLiteral("Type It In could not ask the desktop for the permission to type (%1), so nothing was "
                              "typed.\nPress Type again to try once more.")
            .arg(a.Error);
    }

    QString StoredToken(const std::function<QString()> &restore) const
    {
        return InterfaceVersion >= 2 && restore ? restore() : QString();
    }

    // CreateSession, SelectDevices (the keyboard) and Start, which shows the
    // permission dialog. False with Why set when there is no session after it.
    bool Open(const std::function<QString()> &restore, const std::function<void(const QString &)> &keep,
              int permissionTimeoutMs)
    {
        if (Started)
            return true;
        QVariantMap create{{QStringLiteral("session_handle_token"), portal::NewToken()}};
        Answer a = Ask(QStringLiteral("CreateSession"), {}, create, AnswerWaitMs);
        if (a.Result != Outcome::Granted) {
            Why = Describe(a, AnswerWaitMs);
            return false;
        }
        const QString session = portal::SessionHandle(a.Results.value(QStringLiteral("session_handle")));
        if (session.isEmpty()) {
            Why = Describe(Answer{Outcome::Failed, {}, QStringLiteral("no session")}, 0);
            return false;
        }
        Bus.connect(Service, session, Session, QStringLiteral("Closed"), this, SLOT(SessionClosed()));
        SessionHandle = session;

        QVariantMap select{{QStringLiteral("types"), KeyboardDevice}};
        if (InterfaceVersion >= 2) {
            select.insert(QStringLiteral("persist_mode"), PersistUntilRevoked);
            const QString token = StoredToken(restore);
            if (!token.isEmpty())
                select.insert(QStringLiteral("restore_token"), token);
        }
        a = Ask(QStringLiteral("SelectDevices"), {QVariant::fromValue(QDBusObjectPath(session))}, select,
                AnswerWaitMs);
        int waited = AnswerWaitMs;
        if (a.Result == Outcome::Granted) {
            a = Ask(QStringLiteral("Start"), {QVariant::fromValue(QDBusObjectPath(session)), QString()}, {},
                    permissionTimeoutMs);
            waited = permissionTimeoutMs;
        }
        if (a.Result == Outcome::Granted && !(a.Results.value(QStringLiteral("devices")).toUInt() & KeyboardDevice))
            a.Result = Outcome::Refused;  // a session without the keyboard
        if (a.Result == Outcome::Granted && SessionHandle.isEmpty())
            a.Result = Outcome::Ended;  // closed while the user was asked
        if (a.Result != Outcome::Granted) {
            Why = Describe(a, waited);
            Close();
            return false;
        }
        const QString token = a.Results.value(QStringLiteral("restore_token")).toString();
        if (InterfaceVersion >= 2 && !token.isEmpty() && keep)
            keep(token);
        Fresh = true;
        Started = true;
        return true;
    }

    void Close()
    {
        if (SessionHandle.isEmpty())
            return;
        Bus.disconnect(Service, SessionHandle, Session, QStringLiteral("Closed"), this, SLOT(SessionClosed()));
        Bus.call(QDBusMessage::createMethodCall(Service, SessionHandle, Session, QStringLiteral("Close")),
                 QDBus::NoBlock);
        SessionHandle.clear();
        Started = false;
        Held.clear();
    }

    // The session ended under the keys: typing stops for the rest of the run
    // and the next run asks again.
    void Lost()
    {
        if (!SessionHandle.isEmpty())
            Bus.disconnect(Service, SessionHandle, Session, QStringLiteral("Closed"), this, SLOT(SessionClosed()));
        SessionHandle.clear();
        Started = false;
        Held.clear();
        if (Typing && !Stopped) {
            Stopped = true;
            Why = ClosedText();
        }
    }

    void Key(quint32 keysym, bool down)
    {
        if (!Started || Stopped || keysym == 0)
            return;
        QDBusMessage call =
            QDBusMessage::createMethodCall(Service, DesktopPath, RemoteDesktop, QStringLiteral("NotifyKeyboardKeysym"));
        call.setArguments({QVariant::fromValue(QDBusObjectPath(SessionHandle)), QVariantMap(), int(keysym),
                           uint(down ? 1 : 0)});
        const QDBusMessage reply = Bus.call(call, QDBus::Block, CallTimeoutMs);
        if (reply.type() != QDBusMessage::ReplyMessage) {
            Lost();
            return;
        }
        if (down)
            Held.insert(keysym);
        else
            Held.remove(keysym);
    }

    void Pause(int ms)
    {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }

public Q_SLOTS:
    void Response(uint code, const QVariantMap &results)
    {
        if (calledFromDBus() && message().path() != RequestPath)
            return;
        Answered = true;
        Code = code;
        Results = results;
        if (Loop)
            Loop->quit();
    }

    void SessionClosed()
    {
        if (calledFromDBus() && message().path() != SessionHandle)
            return;
        Lost();
    }
};

PortalKeyboard::PortalKeyboard(const QDBusConnection &bus) : d(std::make_unique<Impl>(bus))
{
    if (!d->Bus.isConnected())
        return;
    QDBusMessage get = QDBusMessage::createMethodCall(Service, DesktopPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get.setArguments({RemoteDesktop, QStringLiteral("version")});
    const QDBusMessage reply = d->Bus.call(get, QDBus::Block, CallTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        d->InterfaceVersion = reply.arguments().value(0).value<QDBusVariant>().variant().toUInt();
}

PortalKeyboard::~PortalKeyboard()
{
    d->Close();
}

void PortalKeyboard::CancelWaiting()
{
    d->Cancel();
}

uint PortalKeyboard::Version() const
{
    return d->InterfaceVersion;
}

bool PortalKeyboard::Available() const
{
    return d->InterfaceVersion > 0;
}

QString PortalKeyboard::Problem() const
{
    return Available() ? d->Why : WaylandKeyboard::NoProtocolText();
}

bool PortalKeyboard::GetReady()
{
    d->Why.clear();
    d->Stopped = false;
    if (!Available())
        return false;
    if (d->Asking) {
        d->Why = StillAskingText();
        return false;
    }
    d->Asking = true;
    const bool ready = d->Open(RestoreToken, KeepRestoreToken, PermissionTimeoutMs);
    d->Asking = false;
    if (ready)
        d->Why.clear();  // what a Type pressed meanwhile was told
    return ready;
}

bool PortalKeyboard::BringToFront(quint64)
{
    return d->Started || GetReady();
}

void PortalKeyboard::Prepare(const QVector<char32_t> &characters)
{
    d->Stopped = false;
    d->Why.clear();
    d->Typing = true;
    // The harmless key comes first: on a desktop without a keyboard of its
    // own the seat has one (and a layout to read) only once the session's
    // keyboard has been used.
    if (d->Fresh && d->Started) {
        d->Fresh = false;
        d->Key(ShiftL, true);
        d->Key(ShiftL, false);
        d->Pause(WarmUpMs);
    }
    const KeyboardLayout layout = Layout ? Layout() : KeyboardLayout();
    d->Keysyms = layout.Keymap.isEmpty() ? QHash<char32_t, quint32>() : LayoutKeysyms(layout);
    const QVector<char32_t> missing = Missing(characters, d->Keysyms);
    if (!missing.isEmpty() && !d->Stopped) {
        d->Stopped = true;
        d->Why = NotOnLayoutText(missing);
    }
}

void PortalKeyboard::KeyEvent(int virtualKey, bool down)
{
    d->Key(KeysymOfKey(virtualKey), down);
}

void PortalKeyboard::TypeUnmapped(char32_t ch)
{
    quint32 keysym = KeysymOfControl(ch);
    if (keysym == 0)
        keysym = d->Keysyms.value(ch, 0);
    if (keysym == 0)
        keysym = xkb_utf32_to_keysym(ch);
    d->Key(keysym, true);
    d->Key(keysym, false);
}

bool PortalKeyboard::Interrupted() const
{
    return d->Stopped;
}

void PortalKeyboard::FinishTyping()
{
    const QSet<quint32> held = d->Held;
    for (const quint32 keysym : held)
        d->Key(keysym, false);
    d->Typing = false;
    d->Keysyms.clear();
}

QVector<char32_t> PortalKeyboard::NotOnLayout(const QVector<char32_t> &characters, const KeyboardLayout &layout)
{
    return Missing(characters, layout.Keymap.isEmpty() ? QHash<char32_t, quint32>() : LayoutKeysyms(layout));
}

QString PortalKeyboard::RefusedText()
{
    return QStringLiteral("Type It In may not type into the window you came from: the desktop's permission to "
                          "control the keyboard was not given, so nothing was typed.\nPress Type again and allow "
                          "it to let Kelpo type.");
}

QString PortalKeyboard::EndedText()
{
    return QStringLiteral("The desktop turned down Type It In's request to type into the window you came from, so "
                          "nothing was typed.\nPress Type again to ask once more.");
}

QString PortalKeyboard::NoAnswerText(int timeoutMs)
{
    const int seconds = (timeoutMs + 999) / 1000;
    const QString wait = seconds >= 120 ? QStringLiteral("%1 minutes").arg(seconds / 60)
                         : seconds == 1 ? QStringLiteral("a second")
                                        : QStringLiteral("%1 seconds").arg(seconds);
    return QStringLiteral("The desktop did not answer Type It In's request to type into the window you came from "
                          "within %1, so nothing was typed.\nPress Type again to ask once more.")
        .arg(wait);
}

QString PortalKeyboard::CancelledText()
{
    return QStringLiteral("Type It In stopped waiting for the desktop's permission to type, so nothing was "
                          "typed.\nPress Type again to ask once more.");
}

QString PortalKeyboard::StillAskingText()
{
    return QStringLiteral("Type It In is still waiting for the desktop's permission to type.\nAnswer the "
                          "desktop's question first.");
}

QString PortalKeyboard::ClosedText()
{
    return QStringLiteral("Typing stopped because the desktop ended Type It In's permission to type, so the text "
                          "may be incomplete.\nCheck the form, then press Type again: the desktop will ask for "
                          "the permission again.");
}

QString PortalKeyboard::NotOnLayoutText(const QVector<char32_t> &missing)
{
    QStringList shown;
    for (const char32_t ch : missing)
        shown << Shown(ch);
    return QStringLiteral("Type It In cannot type %1 into this window: the keyboard layout in use has no key for "
                          "%2, and this desktop types only what the layout has. Nothing was typed.\nSwitch to a "
                          "layout that has %2, or type %3 yourself.")
        .arg(shown.join(QLatin1Char(' ')),
             missing.size() == 1 ? QStringLiteral("it") : QStringLiteral("them"),
             missing.size() == 1 ? QStringLiteral("it") : QStringLiteral("them"));
}

}  // namespace kelpo

#include "PortalKeyboard.moc"
