#pragma once
// Type It In's player: keeps track of the window to type into and types a
// keystroke script into it through a Keyboard. The main window supplies the
// variables, the slow-down option and its own window id as callbacks.
#include "Keyboard.h"
#include "Script.h"

#include <QString>
#include <functional>

namespace kelpo {

class Player {
public:
    explicit Player(Keyboard &keyboard);

    // Is "{NAME}" a listed variable (any case)?
    std::function<bool(const QString &name)> InVars;
    // The stored value of a variable (any case); "" when it has none.
    std::function<QString(const QString &name)> VariableValue;
    // Is "Slow down Type Function" checked? Read at every keystroke.
    std::function<bool()> SlowDown;
    // Lets the main window handle its pending events once. Default: one pass
    // of the application's event loop.
    std::function<void()> ProcessEvents;
    // The slow-down pause: one tick of a 2 ms timer, handling events while it
    // runs. Default: exactly that.
    std::function<void()> SlowDownWait;
    // The main window's own id: never taken as the target.
    quint64 MainWindow = 0;

    // The timer tick: remembers the window in front unless it is the main
    // window (or no window at all).
    void FindTarget();
    quint64 TargetWindow() const { return Target; }
    void SetTargetWindow(quint64 window) { Target = window; }

    // Brings `target` to the front and types `script` into it. Types nothing
    // and returns false when there is no target or a script is already playing
    // (a Type pressed while the events of a running script are handled).
    // Stops early when the keyboard reports that it was interrupted.
    bool Play(const QString &script, quint64 target);
    bool Playing() const { return Busy; }

    // Types one character with the shift keys the layout needs.
    void SendKey(char32_t ch);
    // Types a variable's value literally, without handling events in between.
    void SendVariable(const QString &name);
    // One key press and release, then the slow-down pause if the option is on.
    void SimulateKeystroke(int virtualKey);
    void SimulateKeyDown(int virtualKey);
    void SimulateKeyUp(int virtualKey);

    // Every character that playing `elements` types, in order: characters,
    // then the values of listed variables.
    QVector<char32_t> Characters(const QVector<ScriptElement> &elements) const;

private:
    void SlowDownPause();

    Keyboard &Keys;
    quint64 Target = 0;
    bool Busy = false;
};

}  // namespace kelpo
