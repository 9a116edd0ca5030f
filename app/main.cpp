// Program entry: one running copy per user, then the main window.
#include <QApplication>
#include <QDate>
#include <QLocale>
#include <QDir>

#include <unistd.h>

#include "Clock.h"
#include "Desktop.h"
#include "Formats.h"
#include "Main.h"
#include "MyProcs.h"
#include "PrivateFiles.h"
#include "Product.h"
#include "QtDialogs.h"
#include "SingleInstance.h"
#include "Tii.h"
#include "X11Keyboard.h"

using namespace kelpo;

int main(int argc, char *argv[])
{
    // Kelpo is an X11 client: under a Wayland session it runs through
    // XWayland whenever an X server is reachable.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    // Not the display name: Qt would append it to every window title, and the
    // captions are the program's own. The name gives the window class.
    QApplication::setApplicationName(QStringLiteral("Kelpo"));

    QtDialogs dialogs;
    const QString exeDir = ExeDir();
    const QString dataDir = GetDataDir(exeDir, IsExternalDrive(exeDir));
    // The lock and the command socket: in a folder of this user's alone.
    const QString runtimeDir = UserRuntimeFolder(dataDir);
    SingleInstance guard(runtimeDir);
    if (!guard.Acquire()) {
        dialogs.Plain(QStringLiteral("Another copy of Kelpo! is already running."));
        return 0;
    }

    SystemDesktop desktop;
    SystemClock clock;
    X11Keyboard keyboard;
    const MainServices services{
        dialogs,
        desktop,
        clock,
        Formats::FromLocale(QLocale::system(), clock.Now().date().year()),
        exeDir,
        QApplication::applicationFilePath() + QStringLiteral(".html"),
        dataDir,
        QDir(runtimeDir).filePath(QStringLiteral("KelpoCommand-") + QString::number(getuid())),
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
    return app.exec();
}
