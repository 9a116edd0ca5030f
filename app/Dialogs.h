#pragma once
// Message boxes and prompts, behind an interface so that tests script the
// answers and never wait on a real modal dialog.
#include <QString>

namespace kelpo {

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Title "Error", OK button, error icon.
    virtual void Error(const QString &text) = 0;
    // Title "Information", OK button.
    virtual void Information(const QString &text) = 0;
    // Title "Confirm", Yes and No buttons; true for Yes.
    virtual bool Confirm(const QString &text) = 0;
    // Title "Information", information icon, Yes and No buttons with No as
    // the default (the question before something that cannot be undone);
    // true for Yes.
    virtual bool Question(const QString &text) = 0;
    // A message box with the application's title and an OK button only.
    virtual void Plain(const QString &text) = 0;
    // Asking prompt: title, prompt, pre-filled edit, OK and Cancel. True for
    // OK with the edit's text in *value; false for Cancel (*value unchanged).
    virtual bool Ask(const QString &title, const QString &prompt, QString *value) = 0;
    // Boxed prompt: as Ask, but Cancel returns the pre-filled text.
    virtual QString AskBoxed(const QString &title, const QString &prompt, const QString &value) = 0;
    // File choosers; an empty result means the user cancelled. The save
    // chooser starts with `initialName` in its name field and replaces an
    // existing file without asking.
    virtual QString OpenFileName(const QString &title, const QString &filter) = 0;
    virtual QString SaveFileName(const QString &title, const QString &filter,
                                 const QString &defaultSuffix, const QString &initialName) = 0;
    // Chooser for an existing program file: offers folders and files the
    // user may execute only. Empty when the user cancelled.
    virtual QString ExecutableFileName(const QString &title) = 0;
};

}  // namespace kelpo
