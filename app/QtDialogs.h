#pragma once
// The real message boxes, prompts and file choosers.
#include <QPointer>
#include <QWidget>

#include "Dialogs.h"

namespace kelpo {

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget *parent = nullptr) : parent_(parent) {}
    // The window the dialogs belong to (the main window once it exists).
    void SetParent(QWidget *parent) { parent_ = parent; }

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
    // The given window, or while there is none yet (during start-up) the
    // program's active window, so boxes stay on top of it.
    QWidget *Owner() const;

    QPointer<QWidget> parent_;
};

}  // namespace kelpo
