#pragma once
// A desktop-wide shortcut through the desktop portal's global shortcuts
// interface (org.freedesktop.portal.GlobalShortcuts over D-Bus): the user
// presses it in another program's window (the form in the browser) and
// Kelpo hears of it. Everything is asynchronous: asking for the shortcut
// never holds up the window, and where the desktop offers no such shortcut
// or turns it down, Problem() says so.
#include <QDBusArgument>
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace kelpo {

// One shortcut as the portal passes it: its id and its properties
// (description, preferred_trigger; trigger_description in the answer).
struct PortalShortcutEntry {
    QString Id;
    QVariantMap Properties;
};

inline QDBusArgument &operator<<(QDBusArgument &arg, const PortalShortcutEntry &e)
{
    arg.beginStructure();
    arg << e.Id << e.Properties;
    arg.endStructure();
    return arg;
}

inline const QDBusArgument &operator>>(const QDBusArgument &arg, PortalShortcutEntry &e)
{
    arg.beginStructure();
    arg >> e.Id >> e.Properties;
    arg.endStructure();
    return arg;
}

class PortalShortcut : public QObject {
    Q_OBJECT

public:
    static constexpr const char *Id = "type-it-in";
    static constexpr const char *PreferredTrigger = "CTRL+ALT+K";

    // Talks to the portal on `bus` (the session bus in the program).
    explicit PortalShortcut(const QDBusConnection &bus, QObject *parent = nullptr);
    ~PortalShortcut() override;

    // Asks the desktop for the shortcut; returns at once. Bound() or
    // ProblemChanged() follows.
    void Start();
    // True once the desktop has bound the shortcut.
    bool IsBound() const { return Bound_; }
    // The keys that press it, as the desktop describes them; empty when it
    // does not say.
    QString Trigger() const { return Trigger_; }
    // Why there is no shortcut; empty while there is one (or it is being
    // asked for).
    QString Problem() const { return Why; }

    static QString DescriptionText();
    static QString NoPortalText();
    static QString RefusedText();
    static QString FailedText(const QString &error);

Q_SIGNALS:
    void Bound();
    void ProblemChanged();
    // The user pressed the shortcut.
    void Activated();

private Q_SLOTS:
    void Response(uint code, const QVariantMap &results);
    void ShortcutActivated(const QDBusObjectPath &session, const QString &id, qulonglong timestamp,
                           const QVariantMap &options);
    void SessionClosed();

private:
    enum class Step { None, Version, Create, Bind, Done };
    void Ask(const QString &method, QVariantList arguments, QVariantMap options);
    void Fail(const QString &why);
    void Listen(bool on);
    void Bind();

    QDBusConnection Bus;
    Step Now = Step::None;
    QString RequestPath;
    QString SessionHandle;
    bool Bound_ = false;
    QString Trigger_;
    QString Why;
};

}  // namespace kelpo

Q_DECLARE_METATYPE(kelpo::PortalShortcutEntry)
