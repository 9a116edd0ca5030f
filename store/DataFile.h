#pragma once
// The main data file "Kelpo.dat": reader and writer.
//
// Layout: "NumGroups: n", two lines per group ("GroupName<i>=", "GroupNumber<i>="),
// "Number of items: n", a separator line, then one block per item:
//   Item: k / Name: / Group: / Site: / Keys: / Last1: <day number> /
//   Ends1: <day number> / Freq: <freq>,<count> / comment lines / separator
// Lines end with CR LF. The separator is 41 '-' followed by 0x03.
// The reader also takes the older block forms ("Desc: ", 6-character date
// keys with date texts, "Freq: " without end date and counter, and files
// without the group part).
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include "Formats.h"
#include "Model.h"

namespace kelpo {

extern const QString ItemSeparator;  // 41 hyphens + U+0003

struct LoadResult {
    bool opened = false;        // false: the file could not be opened or read
    bool missing = false;       // there is no such file (so nothing to keep)
    QString openError;          // the system's reason when !opened
    // One message per dropped item, in file order:
    // "Error loading entry. Entry will be ignored.\nPossible name: <name>"
    QStringList itemErrors;
    // Set when the file names more groups than the table holds; the extra
    // groups are not loaded.
    QString groupError;
    // Whether the whole file was understood: every line belongs to the
    // header, to an item block or is a separator, every block ends with its
    // separator, no item was dropped, and the number of items found is the
    // one the file gives. A file that was not read whole must be kept as it
    // is: saving what was read over it would lose the rest. `damage` then
    // says what was wrong first, in words for the user.
    bool whole = true;
    QString damage;
    qint64 listedItems = 0;  // the number of items the file gives
};

// Reads `bytes` (the whole file) into `model`, which is cleared first.
// Every item block that can be read is read, also past a damaged part and
// beyond the number the header gives.
// `now` (a day number) stands in for old-form dates that do not convert.
// May switch formats' decimal separator (as the file's numbers demand).
// Items in the Trash are loaded like any other; the caller leaves them out
// of the shown list.
LoadResult ReadDataText(const QByteArray &bytes, Model &model, Formats &formats, double now);
// Reads the file from `source` (open, at its start) as ReadDataText reads
// it, a piece of `pieceBytes` at a time: the file is never held whole, only
// the item being read. A file that turns out not to be UTF-8 is read again
// from the start and decoded whole. `opened` is false when reading failed;
// the model is empty then.
LoadResult ReadDataFrom(QIODevice &source, Model &model, Formats &formats, double now,
                        qsizetype pieceBytes = qsizetype(1) << 20);
// Opens and reads the file at `path`. `opened` is false when the file could
// not be opened or read, or is not a regular file (the model is untouched
// where it could not be opened, empty where reading failed partway); such a
// file must not be overwritten by the next save.
LoadResult LoadMainData(const QString &path, Model &model, Formats &formats, double now);

// Comments as the file stores them. A comment line equal to the separator
// would end the item's block on the next load and leave the lines after it
// to no item, so such a line is stored without its U+0003 (a control
// character that shows as nothing).
QString StoredComments(const QString &comments);

// Builds the whole file text (UTF-8). Fails when an item's Last or Ends is not
// a day the program can show; then `badItem` names it, `out` is left empty and nothing
// should be written. Line breaks inside one-line fields (names, address,
// group text, keys) are written as blanks so they cannot break the layout.
bool BuildDataText(const Model &model, const Formats &formats, QByteArray *out,
                   QString *badItem = nullptr);

// Writes the file to `path` as BuildDataText builds it, whole or not at all,
// a piece at a time (the whole text is never held in memory). BadItem: an
// item's Last or Ends is not a day the program can show (`badItem` names
// it); WriteFailed: the system refused (`error` says why). Either way the
// file at `path` is as it was.
enum class SaveOutcome { Saved, BadItem, WriteFailed };
SaveOutcome SaveMainData(const QString &path, const Model &model, const Formats &formats, QString *badItem,
                         QString *error);

}  // namespace kelpo
