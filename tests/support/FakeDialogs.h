#pragma once
// Dialogs for tests: every message is recorded, answers come from scripts
// filled by the test (a missing answer is No / Cancel / no file). A test may
// run its own step while a box is open, as a nested event loop would.
#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

#include <functional>

#include "Dialogs.h"

namespace kelpo {

class FakeDialogs : public Dialogs {
public:
    struct Shown {
        QString kind;  // "Error", "Information", "Confirm", "Question", "Plain", "Ask", "AskBoxed",
                       // "Open", "Save", "Program"
        QString text;  // the message, or the prompt
        QString title; // prompts and file choosers
        QString value{};  // prompts: the text the edit was pre-filled with
    };

    QList<Shown> shown;
    QQueue<bool> confirmAnswers;  // for Confirm and Question
    QQueue<QString> askAnswers;  // a null QString answers Cancel
    QQueue<QString> fileAnswers;
    QString savedSuffix;  // the default suffix the last save chooser was given

    void Error(const QString &text) override { Open({QStringLiteral("Error"), text, {}}); }
    void Information(const QString &text) override { Open({QStringLiteral("Information"), text, {}}); }
    bool Confirm(const QString &text) override
    {
        Open({QStringLiteral("Confirm"), text, {}});
        return !confirmAnswers.isEmpty() && confirmAnswers.dequeue();
    }
    bool Question(const QString &text) override
    {
        Open({QStringLiteral("Question"), text, {}});
        return !confirmAnswers.isEmpty() && confirmAnswers.dequeue();
    }
    void Plain(const QString &text) override { Open({QStringLiteral("Plain"), text, {}}); }
    bool Ask(const QString &title, const QString &prompt, QString *value) override
    {
        Open({QStringLiteral("Ask"), prompt, title, *value});
        const QString answer = askAnswers.isEmpty() ? QString() : askAnswers.dequeue();
        if (answer.isNull())
            return false;
        *value = answer;
        return true;
    }
    QString AskBoxed(const QString &title, const QString &prompt, const QString &value) override
    {
        Open({QStringLiteral("AskBoxed"), prompt, title, value});
        const QString answer = askAnswers.isEmpty() ? QString() : askAnswers.dequeue();
        return answer.isNull() ? value : answer;
    }
    QString OpenFileName(const QString &title, const QString &filter) override
    {
        Open({QStringLiteral("Open"), filter, title});
        return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
    }
    QString SaveFileName(const QString &title, const QString &filter, const QString &suffix,
                         const QString &initialName) override
    {
        Open({QStringLiteral("Save"), filter, title, initialName});
        savedSuffix = suffix;
        return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
    }

    QString ExecutableFileName(const QString &title) override
    {
        Open({QStringLiteral("Program"), QString(), title});
        return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
    }

    // Runs `action` while the next box of this kind or title (any box when
    // empty) is open, before its answer is taken: a test starts another
    // command from inside a box this way. Each action runs once, in the
    // order given.
    void WhileOpen(const QString &kindOrTitle, std::function<void()> action)
    {
        whileOpen_.append({kindOrTitle, std::move(action)});
    }
    int PendingActions() const { return int(whileOpen_.size()); }

    // The texts shown with one kind of box, in order.
    QStringList Texts(const QString &kind) const
    {
        QStringList out;
        for (const Shown &s : shown)
            if (s.kind == kind)
                out.append(s.text);
        return out;
    }
    void Clear() { shown.clear(); }

private:
    void Open(const Shown &box)
    {
        shown.append(box);
        for (qsizetype i = 0; i < whileOpen_.size(); ++i) {
            const QString &wanted = whileOpen_[i].first;
            if (wanted.isEmpty() || wanted == box.kind || wanted == box.title) {
                const std::function<void()> action = whileOpen_.takeAt(i).second;
                action();
                return;
            }
        }
    }

    QList<QPair<QString, std::function<void()>>> whileOpen_;
};

}  // namespace kelpo
