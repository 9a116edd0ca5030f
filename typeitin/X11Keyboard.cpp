#include "X11Keyboard.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QSet>
#include <QThread>
#include <QVector>
#include <QWidget>
#include <climits>

// Xlib's macros (None, Bool, Status, KeyPress...) clash with Qt names, so its
// headers come last and stay out of the header file.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

namespace kelpo {

namespace {

// Before lent keys are taken back or lent to other characters, the target
// must have handled every key typed with them: a client reads the keymap
// when it reaches a key event, not when the key was sent, and the typing may
// be well ahead of it on a busy machine. So the target is asked (window
// manager ping) whether it has caught up. How long to wait for its answer,
// and how long to wait instead when it cannot answer.
constexpr int CatchUpTimeoutMs = 3000;
constexpr int CatchUpGuessMs = 250;
// How long BringToFront waits for the window manager to hand over the focus.
constexpr int FrontTimeoutMs = 3000;

// Combinations of pressed modifiers, cheapest first: none, Shift, AltGr
// (level 3), Shift+AltGr (level 4).
constexpr unsigned ComboShift = 1;
constexpr unsigned ComboLevel3 = 2;
constexpr unsigned ComboCount = 4;

// X errors from windows that vanished between two requests are expected;
// while one of these lives they are recorded instead of ending the program.
// One at a time: they are never nested.
class ErrorTrap {
public:
    explicit ErrorTrap(Display *dpy) : Dpy(dpy)
    {
        XSync(Dpy, False);
        Failed = false;
        Previous = XSetErrorHandler(&ErrorTrap::Handler);
    }
    ~ErrorTrap()
    {
        XSync(Dpy, False);
        XSetErrorHandler(Previous);
    }
    ErrorTrap(const ErrorTrap &) = delete;
    ErrorTrap &operator=(const ErrorTrap &) = delete;

    bool Ok()
    {
        XSync(Dpy, False);
        return !Failed;
    }

private:
    static int Handler(Display *, XErrorEvent *)
    {
        Failed = true;
        return 0;
    }
    static bool Failed;
    Display *Dpy;
    XErrorHandler Previous;
};

bool ErrorTrap::Failed = false;

// The keysym a lent key gets for a character. Legacy keysyms are used only
// where they are the code point itself (Latin-1, a few currency signs) or a
// function key (a line feed is Return): Xlib and xkbcommon read more than a
// hundred of the other legacy keysyms as different characters (xkbcommon's
// keysym for "✗" is "☒" to Xlib), while the Unicode keysym (0x1000000 plus
// the code point) means the same character to all of them.
KeySym KeysymFor(char32_t ch)
{
    if (ch == U'\n')
        return XK_Return;
    const xkb_keysym_t sym = xkb_utf32_to_keysym(ch);
    if (sym == XKB_KEY_NoSymbol)
        return NoSymbol;
    if (sym == ch || (sym >= 0xff00 && sym <= 0xffff) || sym >= 0x1000000)
        return sym;
    return 0x1000000 + ch;
}

}  // namespace

struct X11Keyboard::Impl {
    // Where a keysym sits: its key and the modifier combination that
    // reaches its level. Lower rank is preferred.
    struct Place {
        KeyCode Code = 0;
        unsigned Combo = 0;
        int Rank = INT_MAX;
    };

    Display *Dpy = nullptr;
    QString Why;
    int XkbEventType = -1;
    bool Stale = true;

    // The keymap as last read from the server, with the keys lent since
    // changed in place: the lookup tables below come from it, and keys are
    // lent by sending parts of it back.
    XkbDescPtr Desc = nullptr;
    QHash<char32_t, Place> ByChar;
    QHash<KeySym, Place> BySym;
    KeyCode Level3Key = 0;
    unsigned Level3Mask = 0;
    unsigned Locked = 0;  // locked modifiers (Caps Lock, Num Lock)
    QVector<KeyCode> SpareKeys;  // keycodes the layout leaves without any symbol (lent ones included), highest first
    QHash<KeyCode, XkbSymMapRec> SpareEntry;  // such a key's entry as the layout has it

    // Letter and digit virtual keys as the last KeyScan placed them.
    QHash<int, KeyCode> LetterKeys;

    // Modifier state as the player sees it, and what was really pressed.
    bool CtrlHeld = false;
    KeyCode CtrlPressed = 0;
    KeyCode AltPressed = 0;
    bool AltGr = false;  // AltPressed is the level-3 shift key standing for Ctrl+Alt

    // Slots of spare keys (see SlotOf) lent to characters no key produces,
    // and how lent keys are set up.
    int LentLevels = 1;
    int LentGroups = 1;
    int LentType = XkbOneLevelIndex;
    // The layout group this keyboard locked to type with a lent key's
    // group; 0 when it locked none.
    int LockedGroup = 0;
    QHash<KeySym, int> Lent;
    QHash<int, KeySym> LentTo;
    // Lent slots typed since the target last caught up.
    QSet<int> Typed;
    // The keysyms of the keyless characters the current run will type, in
    // order, and how many of them were typed.
    QVector<KeySym> Plan;
    int PlanDone = 0;

    Atom NetActiveWindow = 0;
    Atom NetWmCheck = 0;
    Atom WmProtocols = 0;
    Atom NetWmPing = 0;
    long PingToken = 0;
    Window TypingWindow = 0;  // the window last brought to the front

    explicit Impl(const QString &displayName)
    {
        const QByteArray name = displayName.toLocal8Bit();
        Dpy = XOpenDisplay(displayName.isEmpty() ? nullptr : name.constData());
        if (!Dpy) {
            Why = X11Keyboard::NoServerText();
            return;
        }
        int event = 0, error = 0, major = 0, minor = 0, opcode = 0;
        if (!XTestQueryExtension(Dpy, &event, &error, &major, &minor)) {
            Why = QStringLiteral("Type It In needs the XTest extension of the X server, which this server does not offer.");
            Close();
            return;
        }
        major = XkbMajorVersion;
        minor = XkbMinorVersion;
        if (!XkbQueryExtension(Dpy, &opcode, &event, &error, &major, &minor)) {
            Why = QStringLiteral("Type It In needs the keyboard extension (XKB) of the X server, which this server does not offer.");
            Close();
            return;
        }
        XkbEventType = event;
        const unsigned long mapEvents = XkbMapNotifyMask | XkbNewKeyboardNotifyMask;
        XkbSelectEvents(Dpy, XkbUseCoreKbd, mapEvents, mapEvents);
        const unsigned long stateEvents = XkbGroupStateMask | XkbModifierLockMask;
        XkbSelectEventDetails(Dpy, XkbUseCoreKbd, XkbStateNotify, stateEvents, stateEvents);
        NetActiveWindow = XInternAtom(Dpy, "_NET_ACTIVE_WINDOW", False);
        NetWmCheck = XInternAtom(Dpy, "_NET_SUPPORTING_WM_CHECK", False);
        WmProtocols = XInternAtom(Dpy, "WM_PROTOCOLS", False);
        NetWmPing = XInternAtom(Dpy, "_NET_WM_PING", False);
    }

    ~Impl()
    {
        if (!Dpy)
            return;
        ReleaseModifiers();
        GiveBackKeys();
        Close();
    }

    void FreeDesc()
    {
        if (Desc)
            XkbFreeKeyboard(Desc, 0, True);
        Desc = nullptr;
    }

    void Close()
    {
        FreeDesc();
        XCloseDisplay(Dpy);
        Dpy = nullptr;
    }

    Window Root() const { return DefaultRootWindow(Dpy); }

    // ----- windows -----

    // A window-valued property, 0 when absent or unreadable.
    Window WindowProperty(Window w, Atom property)
    {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char *data = nullptr;
        Window value = 0;
        if (XGetWindowProperty(Dpy, w, property, 0, 1, False, XA_WINDOW, &type, &format, &count, &after, &data) == Success
            && type == XA_WINDOW && format == 32 && count == 1 && data)
            value = static_cast<Window>(*reinterpret_cast<unsigned long *>(data));
        if (data)
            XFree(data);
        return value;
    }

    // Is a window manager running that keeps _NET_ACTIVE_WINDOW? Its check
    // window names itself; a stale property left by a manager that quit
    // points to a window that is gone.
    bool WindowManagerRuns()
    {
        ErrorTrap trap(Dpy);
        const Window check = WindowProperty(Root(), NetWmCheck);
        return check != 0 && WindowProperty(check, NetWmCheck) == check && trap.Ok();
    }

    Window ParentOf(Window w)
    {
        Window root = 0, parent = 0;
        Window *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(Dpy, w, &root, &parent, &children, &count))
            return 0;
        if (children)
            XFree(children);
        return parent;
    }

    Window FocusWindow()
    {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(Dpy, &focus, &revert);
        return focus == PointerRoot ? 0 : focus;
    }

    // The input focus walked up to its top-level window.
    Window FocusTopLevel()
    {
        ErrorTrap trap(Dpy);
        Window w = FocusWindow();
        const Window root = Root();
        while (w != 0 && w != root) {
            const Window parent = ParentOf(w);
            if (parent == 0 || parent == root)
                break;
            w = parent;
        }
        return trap.Ok() && w != root ? w : 0;
    }

    bool FocusInside(Window top)
    {
        ErrorTrap trap(Dpy);
        const Window root = Root();
        for (Window w = FocusWindow(); w != 0 && w != root; w = ParentOf(w))
            if (w == top)
                return trap.Ok();
        return false;
    }

    Window Foreground()
    {
        if (WindowManagerRuns()) {
            ErrorTrap trap(Dpy);
            const Window active = WindowProperty(Root(), NetActiveWindow);
            return trap.Ok() ? active : 0;
        }
        return FocusTopLevel();
    }

    bool Exists(Window w)
    {
        ErrorTrap trap(Dpy);
        XWindowAttributes attrs{};
        return XGetWindowAttributes(Dpy, w, &attrs) && trap.Ok();
    }

    bool Activate(Window w)
    {
        TypingWindow = w;
        // A window that was closed cannot come to the front: no use waiting.
        if (!Exists(w))
            return false;
        const bool managed = WindowManagerRuns();
        {
            ErrorTrap trap(Dpy);
            if (managed) {
                XEvent ev{};
                ev.xclient.type = ClientMessage;
                ev.xclient.window = w;
                ev.xclient.message_type = NetActiveWindow;
                ev.xclient.format = 32;
                ev.xclient.data.l[0] = 2;  // the request comes from a pager-like tool: always honoured
                ev.xclient.data.l[1] = CurrentTime;
                ev.xclient.data.l[2] = 0;
                XSendEvent(Dpy, Root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
            } else {
                XRaiseWindow(Dpy, w);
                XSetInputFocus(Dpy, w, RevertToParent, CurrentTime);
            }
            if (!trap.Ok())
                return false;
        }
        // The window manager acts on its own time: wait until it has.
        const QDeadlineTimer deadline(FrontTimeoutMs);
        for (;;) {
            if ((!managed || Foreground() == w) && FocusInside(w))
                return true;
            if (deadline.hasExpired())
                return false;
            QThread::msleep(5);
        }
    }

    bool AnswersPing(Window w)
    {
        ErrorTrap trap(Dpy);
        Atom *protocols = nullptr;
        int count = 0;
        bool found = false;
        if (XGetWMProtocols(Dpy, w, &protocols, &count)) {
            for (int i = 0; i < count; ++i)
                found = found || protocols[i] == NetWmPing;
            XFree(protocols);
        }
        return trap.Ok() && found;
    }

    // Waits until the client owning `w` has handled every event sent to it
    // before now: it answers a ping only after those. False when it cannot
    // tell (no such window, no ping support, no answer in time).
    bool WaitUntilCaughtUp(Window w)
    {
        if (w == 0 || !AnswersPing(w))
            return false;
        const Window root = Root();
        XWindowAttributes attrs{};
        if (!XGetWindowAttributes(Dpy, root, &attrs))
            return false;
        // Answers go to the root window; listen there while waiting.
        XSelectInput(Dpy, root, attrs.your_event_mask | StructureNotifyMask | SubstructureNotifyMask);
        const long token = ++PingToken;
        XEvent ping{};
        ping.xclient.type = ClientMessage;
        ping.xclient.window = w;
        ping.xclient.message_type = WmProtocols;
        ping.xclient.format = 32;
        ping.xclient.data.l[0] = long(NetWmPing);
        ping.xclient.data.l[1] = token;
        ping.xclient.data.l[2] = long(w);
        bool answered = false;
        {
            ErrorTrap trap(Dpy);
            XSendEvent(Dpy, w, False, NoEventMask, &ping);
            if (trap.Ok()) {
                const QDeadlineTimer deadline(CatchUpTimeoutMs);
                while (!answered && !deadline.hasExpired()) {
                    while (!answered && XPending(Dpy)) {
                        XEvent ev;
                        XNextEvent(Dpy, &ev);
                        if (ev.type == ClientMessage && ev.xclient.message_type == WmProtocols
                                 && Atom(ev.xclient.data.l[0]) == NetWmPing && ev.xclient.data.l[1] == token
                                 && Window(ev.xclient.data.l[2]) == w)
                            answered = true;
                        else
                            Note(ev);
                    }
                    if (!answered)
                        QThread::msleep(2);
                }
            }
        }
        XSelectInput(Dpy, root, attrs.your_event_mask);
        return answered;
    }

    void WaitForTarget()
    {
        if (!WaitUntilCaughtUp(TypingWindow))
            QThread::msleep(CatchUpGuessMs);
    }

    // ----- keymap -----

    // Keymap and layout changes make the lookup tables stale, except the
    // notices of a change of our own to the keys `ownFirst` to `ownLast`.
    void Note(XEvent &ev, int ownFirst = 1, int ownLast = 0)
    {
        const auto ours = [&](int first, int count) {
            return count == 0 || (first >= ownFirst && first + count - 1 <= ownLast);
        };
        if (ev.type == MappingNotify) {
            const XMappingEvent &m = ev.xmapping;
            if (!(m.request == MappingKeyboard && ours(m.first_keycode, m.count)))
                Stale = true;
        } else if (ev.type == XkbEventType) {
            const auto &xkb = reinterpret_cast<const XkbEvent &>(ev);
            // With a layout of one group every group types the same with
            // the layout's keys: the group locks of lent keys change nothing
            // the tables hold.
            if (xkb.any.xkb_type == XkbStateNotify && LentGroups > 1 && !(xkb.state.changed & XkbModifierLockMask))
                return;
            if (xkb.any.xkb_type != XkbMapNotify) {
                Stale = true;
                return;
            }
            // Lending keys changes their symbols, and the server derives
            // their actions and virtual modifiers from those anew.
            const XkbMapNotifyEvent &m = xkb.map;
            const unsigned lending = XkbKeySymsMask | XkbKeyActionsMask | XkbKeyBehaviorsMask | XkbVirtualModMapMask
                                     | XkbExplicitComponentsMask | XkbModifierMapMask;
            if ((m.changed & ~lending) || !ours(m.first_key_sym, m.num_key_syms)
                || !ours(m.first_key_act, m.num_key_acts) || !ours(m.first_key_behavior, m.num_key_behaviors)
                || !ours(m.first_key_explicit, m.num_key_explicit) || !ours(m.first_modmap_key, m.num_modmap_keys)
                || !ours(m.first_vmodmap_key, m.num_vmodmap_keys))
                Stale = true;
        }
    }

    void Pump()
    {
        while (XPending(Dpy)) {
            XEvent ev;
            XNextEvent(Dpy, &ev);
            Note(ev);
        }
        if (Stale)
            Refresh();
    }

    static int EffectiveGroup(XkbDescPtr desc, int kc, int group)
    {
        const int groups = XkbKeyNumGroups(desc, kc);
        if (groups == 0)
            return -1;
        if (group < groups)
            return group;
        const unsigned char info = XkbKeyGroupInfo(desc, kc);
        switch (XkbOutOfRangeGroupAction(info)) {
        case XkbClampIntoRange:
            return groups - 1;
        case XkbRedirectIntoRange: {
            const int g = XkbOutOfRangeGroupNumber(info);
            return g < groups ? g : 0;
        }
        default:
            return group % groups;
        }
    }

    static int LevelFor(const XkbKeyTypeRec *type, unsigned mods)
    {
        const unsigned relevant = mods & type->mods.mask;
        for (int i = 0; i < type->map_count; ++i) {
            const XkbKTMapEntryRec &e = type->map[i];
            if (e.active && e.mods.mask == relevant)
                return e.level;
        }
        return 0;
    }

    // Reads the keymap and the active layout group into the lookup tables.
    // Keys still lent (a change by someone else can come while typing) stay
    // out of the tables, as keys without symbols do.
    void Refresh()
    {
        Stale = false;
        ByChar.clear();
        BySym.clear();
        SpareKeys.clear();
        Level3Key = 0;
        Level3Mask = 0;
        FreeDesc();
        XkbStateRec state{};
        XkbGetState(Dpy, XkbUseCoreKbd, &state);
        Desc = XkbGetMap(Dpy, XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask, XkbUseCoreKbd);
        if (!Desc || !Desc->map) {
            FreeDesc();
            Lent.clear();
            LentTo.clear();
            return;
        }
        XkbDescPtr desc = Desc;
        const int group = state.group;
        const unsigned locked = state.locked_mods;
        Locked = locked;

        for (int kc = desc->min_key_code; kc <= desc->max_key_code; ++kc) {
            const int g = EffectiveGroup(desc, kc, group);
            if (g >= 0 && XkbKeyGroupWidth(desc, kc, g) > 0 && XkbKeySymEntry(desc, kc, 0, g) == XK_ISO_Level3_Shift) {
                Level3Key = KeyCode(kc);
                Level3Mask = desc->map->modmap[kc];
                if (Level3Mask)
                    break;
            }
        }
        if (Level3Key && !Level3Mask)
            Level3Mask = Mod5Mask;

        for (int kc = desc->max_key_code; kc >= desc->min_key_code; --kc) {
            if (IsLent(KeyCode(kc))) {
                if (IsLentAsBefore(KeyCode(kc))) {
                    SpareKeys.append(KeyCode(kc));
                    continue;
                }
                for (int slot = SlotOf(KeyCode(kc), 0, 0); slot < SlotOf(KeyCode(kc), 0, 0) + SlotsPerKey; ++slot)
                    Lent.remove(LentTo.take(slot));
            }
            const int g = EffectiveGroup(desc, kc, group);
            if (g < 0) {
                if (XkbKeyNumSyms(desc, kc) == 0) {
                    SpareKeys.append(KeyCode(kc));
                    SpareEntry.insert(KeyCode(kc), desc->map->key_sym_map[kc]);
                }
                continue;
            }
            XkbKeyTypePtr type = XkbKeyKeyType(desc, kc, g);
            const int width = XkbKeyGroupWidth(desc, kc, g);
            for (unsigned combo = 0; combo < ComboCount; ++combo) {
                if ((combo & ComboLevel3) && !Level3Key)
                    continue;
                const int level = LevelFor(type, ComboMods(combo) | locked);
                if (level >= width)
                    continue;
                const KeySym sym = XkbKeySymEntry(desc, kc, level, g);
                if (sym == NoSymbol)
                    continue;
                // Keypad keys come last: they depend on Num Lock and send
                // keypad keys rather than the plain characters.
                const int rank = int(combo) + (IsKeypadKey(sym) ? int(ComboCount) : 0);
                // Scanning keycodes downwards with "<=" lets the lowest
                // keycode win among equals.
                Place &bySym = BySym[sym];
                if (rank <= bySym.Rank)
                    bySym = {KeyCode(kc), combo, rank};
                if (const char32_t cp = xkb_keysym_to_utf32(sym)) {
                    Place &byChar = ByChar[cp];
                    if (rank <= byChar.Rank)
                        byChar = {KeyCode(kc), combo, rank};
                }
            }
        }
        // Keys still lent keep the type they were lent with.
        if (LentTo.isEmpty())
            ChooseLentType();
    }

    KeyCode KeyOf(KeySym sym) const
    {
        const auto it = BySym.constFind(sym);
        return it == BySym.constEnd() ? KeyCode(0) : it->Code;
    }

    KeyCode KeyOfVirtualKey(int virtualKey) const
    {
        switch (virtualKey) {
        case vk::Tab: return KeyOf(XK_Tab);
        case vk::Return: return KeyOf(XK_Return);
        case vk::Left: return KeyOf(XK_Left);
        case vk::Up: return KeyOf(XK_Up);
        case vk::Right: return KeyOf(XK_Right);
        case vk::Down: return KeyOf(XK_Down);
        default: break;
        }
        if ((virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9')) {
            if (const KeyCode kc = LetterKeys.value(virtualKey))
                return kc;
            return KeyOf(virtualKey <= '9' ? KeySym(virtualKey) : KeySym(virtualKey - 'A' + 'a'));
        }
        if (virtualKey > X11Keyboard::KeycodeBase && virtualKey <= X11Keyboard::KeycodeBase + 255)
            return KeyCode(virtualKey - X11Keyboard::KeycodeBase);
        return 0;
    }

    // ----- events -----

    void Fake(KeyCode kc, bool down)
    {
        XTestFakeKeyEvent(Dpy, kc, down ? True : False, CurrentTime);
        XFlush(Dpy);
    }

    void ReleaseModifiers()
    {
        if (CtrlPressed)
            Fake(CtrlPressed, false);
        if (AltPressed)
            Fake(AltPressed, false);
        CtrlPressed = AltPressed = 0;
        CtrlHeld = AltGr = false;
    }

    // A key with Ctrl and Alt held is what AltGr types: Ctrl is only pressed
    // for real when a key comes without Alt after it, and Alt after Ctrl
    // becomes the level-3 shift key.
    void Event(int virtualKey, bool down)
    {
        switch (virtualKey) {
        case vk::Shift:
            if (const KeyCode kc = KeyOf(XK_Shift_L) ? KeyOf(XK_Shift_L) : KeyOf(XK_Shift_R))
                Fake(kc, down);
            return;
        case vk::Control:
            CtrlHeld = down;
            if (!down && CtrlPressed) {
                Fake(CtrlPressed, false);
                CtrlPressed = 0;
            }
            return;
        case vk::Alt:
            if (down && !AltPressed) {
                AltGr = CtrlHeld && !CtrlPressed && Level3Key;
                AltPressed = AltGr ? Level3Key : (KeyOf(XK_Alt_L) ? KeyOf(XK_Alt_L) : KeyOf(XK_Alt_R));
                if (AltPressed)
                    Fake(AltPressed, true);
            } else if (!down && AltPressed) {
                Fake(AltPressed, false);
                AltPressed = 0;
                AltGr = false;
            }
            return;
        default:
            break;
        }
        const KeyCode kc = KeyOfVirtualKey(virtualKey);
        if (!kc)
            return;
        if (down && CtrlHeld && !CtrlPressed && !AltGr) {
            CtrlPressed = KeyOf(XK_Control_L) ? KeyOf(XK_Control_L) : KeyOf(XK_Control_R);
            if (CtrlPressed)
                Fake(CtrlPressed, true);
        }
        Fake(kc, down);
    }

    // ----- characters no key produces -----

    // A lent key holds up to four characters, on the levels that Shift and
    // the level-3 shift key (AltGr) reach, and with a layout of one group
    // that in each of four groups, which this keyboard locks while typing
    // with them (the layout's own keys type the same in every group): the
    // more characters per keymap change, the fewer changes every client of
    // the server has to handle, and each costs a window manager such as
    // openbox a new grab of all its key bindings. The key type takes Caps
    // Lock in (as the layout's letters do), so that programs do not turn
    // its characters into capitals when Caps Lock is on. A slot is one of
    // the characters: (keycode * 4 + group) * 4 + level.
    static constexpr int SlotsPerKey = 16;
    static int SlotOf(KeyCode kc, int group, int level) { return (kc * 4 + group) * 4 + level; }
    static KeyCode KeyOfSlot(int slot) { return KeyCode(slot / 16); }
    static int GroupOfSlot(int slot) { return slot / 4 % 4; }
    static int LevelOfSlot(int slot) { return slot % 4; }

    KeyCode ShiftKey() const { return KeyOf(XK_Shift_L) ? KeyOf(XK_Shift_L) : KeyOf(XK_Shift_R); }

    // The modifiers of a combination (ComboShift, ComboLevel3).
    unsigned ComboMods(unsigned combo) const
    {
        return ((combo & ComboShift) ? ShiftMask : 0) | ((combo & ComboLevel3) ? Level3Mask : 0);
    }

    // Does a key type of `levels` levels over exactly the modifiers `mask`
    // reach each of its levels with one of the first `levels` combinations,
    // with Caps Lock off and on, consuming all its modifiers?
    bool Fits(const XkbKeyTypeRec &type, int levels, unsigned mask) const
    {
        if (type.num_levels != levels || type.mods.mask != mask)
            return false;
        if (type.preserve)
            for (int i = 0; i < type.map_count; ++i)
                if (type.preserve[i].mask)
                    return false;
        for (const unsigned lock : {0u, unsigned(LockMask)}) {
            unsigned reached = 0;
            for (unsigned combo = 0; combo < unsigned(levels); ++combo)
                reached |= 1u << LevelFor(&type, ComboMods(combo) | lock);
            if (reached != (1u << levels) - 1)
                return false;
        }
        return true;
    }

    // How many levels lent keys have and their key type: the first of the
    // layout's types that fits, four levels before two, types that take
    // Caps Lock in before those that leave it to the programs.
    void ChooseLentType()
    {
        LentLevels = 1;
        LentGroups = 1;
        LentType = XkbOneLevelIndex;
        if (!Desc)
            return;
        LentGroups = 4;
        for (int kc = Desc->min_key_code; kc <= Desc->max_key_code; ++kc)
            if (XkbKeyNumGroups(Desc, kc) > 1)
                LentGroups = 1;
        if (!ShiftKey())
            return;
        struct Want {
            int Levels;
            unsigned Mask;
        };
        QVector<Want> wants;
        if (Level3Key && Level3Mask)
            wants.append({4, ShiftMask | LockMask | Level3Mask});
        wants.append({2, ShiftMask | LockMask});
        if (Level3Key && Level3Mask)
            wants.append({4, ShiftMask | Level3Mask});
        wants.append({2, ShiftMask});
        for (const Want &want : std::as_const(wants))
            for (int t = 0; t < Desc->map->num_types; ++t)
                if (Fits(Desc->map->types[t], want.Levels, want.Mask)) {
                    LentLevels = want.Levels;
                    LentType = t;
                    return;
                }
    }

    // The combination that reaches a lent key's level with the locked
    // modifiers as they are.
    unsigned ComboForLevel(int level) const
    {
        const XkbKeyTypeRec *type = &Desc->map->types[LentType];
        for (unsigned combo = 0; combo < unsigned(LentLevels); ++combo)
            if (LevelFor(type, ComboMods(combo) | Locked) == level)
                return combo;
        return 0;
    }

    // Is a lent key still as this keyboard set it?
    bool IsLentAsBefore(KeyCode kc) const
    {
        if (XkbKeyNumGroups(Desc, kc) != LentGroups || XkbKeyGroupsWidth(Desc, kc) != LentLevels)
            return false;
        for (int group = 0; group < LentGroups; ++group) {
            if (Desc->map->key_sym_map[kc].kt_index[group] != LentType)
                return false;
            for (int level = 0; level < LentLevels; ++level)
                if (XkbKeySymEntry(Desc, kc, level, group) != LentTo.value(SlotOf(kc, group, level), NoSymbol))
                    return false;
        }
        return true;
    }

    bool IsLent(KeyCode kc) const
    {
        for (int slot = SlotOf(kc, 0, 0); slot < SlotOf(kc, 0, 0) + SlotsPerKey; ++slot)
            if (LentTo.contains(slot))
                return true;
        return false;
    }

    // Writes the lent characters of spare keys to the server (a key with
    // none gets its entry of the layout back) in one keymap change, which
    // every client of the server handles once: the keys from the lowest to
    // the highest one are sent, those in between as they are.
    void WriteKeys(const QSet<KeyCode> &keys)
    {
        if (keys.isEmpty() || !Desc)
            return;
        int first = INT_MAX, last = 0;
        for (const KeyCode kc : keys) {
            first = qMin(first, int(kc));
            last = qMax(last, int(kc));
            const bool lent = IsLent(kc);
            XkbSymMapRec entry = SpareEntry.value(kc);
            if (lent) {
                for (int group = 0; group < LentGroups; ++group)
                    entry.kt_index[group] = LentType;
                entry.group_info = XkbSetNumGroups(0, LentGroups);
                entry.width = LentLevels;
            }
            // Sized while the key still has its old entry, which says how
            // many symbols it holds now.
            KeySym *to = XkbResizeKeySyms(Desc, kc, XkbNumGroups(entry.group_info) * entry.width);
            if (!to) {
                Stale = true;
                return;
            }
            entry.offset = Desc->map->key_sym_map[kc].offset;
            Desc->map->key_sym_map[kc] = entry;
            if (lent)
                for (int group = 0; group < LentGroups; ++group)
                    for (int level = 0; level < LentLevels; ++level)
                        to[group * LentLevels + level] = LentTo.value(SlotOf(kc, group, level), NoSymbol);
        }
        XkbMapChangesRec changes{};
        changes.changed = XkbKeySymsMask;
        changes.first_key_sym = KeyCode(first);
        changes.num_key_syms = KeyCode(last - first + 1);
        {
            ErrorTrap trap(Dpy);
            XkbChangeMap(Dpy, Desc, &changes);
            if (!trap.Ok())
                Stale = true;
        }
        // The server's notices of this change are in the queue now.
        while (XPending(Dpy)) {
            XEvent ev;
            XNextEvent(Dpy, &ev);
            Note(ev, first, last);
        }
    }

    // Lends slots of spare keys to the keyless characters coming next in
    // the plan from `from` on (with `extra`, one the plan does not hold,
    // first): as many different ones as there are slots. Slots lent to
    // characters among them keep them; the others are lent anew, in one
    // change, after waiting once for the target to handle the keys typed
    // with them.
    void LendFor(int from, KeySym extra = NoSymbol)
    {
        const int levels = LentLevels;
        const int capacity = int(SpareKeys.size()) * levels * LentGroups;
        QVector<KeySym> wanted;
        QSet<KeySym> wantedSet;
        const auto want = [&](KeySym sym) {
            if (wanted.size() < capacity && !wantedSet.contains(sym)) {
                wanted.append(sym);
                wantedSet.insert(sym);
            }
        };
        if (extra != NoSymbol)
            want(extra);
        for (int i = from; i < Plan.size() && wanted.size() < capacity; ++i)
            want(Plan[i]);

        // Slots never lent come first, then slots whose character was not
        // typed since the target last caught up, then the others; the
        // first group first, which needs no group lock.
        QVector<int> free;
        for (const int pass : {0, 1, 2})
            for (int group = 0; group < LentGroups; ++group)
                for (int level = 0; level < levels; ++level)
                    for (const KeyCode kc : std::as_const(SpareKeys)) {
                        const int slot = SlotOf(kc, group, level);
                        const auto lent = LentTo.constFind(slot);
                        const int rank = lent == LentTo.constEnd() ? 0
                                         : wantedSet.contains(*lent) ? -1
                                         : Typed.contains(slot)      ? 2
                                                                     : 1;
                        if (rank == pass)
                            free.append(slot);
                    }
        QSet<KeyCode> changed;
        bool wait = false;
        for (const KeySym sym : std::as_const(wanted)) {
            if (Lent.contains(sym) || free.isEmpty())
                continue;
            const int slot = free.takeFirst();
            wait = wait || Typed.contains(slot);
            Lent.remove(LentTo.value(slot, NoSymbol));
            Lent.insert(sym, slot);
            LentTo.insert(slot, sym);
            changed.insert(KeyOfSlot(slot));
        }
        if (wait) {
            WaitForTarget();
            Typed.clear();
        }
        WriteKeys(changed);
    }

    void Prepare(const QVector<char32_t> &text)
    {
        Pump();
        Plan.clear();
        PlanDone = 0;
        for (const char32_t ch : text)
            if (!ByChar.contains(ch == U'\n' ? U'\r' : ch))
                if (const KeySym sym = KeysymFor(ch))
                    Plan.append(sym);
        if (!Plan.isEmpty())
            LendFor(0);
    }

    void TypeKeyless(char32_t ch)
    {
        Pump();
        const KeySym sym = KeysymFor(ch);
        if (sym == NoSymbol)
            return;
        // Where the character is in the plan: normally next.
        int at = PlanDone;
        while (at < Plan.size() && Plan[at] != sym)
            ++at;
        const bool planned = at < Plan.size();
        if (!Lent.contains(sym))
            LendFor(planned ? at : PlanDone, planned ? NoSymbol : sym);
        if (planned)
            PlanDone = at + 1;
        const auto slot = Lent.constFind(sym);
        if (slot == Lent.constEnd())
            return;
        const KeyCode kc = KeyOfSlot(*slot);
        LockGroup(GroupOfSlot(*slot));
        const unsigned combo = ComboForLevel(LevelOfSlot(*slot));
        const KeyCode shift = combo & ComboShift ? ShiftKey() : KeyCode(0);
        const KeyCode level3 = combo & ComboLevel3 ? Level3Key : KeyCode(0);
        for (const KeyCode modifier : {shift, level3})
            if (modifier)
                Fake(modifier, true);
        Fake(kc, true);
        Fake(kc, false);
        for (const KeyCode modifier : {level3, shift})
            if (modifier)
                Fake(modifier, false);
        Typed.insert(*slot);
    }

    // Locks the layout group; the target reads it from the key events
    // that follow.
    void LockGroup(int group)
    {
        if (group == LockedGroup)
            return;
        XkbLockGroup(Dpy, XkbUseCoreKbd, unsigned(group));
        LockedGroup = group;
    }

    void GiveBackKeys()
    {
        Plan.clear();
        PlanDone = 0;
        if (LentTo.isEmpty())
            return;
        if (!Typed.isEmpty())
            WaitForTarget();
        LockGroup(0);
        QSet<KeyCode> keys;
        for (auto it = LentTo.constBegin(); it != LentTo.constEnd(); ++it)
            keys.insert(KeyOfSlot(it.key()));
        Lent.clear();
        LentTo.clear();
        Typed.clear();
        WriteKeys(keys);
        ChooseLentType();
    }
};

X11Keyboard::X11Keyboard() : d(std::make_unique<Impl>(QString())) {}

X11Keyboard::X11Keyboard(const QString &displayName) : d(std::make_unique<Impl>(displayName)) {}

X11Keyboard::~X11Keyboard() = default;

QString X11Keyboard::NoServerText()
{
    return QStringLiteral("Type It In needs an X11 session; no X server could be reached.");
}

bool X11Keyboard::Available() const
{
    return d->Dpy != nullptr;
}

QString X11Keyboard::Problem() const
{
    return d->Why;
}

quint64 X11Keyboard::ForegroundWindow()
{
    return d->Dpy ? quint64(d->Foreground()) : 0;
}

bool X11Keyboard::BringToFront(quint64 window)
{
    return d->Dpy && window != 0 && d->Activate(Window(window));
}

KeyStroke X11Keyboard::KeyScan(char32_t ch)
{
    if (!d->Dpy)
        return KeyStroke::NoKey();
    d->Pump();
    // A line feed is the Enter key, as a carriage return is.
    const auto it = d->ByChar.constFind(ch == U'\n' ? U'\r' : ch);
    if (it == d->ByChar.constEnd())
        return KeyStroke::NoKey();
    int virtualKey = KeycodeBase + it->Code;
    if (ch == U'\t' && it->Code == d->KeyOf(XK_Tab))
        virtualKey = vk::Tab;
    else if ((ch == U'\r' || ch == U'\n') && it->Code == d->KeyOf(XK_Return))
        virtualKey = vk::Return;
    else if ((ch >= U'a' && ch <= U'z') || (ch >= U'A' && ch <= U'Z') || (ch >= U'0' && ch <= U'9')) {
        virtualKey = ch >= U'a' ? int(ch - U'a' + U'A') : int(ch);
        d->LetterKeys.insert(virtualKey, it->Code);
    }
    int shift = 0;
    if (it->Combo & ComboShift)
        shift |= KeyStroke::ShiftBit;
    if (it->Combo & ComboLevel3)
        shift |= KeyStroke::CtrlBit | KeyStroke::AltBit;
    return KeyStroke::Of(virtualKey, shift);
}

void X11Keyboard::KeyEvent(int virtualKey, bool down)
{
    if (d->Dpy)
        d->Event(virtualKey, down);
}

void X11Keyboard::Prepare(const QVector<char32_t> &text)
{
    if (d->Dpy)
        d->Prepare(text);
}

void X11Keyboard::TypeUnmapped(char32_t ch)
{
    if (d->Dpy)
        d->TypeKeyless(ch);
}

void X11Keyboard::FinishTyping()
{
    if (!d->Dpy)
        return;
    d->ReleaseModifiers();
    d->GiveBackKeys();
}

quint64 NativeWindowId(QWidget *widget)
{
    return widget ? quint64(widget->window()->winId()) : 0;
}

}  // namespace kelpo
