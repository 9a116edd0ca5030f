#include "WaylandKeyboard.h"

#include "VirtualKeymap.h"

#include <QElapsedTimer>
#include <QThread>

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

#include <wayland-client.h>

#include "virtual-keyboard-unstable-v1-client-protocol.h"

namespace kelpo {

namespace {

// Each press and each release waits until the compositor has handled it and
// then this long more, so that the receiving window keeps up: a window that
// falls too far behind would be cut off by the compositor.
constexpr int KeyPauseMs = 1;

// Modifier masks of the keymap: the real modifiers Shift, Control and Mod1.
constexpr uint32_t ShiftMask = 1u << 0;
constexpr uint32_t ControlMask = 1u << 2;
constexpr uint32_t AltMask = 1u << 3;

}  // namespace

struct WaylandKeyboard::Impl {
    wl_display *Display = nullptr;
    wl_registry *Registry = nullptr;
    wl_seat *Seat = nullptr;
    zwp_virtual_keyboard_manager_v1 *Manager = nullptr;
    zwp_virtual_keyboard_v1 *Keyboard = nullptr;
    QString Why;

    QElapsedTimer Clock;
    uint32_t Modifiers = 0;
    QVector<char32_t> Sequence;  // the run's characters, from Prepare
    int Next = 0;                // where in Sequence the typing is
    bool HasKeymap = false;
    VirtualKeymap Keymap;

    static void Global(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t version)
    {
        auto *self = static_cast<Impl *>(data);
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->Seat) {
            self->Seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0 && !self->Manager) {
            self->Manager = static_cast<zwp_virtual_keyboard_manager_v1 *>(
                wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
        }
        Q_UNUSED(version)
    }
    static void GlobalRemove(void *, wl_registry *, uint32_t) {}

    explicit Impl(const QString &displayName)
    {
        Clock.start();
        const QByteArray name = displayName.toLocal8Bit();
        Display = wl_display_connect(displayName.isEmpty() ? nullptr : name.constData());
        if (!Display) {
            Why = NoProtocolText();
            return;
        }
        static const wl_registry_listener listener = {&Impl::Global, &Impl::GlobalRemove};
        Registry = wl_display_get_registry(Display);
        wl_registry_add_listener(Registry, &listener, this);
        if (wl_display_roundtrip(Display) < 0 || !Seat || !Manager) {
            Why = NoProtocolText();
            Close();
            return;
        }
        Keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(Manager, Seat);
        // A compositor that does not let this program have a keyboard ends
        // the connection with an error.
        if (!Sync()) {
            Why = NoProtocolText();
            Close();
        }
    }

    ~Impl() { Close(); }

    void Close()
    {
        if (!Display)
            return;
        if (Keyboard)
            zwp_virtual_keyboard_v1_destroy(Keyboard);
        if (Manager)
            zwp_virtual_keyboard_manager_v1_destroy(Manager);
        if (Seat)
            wl_seat_destroy(Seat);
        if (Registry)
            wl_registry_destroy(Registry);
        wl_display_roundtrip(Display);
        wl_display_disconnect(Display);
        Keyboard = nullptr;
        Manager = nullptr;
        Seat = nullptr;
        Registry = nullptr;
        Display = nullptr;
    }

    // Waits until the compositor has handled every request so far; false
    // when the connection is broken.
    bool Sync()
    {
        if (!Display)
            return false;
        if (wl_display_roundtrip(Display) >= 0 && wl_display_get_error(Display) == 0)
            return true;
        Why = QStringLiteral("Type It In lost its connection to the desktop while typing, so the text may be "
                             "incomplete.\nCheck the form, then press Type again.");
        Close();
        return false;
    }

    bool Upload(const VirtualKeymap &keymap)
    {
        const QByteArray text = keymap.Text();
        if (text.isEmpty() || !Display)
            return false;
        const int fd = memfd_create("kelpo-keymap", MFD_CLOEXEC);
        if (fd < 0)
            return false;
        // The compositor reads the keymap with its terminating zero.
        const qsizetype size = text.size() + 1;
        bool written = true;
        for (qsizetype done = 0; written && done < size;) {
            const ssize_t n = write(fd, text.constData() + done, size_t(size - done));
            written = n > 0;
            done += n > 0 ? n : 0;
        }
        if (written)
            zwp_virtual_keyboard_v1_keymap(Keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, uint32_t(size));
        close(fd);
        if (!written || !Sync())
            return false;
        Keymap = keymap;
        HasKeymap = true;
        zwp_virtual_keyboard_v1_modifiers(Keyboard, Modifiers, 0, 0, 0);
        QThread::msleep(KeymapSettleMs);
        return Sync();
    }

    void Key(int keycode, bool down)
    {
        if (!Display || keycode == 0)
            return;
        zwp_virtual_keyboard_v1_key(Keyboard, uint32_t(Clock.elapsed()), uint32_t(keycode - VirtualKeymap::MinKeycode),
                                    down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
        if (Sync())
            QThread::msleep(KeyPauseMs);
    }

    void SetModifiers(uint32_t mask, bool on)
    {
        const uint32_t now = on ? (Modifiers | mask) : (Modifiers & ~mask);
        if (now == Modifiers || !Display)
            return;
        Modifiers = now;
        zwp_virtual_keyboard_v1_modifiers(Keyboard, Modifiers, 0, 0, 0);
        Sync();
    }
};

WaylandKeyboard::WaylandKeyboard() : d(std::make_unique<Impl>(QString())) {}

WaylandKeyboard::WaylandKeyboard(const QString &displayName) : d(std::make_unique<Impl>(displayName)) {}

WaylandKeyboard::~WaylandKeyboard() = default;

QString WaylandKeyboard::NoProtocolText()
{
    return QStringLiteral(
        "Type It In cannot type into the window you came from: it is a Wayland window, and this desktop does not "
        "let programs type into Wayland windows.\nRun the browser as an X11 program, or type the text yourself.");
}

bool WaylandKeyboard::Available() const
{
    return d->Display != nullptr;
}

QString WaylandKeyboard::Problem() const
{
    return d->Why;
}

bool WaylandKeyboard::BringToFront(quint64)
{
    return Available();
}

void WaylandKeyboard::Prepare(const QVector<char32_t> &characters)
{
    d->Sequence = characters;
    d->Next = 0;
    // Every run starts with a fresh keymap and its pause, also one with only
    // fixed keys: the first key after the user's own keyboard was used goes
    // the same way as the first after an upload.
    const QVector<char32_t> first = characters.isEmpty() ? QVector<char32_t>()
                                                         : VirtualKeymap::Upcoming(characters, 0, characters.first());
    d->Upload(VirtualKeymap(first));
}

void WaylandKeyboard::KeyEvent(int virtualKey, bool down)
{
    if (!d->HasKeymap)
        return;
    switch (virtualKey) {
    case vk::Shift: d->SetModifiers(ShiftMask, down); break;
    case vk::Control: d->SetModifiers(ControlMask, down); break;
    case vk::Alt: d->SetModifiers(AltMask, down); break;
    default: d->Key(VirtualKeymap::KeycodeOfKey(virtualKey), down); break;
    }
}

void WaylandKeyboard::TypeUnmapped(char32_t ch)
{
    if (!d->Display || VirtualKeymap::KeysymOf(ch) == 0)
        return;
    // Follow the run's characters, so that a keymap change takes the ones
    // that come next.
    const int at = d->Sequence.indexOf(ch, d->Next);
    const int here = at >= 0 ? at : d->Next;
    if (at >= 0)
        d->Next = at + 1;
    if (!d->HasKeymap || d->Keymap.KeycodeOf(ch) == 0) {
        if (!d->Upload(VirtualKeymap(VirtualKeymap::Upcoming(d->Sequence, here, ch))))
            return;
    }
    const int keycode = d->Keymap.KeycodeOf(ch);
    d->Key(keycode, true);
    d->Key(keycode, false);
}

void WaylandKeyboard::FinishTyping()
{
    d->SetModifiers(ShiftMask | ControlMask | AltMask, false);
    d->Sequence.clear();
    d->Next = 0;
}

}  // namespace kelpo
