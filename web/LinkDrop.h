#pragma once
// Reading a web link dropped on the main window: its address and, where the
// source gives one, its title.
#include <QString>

class QMimeData;

namespace kelpo {

struct DroppedLink {
    QString address;
    QString title;
    // Nothing to make an item from: the window refuses such a drag.
    bool Empty() const { return address.isEmpty() && title.isEmpty(); }
};

// The address and the title of a drop. Sources are read in this order, and
// for each of the two values the first source that yields it wins:
//  1. "text/x-moz-url": "address\ntitle" (UTF-16, as browsers send it);
//  2. "_NETSCAPE_URL": "address" or "address\ntitle";
//  3. "text/uri-list", its first entry that is not a comment: a web address
//     as it stands; a local shortcut file is read (at most 64 KiB):
//     ".url" — "URL=" (any letter case) of the "[InternetShortcut]" section;
//     ".desktop" — a "Type=Link" entry's "URL=" and "Name=";
//     its title, when none is known yet, is "Name=" (".desktop") or else the
//     file's name without folder and extension. Other local files give
//     nothing: they are not links;
//  4. plain text whose first line holds "://" after its first character
//     (the line is the address).
// Every value is one line, trimmed.
DroppedLink ReadDroppedLink(const QMimeData &mime);

// Whether a drag carries an address or a title; the window refuses it
// otherwise.
bool CanAcceptDrop(const QMimeData &mime);

// The name offered for a new item from a dropped title: a title that begins
// with "Shortcut to " (exactly that case) loses it and is cut to 255
// characters; any other title is offered as it is.
QString ProposedName(const QString &title);

}  // namespace kelpo
