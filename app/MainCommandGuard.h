#pragma once
// One command at a time on the main window.
//
// A command that shows a box (a question, a message, a file chooser, the
// script editor) or lets window events in while it works waits in a nested
// event loop, and in that loop anything else may start: buttons pressed past
// the box by accessibility tools, the command socket, the 15-minute timer, a
// dropped link. The rule for every command is kept here:
//
//  - While anything waits, nothing changes the items, the groups, the shown
//    group or the variables. A changing command the user starts meanwhile is
//    refused (Refused is called); one the program starts itself (the timer,
//    the command socket, a drop, closing) is queued and runs as soon as the
//    running commands have ended.
//  - Commands that only read (Find, Save, open a site) or write a field of
//    the shown item run at once.
//
// So a command finds every record it held before its question still there
// after it, and each question sees the items as whole, consistent steps.
#include <QString>

#include <deque>
#include <functional>

#include "Dialogs.h"

namespace kelpo {

class CommandGuard {
public:
    enum class Access {
        Changes,  // changes items, groups, the shown group or variables
        Reads,    // reads them, or writes a field of the shown item
    };

    // The life of one command. A command that tests false must not run: a
    // command started before it is waiting.
    class Command {
    public:
        explicit Command(CommandGuard &guard, Access access = Access::Changes);
        ~Command();
        explicit operator bool() const { return entered_; }
        Command(const Command &) = delete;
        Command &operator=(const Command &) = delete;

    private:
        CommandGuard &guard_;
        bool entered_ = false;
    };

    // A box is open or window events are let in, for the life of the scope.
    class Wait {
    public:
        explicit Wait(CommandGuard &guard) : guard_(guard) { ++guard_.waiting_; }
        ~Wait();
        Wait(const Wait &) = delete;
        Wait &operator=(const Wait &) = delete;

    private:
        CommandGuard &guard_;
    };

    // Told when a changing command is refused (the program beeps).
    std::function<void()> Refused;

    bool Waiting() const { return waiting_ > 0; }
    // Runs `command` now when nothing waits, else queues it to run once the
    // running commands have ended, in the order they came. A command queued
    // under a key that is already queued is not queued twice.
    void RunOrQueue(std::function<void()> command, const QString &key = QString());
    int Queued() const { return int(queue_.size()); }

private:
    void RunQueued();

    int running_ = 0;
    int waiting_ = 0;
    bool flushing_ = false;
    struct Pending {
        QString key;
        std::function<void()> run;
    };
    std::deque<Pending> queue_;
};

// The program's boxes, each one a wait of the guard.
class WaitingDialogs : public Dialogs {
public:
    WaitingDialogs(Dialogs &shown, CommandGuard &guard) : shown_(shown), guard_(guard) {}

    void Error(const QString &text) override;
    void Information(const QString &text) override;
    bool Confirm(const QString &text) override;
    bool Question(const QString &text) override;
    void Plain(const QString &text) override;
    bool Ask(const QString &title, const QString &prompt, QString *value) override;
    QString AskBoxed(const QString &title, const QString &prompt, const QString &value) override;
    QString OpenFileName(const QString &title, const QString &filter) override;
    QString SaveFileName(const QString &title, const QString &filter, const QString &defaultSuffix,
                         const QString &initialName) override;
    QString ExecutableFileName(const QString &title) override;

private:
    Dialogs &shown_;
    CommandGuard &guard_;
};

}  // namespace kelpo
