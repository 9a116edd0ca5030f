#pragma once
// The desktop shell: opening addresses and files with their handlers, and
// starting programs. Behind an interface so tests can record what would open.
#include <QString>
#include <QStringList>
#include <QUrl>

namespace kelpo {

class Desktop {
public:
    virtual ~Desktop() = default;
    // Opens a web address or a local file with the desktop's handler.
    virtual bool OpenUrl(const QUrl &url) = 0;
    // Starts a program with the given arguments (each exactly one argument,
    // never through a shell), working folder the user's home.
    virtual bool StartDetached(const QString &program, const QStringList &arguments) = 0;
};

// The real shell: QDesktopServices and QProcess.
class SystemDesktop : public Desktop {
public:
    bool OpenUrl(const QUrl &url) override;
    bool StartDetached(const QString &program, const QStringList &arguments) override;
};

}  // namespace kelpo
