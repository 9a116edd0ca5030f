#include "Browser.h"

#include <QFile>
#include <QFileInfo>

#include "Desktop.h"

// GIO's headers name a structure member "signals", which Qt defines as a macro.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

namespace kelpo {

const QString BrowserProbeName = QStringLiteral("~~test.html");

const QString NoBrowserMessage = QStringLiteral(
    "There is no browser configured to handle web pages.\n"
    "The Goto button will not function properly.\n"
    "Please go to the Options tab and select a browser.");

namespace {

// Whether the desktop has a default program for the content type of the file
// `path` (by its name; text/html when the name tells nothing).
bool DesktopHasHandlerFor(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    gboolean uncertain = FALSE;
    gchar *guessed = g_content_type_guess(name.constData(), nullptr, 0, &uncertain);
    const char *type = (guessed && !g_content_type_is_unknown(guessed)) ? guessed : "text/html";
    GAppInfo *app = g_app_info_get_default_for_type(type, FALSE);
    const bool found = app != nullptr;
    if (app)
        g_object_unref(app);
    g_free(guessed);
    return found;
}

}  // namespace

PageOpen OpenPage(Desktop &desktop, const QString &browser, const QUrl &page, const QString &address)
{
    PageOpen result;
    if (!browser.isEmpty()) {
        result.opened = desktop.StartDetached(browser, {address});
        result.browserFailed = !result.opened;
    }
    if (!result.opened)
        result.opened = desktop.OpenUrl(page);
    return result;
}

QString PageOpenProblem(const PageOpen &result, const QString &browser)
{
    if (result.browserFailed) {
        const QString failed = QStringLiteral("The browser \"%1\" could not be started").arg(browser);
        const QString fallback = result.opened
                                     ? QStringLiteral(", so the desktop's default browser was asked to open the page instead.\n")
                                     : QStringLiteral(".\n");
        return failed + fallback + QStringLiteral("Please check the Browser setting on the Options tab.");
    }
    if (!result.opened)
        return QStringLiteral("No program could open the page.\nPlease go to the Options tab and select a browser.");
    return QString();
}

AddressCheck GotoUrl(Desktop &desktop, const QString &browser, const QString &address, PageOpen *opened)
{
    const AddressCheck check = CheckWebAddress(address);
    PageOpen result;
    if (check.ok)
        result = OpenPage(desktop, browser, check.url, check.address);
    if (opened)
        *opened = result;
    return check;
}

BrowserCheck CheckBrowserRegistered(const QString &dataDir)
{
    BrowserCheck result;
    const QString path = dataDir + BrowserProbeName;

    // A probe left behind by an interrupted check is removed first, and the
    // new one is created fresh, so nothing is ever written through a link.
    const QFileInfo old(path);
    if (old.exists() || old.isSymLink())
        QFile::remove(path);
    QFile probe(path);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        result.error = QStringLiteral("Kelpo could not create the file \"%1\" to look for a browser:\n%2")
                           .arg(path, probe.errorString());
        return result;
    }
    probe.close();
    result.probeCreated = true;

    result.registered = DesktopHasHandlerFor(path);
    QFile::remove(path);
    return result;
}

bool IsExecutableFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

}  // namespace kelpo
