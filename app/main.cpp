// Program entry: the command line, one running copy per user, then the main window.
#include <QApplication>
#include <QDBusConnection>
#include <QDate>
#include <QDir>
#include <QIcon>
#include <QLocalSocket>
#include <QLocale>
#include <QPushButton>

#include <cstdio>
#include <memory>
#include <unistd.h>

#include "Clock.h"
#include "Desktop.h"
#include "Formats.h"
#include "IniFile.h"
#include "Launch.h"
#include "Main.h"
#include "MyProcs.h"
#include "OwnWindows.h"
#include "PortalKeyboard.h"
#include "PortalShortcut.h"
#include "PrivateFiles.h"
#include "Product.h"
#include "QtDialogs.h"
#include "SessionKeyboard.h"
#include "SingleInstance.h"
#include "Tii.h"
#include "WaylandKeyboard.h"
#include "WaylandWindowList.h"
#include "X11Keyboard.h"

using namespace kelpo;

namespace {

// The command socket, beside the single-copy lock in this user's own folder.
QString CommandSocketPath(const QString &runtimeDir)
{
    return QDir(runtimeDir).filePath(QStringLiteral("KelpoCommand-") + QString::number(getuid()));
}

// Asks the running copy to bring its window to the front.
void ShowRunningCopy(const QString &socketPath)
{
    if (socketPath.isEmpty())
        return;
    QLocalSocket running;
    running.connectToServer(socketPath);
    if (!running.waitForConnected(1000))
        return;
    running.write(QByteArray(ShowWindowCommand) + '\n');
    running.waitForBytesWritten(1000);
    running.disconnectFromServer();
}

// The portal's token for the permission to type, kept in the settings file
// beside the program's other settings (a file that cannot be read is left
// alone).
void KeepPortalPermission(PortalKeyboard &keyboard, const QString &dataDir)
{
    const QString path = dataDir + QStringLiteral("Kelpo.ini");
    const QString section = QStringLiteral("TypeItIn");
    const QString key = QStringLiteral("PortalToken");
    keyboard.RestoreToken = [=] {
        IniFile ini;
        ini.Load(path);
        return ini.ReadString(section, key, QString());
    };
    keyboard.KeepRestoreToken = [=](const QString &token) {
        IniFile ini;
        QString why;
        if (!ini.Load(path, &why) && !why.isEmpty())
            return;
        ini.WriteString(section, key, token);
        ini.Save(path);
    };
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/kelpo-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace

int main(int argc, char *argv[])
{
    // --help and --version answer without a display, a lock or a window.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine command = ParseCommandLine(arguments);
    if (command.action != CommandLine::Run) {
        const bool error = command.action == CommandLine::Error;
        std::fputs(command.text.toLocal8Bit().constData(), error ? stderr : stdout);
        return error ? CommandLineErrorStatus : 0;
    }

    RunWithLargeHeapPages(argv);

    // A native Wayland client in a Wayland session, an X11 client otherwise.
    const Session session = Session::FromEnvironment();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !session.DefaultPlatform().isEmpty())
        qputenv("QT_QPA_PLATFORM", session.DefaultPlatform());

    QApplication app(argc, argv);
    // Not the display name: Qt would append it to every window title, and the
    // captions are the program's own. The name gives the window class.
    QApplication::setApplicationName(QStringLiteral("Kelpo"));
    QApplication::setApplicationVersion(ProductVersion);
    // Task bars match the windows with the launcher and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(KELPO_APP_ID));
    QApplication::setWindowIcon(ProgramIcon());

    QtDialogs dialogs;
    const QString exeDir = ExeDir();
    const QString dataDir = GetDataDir(exeDir, IsExternalDrive(exeDir));
    // The lock and the command socket: in a folder of this user's alone.
    const QString runtimeDir = UserRuntimeFolder(dataDir);
    SingleInstance guard(runtimeDir);
    const QString socketPath = CommandSocketPath(runtimeDir);
    if (!guard.Acquire()) {
        ShowRunningCopy(socketPath);
        dialogs.Plain(QStringLiteral("Another copy of Kelpo! is already running."));
        return 0;
    }

    SystemDesktop desktop;
    SystemClock clock;
    // X11 windows get XTest through a connection of Kelpo's own (to XWayland
    // in a Wayland session), whichever platform Qt runs on.
    X11Keyboard x11Keyboard;
    // Native Wayland windows get a virtual keyboard of its own where the
    // compositor offers one (wlroots), the desktop portal's remote desktop
    // otherwise (GNOME, KDE). With neither, Type says that this desktop
    // offers no way to type into Wayland windows.
    std::unique_ptr<WaylandKeyboard> waylandKeyboard;
    std::unique_ptr<PortalKeyboard> portalKeyboard;
    Keyboard *waylandPath = nullptr;
    if (session.IsWayland()) {
        waylandKeyboard = std::make_unique<WaylandKeyboard>();
        waylandPath = waylandKeyboard.get();
        if (!waylandKeyboard->Available()) {
            portalKeyboard = std::make_unique<PortalKeyboard>(QDBusConnection::sessionBus());
            if (portalKeyboard->Available()) {
                KeepPortalPermission(*portalKeyboard, dataDir);
                portalKeyboard->Layout = CompositorLayout;
                waylandPath = portalKeyboard.get();
            }
        }
    }
    SessionKeyboard keyboard(x11Keyboard, waylandPath);
    // wlroots compositors share their window list: Type then brings back
    // exactly the window the user came from.
    std::unique_ptr<WaylandWindowList> windowList;
    if (session.IsWayland())
        windowList = std::make_unique<WaylandWindowList>();
    if (windowList && windowList->Available()) {
        keyboard.Windows = windowList.get();
        keyboard.OwnAppId = QGuiApplication::desktopFileName();
    }
    OwnWindows ownWindows;
    keyboard.OwnWindowActive = &OwnWindows::Active;
    keyboard.StepAside = [&ownWindows] { ownWindows.StepAside(); };
    keyboard.ComeBack = [&ownWindows] { ownWindows.ComeBack(); };
    keyboard.Wait = &OwnWindows::Wait;
    const MainServices services{
        dialogs,
        desktop,
        clock,
        Formats::FromLocale(QLocale::system(), clock.Now().date().year()),
        exeDir,
        FindHelpPage(QApplication::applicationFilePath()),
        dataDir,
        socketPath,
        CheckBrowserRegistered,
        keyboard,
    };

    TMainForm form(services);
    dialogs.SetParent(&form);
    form.ApplyAlwaysOnTop();
    // The script editor window: made once, right after the main window.
    TTiiForm tii(&form);
    form.SetTiiForm(&tii);
    form.show();
    // Where the desktop offers desktop-wide shortcuts, one types the current
    // item's script into the form the user is in. Asked for in the
    // background: a desktop without them only leaves the Type button.
    std::unique_ptr<PortalShortcut> shortcut;
    if (session.IsWayland()) {
        shortcut = std::make_unique<PortalShortcut>(QDBusConnection::sessionBus());
        QObject::connect(shortcut.get(), &PortalShortcut::Activated, &form, &TMainForm::TypeItInShortcut);
        QObject::connect(shortcut.get(), &PortalShortcut::ProblemChanged, shortcut.get(),
                         [s = shortcut.get()] { qInfo("%s", qPrintable(s->Problem())); });
        // The keys the desktop chose, where it says, on the Type button's tip.
        const QString typeTip = form.TypeItIn->toolTip();
        QObject::connect(shortcut.get(), &PortalShortcut::Bound, &form, [&form, typeTip, s = shortcut.get()] {
            if (!s->Trigger().isEmpty())
                form.TypeItIn->setToolTip(typeTip + QStringLiteral("\nIn the form: ") + s->Trigger());
        });
        shortcut->Start();
    }
    return app.exec();
}
