#pragma once
// The address check behind Goto. An item's address may come from a file that
// someone else made, so only web addresses are ever handed on: http, https
// and ftp. A local path, "file:", a ".desktop" file, a script or mail scheme
// or anything unreadable is refused with a reason the user can act on.
#include <QString>
#include <QUrl>

namespace kelpo {

struct AddressCheck {
    bool ok = false;
    QUrl url;         // the address to open (ok only)
    QString address;  // the same as text: trimmed, "http://" added when it had no scheme (ok only)
    QString reason;   // one sentence saying why it was refused (not ok only)
};

// Checks the text of the "Web site:" box. The text is trimmed; text without a
// scheme gets "http://" in front, as browsers do ("www.x.org/a",
// "localhost:8080", "x.org:80/path"). An accepted address always starts with
// "http://", "https://" or "ftp://", so it can never be taken as a program
// option or as a file name.
//
// Refused: empty text; control characters anywhere; a blank, a backslash or
// nothing at all where the host name belongs; text that starts with "-";
// file paths ("/usr/...", "~/...", "./...", "c:\...", "\\server\..."); every
// other scheme ("file:", "javascript:", "data:", "mailto:", "about:", ...),
// because none of them is a web page and some run programs or scripts; and a
// scheme-less "name@host", which is a mail address: with "http://" in front
// it would silently open the mail domain's web site.
AddressCheck CheckWebAddress(const QString &text);

// The error box text for a refused address:
// "\"<address>\" is not a web address, so Kelpo will not open it.\n<reason>\n"
// "Only addresses starting with http://, https:// or ftp:// can be opened."
// Control characters in the quoted address are shown as U+FFFD and a very
// long address is shortened.
QString NotWebAddressMessage(const QString &text, const AddressCheck &check);

}  // namespace kelpo
