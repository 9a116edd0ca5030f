#pragma once
// The keyboard and the windows Type It In works with, behind an interface so
// the player stays free of any windowing system and has a test double.
#include <QString>
#include <QVector>
#include <QtGlobal>
#include <utility>

namespace kelpo {

// Virtual-key codes of the keys the player presses by name. Letters and
// digits use their upper-case character code ('A'..'Z' = 65..90, '0'..'9' =
// 48..57); other keys get codes of the keyboard's own choosing.
namespace vk {
constexpr int Tab = 9;
constexpr int Return = 13;
constexpr int Shift = 16;
constexpr int Control = 17;
constexpr int Alt = 18;
constexpr int Left = 37;
constexpr int Up = 38;
constexpr int Right = 39;
constexpr int Down = 40;
}  // namespace vk

// Which key, with which shift keys held, types a character.
struct KeyStroke {
    enum ShiftBit { ShiftBit = 1, CtrlBit = 2, AltBit = 4 };

    bool Found = false;  // false: no key of the current layout produces it
    int VirtualKey = 0;
    int ShiftState = 0;  // ShiftBit | CtrlBit | AltBit; Ctrl+Alt together is AltGr

    static KeyStroke NoKey() { return {}; }
    static KeyStroke Of(int virtualKey, int shiftState = 0) { return {true, virtualKey, shiftState}; }
};

class Keyboard {
public:
    virtual ~Keyboard() = default;

    // False when there is no keyboard to type with (for example no X server);
    // Problem() then says why, in words for the user. Problem() also says
    // why the last BringToFront failed, when the keyboard knows more than
    // that the window did not come to the front.
    virtual bool Available() const { return true; }
    virtual QString Problem() const { return QString(); }

    // Sets up what typing needs before anything else happens, in particular
    // a permission the desktop may ask the user for in a dialog of its own
    // (which takes the focus, so it must come before the program steps out
    // of the target's way). False when typing cannot go ahead; Problem()
    // then says why.
    virtual bool GetReady() { return true; }
    // The top-level window in front; 0 when there is none.
    virtual quint64 ForegroundWindow() = 0;
    // Brings a window to the front; true once it is in front with the focus.
    virtual bool BringToFront(quint64 window) = 0;
    // The key and shift state that type `ch` on the current layout.
    virtual KeyStroke KeyScan(char32_t ch) = 0;
    // One synthetic key-down or key-up event.
    virtual void KeyEvent(int virtualKey, bool down) = 0;
    // Types a character that no key of the layout produces (KeyScan found
    // none): one whole key press, modifiers included.
    virtual void TypeUnmapped(char32_t ch) = 0;
    // Called after BringToFront with every character the run is going to
    // type, in order (keys pressed by name left out, variables' values in),
    // so that a keyboard that makes its own keys, or lends keys to
    // characters without one, can set them all up at once.
    virtual void Prepare(const QVector<char32_t> &/*characters*/) {}
    // True once typing had to stop in the middle of a run (the focus came
    // back to one of the program's own windows, or the keyboard cannot type
    // what Prepare was given); the player then types nothing more of it and
    // Problem() says why. Cleared by the next BringToFront.
    virtual bool Interrupted() const { return false; }
    // Called once when a run of typing is over, so that anything set up for
    // it (such as temporarily assigned keys) can be put back.
    virtual void FinishTyping() {}
    // While on, BringToFront types into the window that has the focus where
    // it is (the user pressed a desktop-wide shortcut in it), without the
    // program getting out of its way first.
    virtual void TypeInPlace(bool /*on*/) {}
};

// A keyboard that types nothing and says why.
class UnavailableKeyboard : public Keyboard {
public:
    explicit UnavailableKeyboard(QString why) : Why(std::move(why)) {}
    bool Available() const override { return false; }
    QString Problem() const override { return Why; }
    quint64 ForegroundWindow() override { return 0; }
    bool BringToFront(quint64) override { return false; }
    KeyStroke KeyScan(char32_t) override { return KeyStroke::NoKey(); }
    void KeyEvent(int, bool) override {}
    void TypeUnmapped(char32_t) override {}

private:
    QString Why;
};

}  // namespace kelpo
