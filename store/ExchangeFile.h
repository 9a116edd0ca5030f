#pragma once
// The group exchange file (".kdf"): one group's items, passed between users.
//
// Layout, lines ended by CR LF:
//   ExchangeHeader                      (plain)
//   Name=<group name>                   (this and every later line scrambled)
//   Number=<items - 1>                  (-1 for no item)
//   per item: Name= / Url= / Last=<day number> / End=<day number> / Freq= /
//             Num= / Keys= / Com= / ThisIsTheVeryEndOfTheItemMarker
// A scrambled line is the UTF-8 bytes of the line with the lowest bit of each
// byte flipped (Crypt); the CR LF after it stays plain. So a CR or LF inside
// a value is stored as 0x0C or 0x0B and never ends a line.
//
// Reading runs in two phases: ParseExchangeText reads the whole file into
// plain records without asking anything; the caller then asks for the
// target group and for new names of duplicates and appends the records.
#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

#include "Formats.h"
#include "Model.h"

namespace kelpo {

extern const QString ExchangeItemMarker;  // "ThisIsTheVeryEndOfTheItemMarker"

// Flips the lowest bit of every byte. Its own inverse; empty stays empty.
QByteArray Crypt(QByteArray bytes);

// Builds the whole file for `items` (in the order given; none may be null).
// Last and Ends are written as day numbers with the current decimal
// separator of `formats`; the end date as a whole day, as only its date is
// ever read back. Without `includeKeysAndComments` the Keys
// and Com lines are left empty. Vertical tabs and form feeds in values would
// turn into line breaks when scrambled, so they are written as blanks.
// Fails when an item's Last or Ends is not a day the program can show: then
// `error` names the item and the value, and `out` is left unchanged.
bool BuildExchangeText(const QString &groupName, const QList<const Rec *> &items,
                       bool includeKeysAndComments, const Formats &formats, QByteArray *out,
                       QString *error);
// Builds the file and writes it to `path` in one step (the old file stays
// whole when anything fails). On failure `error` says why.
bool SaveExchangeFile(const QString &path, const QString &groupName,
                      const QList<const Rec *> &items, bool includeKeysAndComments,
                      const Formats &formats, QString *error);

struct ExchangeParse {
    bool headerOk = false;  // the first line is exactly ExchangeHeader
    QString groupName;      // at most 255 characters
    bool countOk = false;   // the Number line converted; false: nothing to ask or import
    qint32 number = -1;     // the file's Number: announced items - 1
    // The items read whole, in file order. Name, Site, Last, Ends (a whole
    // day), Freq, Count, Keys and Comments are filled;
    // Group is empty and Done false.
    std::vector<Rec> items;
    // Empty when everything announced was read. Otherwise why reading
    // stopped (a value that does not convert, or the file ending early).
    QString error;
    // With an error: the index of the item that could not be read (equal to
    // items.size()); -1 when the error lies before the first item.
    qint64 stoppedAt = -1;
};

// Reads the whole file text. Switches the decimal separator of `formats` as
// the Last values demand, in file order: a Last value without the current
// separator switches it before it is converted. The bytes after the header
// are decoded once: UTF-8 when valid, else Windows-1252.
// Returns true when the header matched and no error stopped the reading.
bool ParseExchangeText(QByteArray bytes, Formats &formats, ExchangeParse *out);
// Reads the file at `path` and parses it. Returns false, with the reason in
// `ioError` and `out` untouched, when the file could not be read, is not a
// regular file or is larger than `ExchangeFileLimit`.
bool LoadExchangeFile(const QString &path, Formats &formats, ExchangeParse *out,
                      QString *ioError);

// Is `name` taken by an item, compared exactly (case-sensitive)?
bool Duplicate(const Model &model, const QString &name);

// The import's texts.
QString NotExchangeFileMessage(const QString &path);  // "<file> is not a valid Kelpo data file."
QString ImportedMessage(const QString &path);         // "<file> successfully imported."
QString AddItemsPrompt(qint32 number);                // "Add <number + 1> new items to this Group:"
QString DuplicatePrompt(const QString &name);         // "<name> already exists. Rename to:"

}  // namespace kelpo
