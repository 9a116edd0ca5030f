#pragma once
// Opening an item's site with the chosen or the default browser, the start-up
// check for a program registered for web pages, and the test the browser
// chooser uses for program files.
#include <QString>
#include <QUrl>

#include "WebAddress.h"

namespace kelpo {

class Desktop;

// How opening a page went.
struct PageOpen {
    bool opened = false;         // the chosen browser started, or the desktop took the page
    bool browserFailed = false;  // the chosen browser could not be started
};

// Opens `page` with the desktop's default handler when `browser` is empty,
// otherwise by starting the program `browser` with the page's address as its
// one and only argument (never split at blanks, never through a shell). The
// program starts in the user's home folder. When the chosen browser cannot
// be started (no such program, not executable), the desktop's default
// handler opens the page instead, and the result says so.
PageOpen OpenPage(Desktop &desktop, const QString &browser, const QUrl &page, const QString &address);

// What to tell the user when a page did not open as asked, naming the chosen
// `browser` when that was the trouble; empty when all went well.
QString PageOpenProblem(const PageOpen &result, const QString &browser);

// Opens `address` with OpenPage when it passes CheckWebAddress. The chosen
// browser is given the checked address (it starts with "http://", "https://"
// or "ftp://", so the program cannot take it as an option). A refused address
// starts nothing: the caller shows NotWebAddressMessage(address, result).
// `opened` (when given) tells how the launch went.
AddressCheck GotoUrl(Desktop &desktop, const QString &browser, const QString &address,
                     PageOpen *opened = nullptr);

// The name of the file created in the data folder for the start-up check.
extern const QString BrowserProbeName;  // "~~test.html"

// The information box text when no program opens web pages.
extern const QString NoBrowserMessage;

struct BrowserCheck {
    bool probeCreated = false;  // false: `error` says why, nothing was asked
    bool registered = false;    // a program opens web pages
    QString error;
};

// The start-up check (run only while no browser is chosen): creates the probe
// file `dataDir` + "~~test.html" empty, asks which program the desktop would
// open it with (its content type, text/html, in the freedesktop MIME
// associations), and deletes the probe file again in every case. `dataDir`
// ends with a path separator. A probe file that cannot be created is an
// error for the caller to report.
BrowserCheck CheckBrowserRegistered(const QString &dataDir);

// Whether `path` is a program file: an existing regular file (or a link to
// one) that the user may execute. For the "Find your Browser" dialog.
bool IsExecutableFile(const QString &path);

}  // namespace kelpo
