#include "Player.h"

#include "Script.h"

#include <QCoreApplication>
#include <QScopedValueRollback>
#include <QThread>
#include <QTimer>

namespace kelpo {

namespace {

void ProcessPendingEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

// One tick of a 2 ms timer; events keep being handled until it fires.
void WaitOneTick()
{
    if (!QCoreApplication::instance()) {
        QThread::msleep(2);
        return;
    }
    QTimer typeDelay;
    typeDelay.setTimerType(Qt::PreciseTimer);
    typeDelay.setInterval(2);
    QObject::connect(&typeDelay, &QTimer::timeout, &typeDelay, &QTimer::stop);
    typeDelay.start();
    while (typeDelay.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace

Player::Player(Keyboard &keyboard)
    : InVars([](const QString &) { return false; }),
      VariableValue([](const QString &) { return QString(); }),
      SlowDown([] { return false; }),
      ProcessEvents(ProcessPendingEvents),
      SlowDownWait(WaitOneTick),
      Keys(keyboard)
{
}

void Player::FindTarget()
{
    const quint64 front = Keys.ForegroundWindow();
    if (front != 0 && front != MainWindow)
        Target = front;
}

bool Player::Play(const QString &script, quint64 target)
{
    if (target == 0 || Busy)
        return false;
    const QScopedValueRollback<bool> busy(Busy, true);
    Keys.BringToFront(target);
    const QVector<ScriptElement> elements = ParseScript(script);
    Keys.Prepare(Characters(elements));
    for (const ScriptElement &e : elements) {
        if (Keys.Interrupted())
            break;
        switch (e.Type) {
        case ScriptElement::Kind::Character:
            SendKey(e.Character);
            break;
        case ScriptElement::Kind::Key:
            SimulateKeystroke(e.VirtualKey);
            break;
        case ScriptElement::Kind::Group:
            if (InVars && InVars(e.Name))
                SendVariable(e.Name);
            break;
        }
        if (ProcessEvents)
            ProcessEvents();
    }
    Keys.FinishTyping();
    return true;
}

QVector<char32_t> Player::Characters(const QVector<ScriptElement> &elements) const
{
    QVector<char32_t> out;
    for (const ScriptElement &e : elements) {
        if (e.Type == ScriptElement::Kind::Character)
            out.append(e.Character);
        else if (e.Type == ScriptElement::Kind::Group && InVars && InVars(e.Name) && VariableValue)
            out.append(CodePoints(VariableValue(e.Name)));
    }
    return out;
}

void Player::SendKey(char32_t ch)
{
    const KeyStroke key = Keys.KeyScan(ch);
    if (!key.Found) {
        Keys.TypeUnmapped(ch);
        SlowDownPause();
        return;
    }
    static const int modifiers[][2] = {
        {KeyStroke::ShiftBit, vk::Shift}, {KeyStroke::CtrlBit, vk::Control}, {KeyStroke::AltBit, vk::Alt}};
    for (const auto &m : modifiers)
        if (key.ShiftState & m[0])
            SimulateKeyDown(m[1]);
    SimulateKeystroke(key.VirtualKey);
    // Released in the same order as pressed, as the keyboard has always seen it.
    for (const auto &m : modifiers)
        if (key.ShiftState & m[0])
            SimulateKeyUp(m[1]);
}

void Player::SendVariable(const QString &name)
{
    if (!VariableValue)
        return;
    for (const char32_t ch : CodePoints(VariableValue(name)))
        SendKey(ch);
}

void Player::SimulateKeystroke(int virtualKey)
{
    Keys.KeyEvent(virtualKey, true);
    Keys.KeyEvent(virtualKey, false);
    SlowDownPause();
}

void Player::SimulateKeyDown(int virtualKey)
{
    Keys.KeyEvent(virtualKey, true);
}

void Player::SimulateKeyUp(int virtualKey)
{
    Keys.KeyEvent(virtualKey, false);
}

void Player::SlowDownPause()
{
    if (SlowDown && SlowDown() && SlowDownWait)
        SlowDownWait();
}

}  // namespace kelpo
