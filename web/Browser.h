#pragma once
// Opening an item's site with the chosen or the default browser, the start-up
// check for a program registered for web pages, and the test the browser
// chooser uses for program files.
#include <QString>

#include "WebAddress.h"

namespace kelpo {

class Desktop;

// Opens `address` when it passes CheckWebAddress: with the desktop's default
// handler when `browser` is empty, otherwise by starting the program
// `browser` with the checked address as its one and only argument (never
// split at blanks, never through a shell; it starts with "http://",
// "https://" or "ftp://", so the program cannot take it as an option). The
// program starts in the user's home folder.
// A refused address starts nothing: the caller shows
// NotWebAddressMessage(address, result). A launch that fails is not
// reported to the user; `launched` (when given) tells whether it started.
AddressCheck GotoUrl(Desktop &desktop, const QString &browser, const QString &address,
                     bool *launched = nullptr);

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
