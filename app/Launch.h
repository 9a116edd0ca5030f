#pragma once
// What the program entry settles before any window: the command line, and
// where the help page is.
#include <QString>
#include <QStringList>

namespace kelpo {

struct CommandLine {
    enum Action { Run, Help, Version, Error };
    Action action = Run;
    // Help and Version: the text for standard output; Error: the message for
    // standard error. Each ends with a line break.
    QString text;
};

// The line a second copy sends to the running one over the command socket:
// bring the main window to the front.
inline constexpr char ShowWindowCommand[] = "show";

// Exit status of a command line that cannot be understood.
constexpr int CommandLineErrorStatus = 2;

// Reads the program's arguments (the first is the program itself). Kelpo
// takes --help (-h) and --version (-v), and lets Qt's own window-system
// options (-platform, -display, -style, -session and the like) through for
// the application object; anything else is an error.
CommandLine ParseCommandLine(const QStringList &arguments);

// The help page for the executable at `exePath`: beside it with ".html" in
// the build tree (and in a copy carried on a removable drive), or under
// share/doc/kelpo/ of the folder it was installed into. The first that
// exists; when none does, the first of them, for the failure message.
QString FindHelpPage(const QString &exePath);

// The desktop session, from WAYLAND_DISPLAY, DISPLAY and XDG_SESSION_TYPE.
struct Session {
    QString waylandDisplay;
    QString display;
    QString type;

    static Session FromEnvironment();
    // A Wayland compositor is reachable and the session does not call itself
    // an X11 one (a compositor started from a text console names none).
    bool IsWayland() const;
    // The Qt platform to start on when none is asked for: Wayland's own in a
    // Wayland session, with X11 (XWayland) when Qt has no Wayland plugin; X11
    // wherever an X server is reachable otherwise; empty: Qt's own choice.
    QByteArray DefaultPlatform() const;
};

// glibc backs the heap with large memory pages only when told so before the
// program starts (the tunable glibc.malloc.hugetlb, read at start-up).
// Loading a big data file allocates a few strings per item, and faulting
// them in page by page costs half the load. So the program runs itself
// again, once, with the tunable set, unless the user set tunables of their
// own; the second run takes the setting out of its environment again, so
// that the programs it starts (the browser) do not inherit it. Returns only
// in the run that goes on (also when running again was not possible).
void RunWithLargeHeapPages(char *argv[]);

}  // namespace kelpo
