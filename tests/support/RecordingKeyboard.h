#pragma once
// A keyboard that records every event as text ("+65" key down, "-65" key
// up, "front5" brought window 5 to the front, "unmapped8364" a character no
// key types, "end" the end of a run of typing, "inplace" typing
// where the focus is turned on) and answers for a German-like
// layout: letters and digits on their keys, capitals with Shift, "@" with
// Ctrl+Alt (AltGr), braces with Shift, "€" on no key.
#include <QString>
#include <QStringList>
#include <QVector>

#include "Keyboard.h"

namespace kelpo {

class RecordingKeyboard : public Keyboard {
public:
    QStringList Log;
    quint64 Front = 0;        // the window in front
    bool Usable = true;       // Available()
    QString Why;              // Problem()
    bool FrontWorks = true;   // what BringToFront answers
    int StopAt = -1;          // Interrupted() once the log has this many entries

    bool ReadyWorks = true;   // what GetReady answers
    int Readied = 0;          // how often GetReady was called

    bool Available() const override { return Usable; }
    bool GetReady() override
    {
        ++Readied;
        return ReadyWorks;
    }
    QString Problem() const override { return Why; }
    quint64 ForegroundWindow() override { return Front; }
    bool BringToFront(quint64 window) override
    {
        Log << QStringLiteral("front%1").arg(window);
        return FrontWorks;
    }
    KeyStroke KeyScan(char32_t ch) override
    {
        if (ch >= U'a' && ch <= U'z')
            return KeyStroke::Of(int(ch - U'a' + U'A'));
        if (ch >= U'A' && ch <= U'Z')
            return KeyStroke::Of(int(ch), KeyStroke::ShiftBit);
        if (ch >= U'0' && ch <= U'9')
            return KeyStroke::Of(int(ch));
        switch (ch) {
        case U'\t': return KeyStroke::Of(vk::Tab);
        case U' ': return KeyStroke::Of(32);
        case U'@': return KeyStroke::Of('Q', KeyStroke::CtrlBit | KeyStroke::AltBit);
        case U'{': return KeyStroke::Of(219, KeyStroke::ShiftBit);
        case U'}': return KeyStroke::Of(221, KeyStroke::ShiftBit);
        default: return KeyStroke::NoKey();
        }
    }
    void KeyEvent(int virtualKey, bool down) override
    {
        Log << (down ? QStringLiteral("+%1") : QStringLiteral("-%1")).arg(virtualKey);
    }
    // What Prepare was given last, and how many events came before it.
    QVector<char32_t> Prepared;
    int PreparedAfter = -1;
    void Prepare(const QVector<char32_t> &characters) override
    {
        Prepared = characters;
        PreparedAfter = int(Log.size());
    }
    void TypeUnmapped(char32_t ch) override { Log << QStringLiteral("unmapped%1").arg(uint(ch)); }
    bool Interrupted() const override { return StopAt >= 0 && Log.size() >= StopAt; }
    void FinishTyping() override { Log << QStringLiteral("end"); }
    void TypeInPlace(bool on) override
    {
        if (on)
            Log << QStringLiteral("inplace");
    }
};

}  // namespace kelpo
