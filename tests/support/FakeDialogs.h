#pragma once
// Dialogs for tests: every message is recorded, answers come from scripts
// filled by the test (a missing answer is No / Cancel / no file).
#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

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

    void Error(const QString &text) override { shown.append({QStringLiteral("Error"), text, {}}); }
    void Information(const QString &text) override { shown.append({QStringLiteral("Information"), text, {}}); }
    bool Confirm(const QString &text) override
    {
        shown.append({QStringLiteral("Confirm"), text, {}});
        return !confirmAnswers.isEmpty() && confirmAnswers.dequeue();
    }
    bool Question(const QString &text) override
    {
        shown.append({QStringLiteral("Question"), text, {}});
        return !confirmAnswers.isEmpty() && confirmAnswers.dequeue();
    }
    void Plain(const QString &text) override { shown.append({QStringLiteral("Plain"), text, {}}); }
    bool Ask(const QString &title, const QString &prompt, QString *value) override
    {
        shown.append({QStringLiteral("Ask"), prompt, title, *value});
        const QString answer = askAnswers.isEmpty() ? QString() : askAnswers.dequeue();
        if (answer.isNull())
            return false;
        *value = answer;
        return true;
    }
    QString AskBoxed(const QString &title, const QString &prompt, const QString &value) override
    {
        shown.append({QStringLiteral("AskBoxed"), prompt, title, value});
        const QString answer = askAnswers.isEmpty() ? QString() : askAnswers.dequeue();
        return answer.isNull() ? value : answer;
    }
    QString OpenFileName(const QString &title, const QString &filter) override
    {
        shown.append({QStringLiteral("Open"), filter, title});
        return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
    }
    QString SaveFileName(const QString &title, const QString &filter, const QString &suffix,
                         const QString &initialName) override
    {
        shown.append({QStringLiteral("Save"), filter, title, initialName});
        savedSuffix = suffix;
        return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
    }

    QString ExecutableFileName(const QString &title) override
    {
        shown.append({QStringLiteral("Program"), QString(), title});
        return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
    }

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
};

}  // namespace kelpo
