// Program entry: one running copy per user, then the main window.
#include <QApplication>
#include <QDate>
#include <QLocale>
#include <QStandardPaths>

#include <unistd.h>

#include "Clock.h"
#include "Desktop.h"
#include "Formats.h"
#include "Main.h"
#include "MyProcs.h"
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
    SingleInstance guard;
    if (!guard.Acquire()) {
        dialogs.Plain(QStringLiteral("Another copy of Kelpo! is already running."));
        return 0;
    }

    SystemDesktop desktop;
    SystemClock clock;
    X11Keyboard keyboard;
    const QString exeDir = ExeDir();
    QString socketDir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const MainServices services{
        dialogs,
        desktop,
        clock,
        Formats::FromLocale(QLocale::system(), clock.Now().date().year()),
        exeDir,
        QApplication::applicationFilePath() + QStringLiteral(".html"),
        GetDataDir(exeDir, IsExternalDrive(exeDir)),
        socketDir.isEmpty() ? QString() : socketDir + QStringLiteral("/KelpoCommand-") + QString::number(getuid()),
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
