#include "MainCommandGuard.h"

#include <algorithm>

namespace kelpo {

CommandGuard::Command::Command(CommandGuard &guard, Access access) : guard_(guard)
{
    if (access == Access::Changes && guard_.Waiting()) {
        if (guard_.Refused)
            guard_.Refused();
        return;
    }
    entered_ = true;
    ++guard_.running_;
}

CommandGuard::Command::~Command()
{
    if (!entered_)
        return;
    --guard_.running_;
    guard_.RunQueued();
}

CommandGuard::Wait::~Wait()
{
    --guard_.waiting_;
    guard_.RunQueued();
}

void CommandGuard::RunOrQueue(std::function<void()> command, const QString &key)
{
    if (!Waiting()) {
        command();
        return;
    }
    const bool queued = !key.isEmpty() &&
                        std::any_of(queue_.begin(), queue_.end(), [&key](const Pending &p) { return p.key == key; });
    if (!queued)
        queue_.push_back({key, std::move(command)});
}

// Once nothing runs and nothing waits. A queued command that waits in turn
// lets more be queued; they run from this same loop, after it.
void CommandGuard::RunQueued()
{
    if (running_ > 0 || waiting_ > 0 || flushing_)
        return;
    flushing_ = true;
    while (!queue_.empty() && running_ == 0 && waiting_ == 0) {
        const std::function<void()> next = std::move(queue_.front().run);
        queue_.pop_front();
        next();
    }
    flushing_ = false;
}

void WaitingDialogs::Error(const QString &text)
{
    const CommandGuard::Wait wait(guard_);
    shown_.Error(text);
}

void WaitingDialogs::Information(const QString &text)
{
    const CommandGuard::Wait wait(guard_);
    shown_.Information(text);
}

bool WaitingDialogs::Confirm(const QString &text)
{
    const CommandGuard::Wait wait(guard_);
    return shown_.Confirm(text);
}

bool WaitingDialogs::Question(const QString &text)
{
    const CommandGuard::Wait wait(guard_);
    return shown_.Question(text);
}

void WaitingDialogs::Plain(const QString &text)
{
    const CommandGuard::Wait wait(guard_);
    shown_.Plain(text);
}

bool WaitingDialogs::Ask(const QString &title, const QString &prompt, QString *value)
{
    const CommandGuard::Wait wait(guard_);
    return shown_.Ask(title, prompt, value);
}

QString WaitingDialogs::AskBoxed(const QString &title, const QString &prompt, const QString &value)
{
    const CommandGuard::Wait wait(guard_);
    return shown_.AskBoxed(title, prompt, value);
}

QString WaitingDialogs::OpenFileName(const QString &title, const QString &filter)
{
    const CommandGuard::Wait wait(guard_);
    return shown_.OpenFileName(title, filter);
}

QString WaitingDialogs::SaveFileName(const QString &title, const QString &filter, const QString &defaultSuffix,
                                     const QString &initialName)
{
    const CommandGuard::Wait wait(guard_);
    return shown_.SaveFileName(title, filter, defaultSuffix, initialName);
}

QString WaitingDialogs::ExecutableFileName(const QString &title)
{
    const CommandGuard::Wait wait(guard_);
    return shown_.ExecutableFileName(title);
}

}  // namespace kelpo
