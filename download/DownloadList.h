#pragma once
// The Download tab's list of offered exchange files, without widgets.
//
// The list file "kdf.lst" in the data folder: a header line (ListHeader),
// then one line per offered file, "<file name>,<description>" (the
// description may hold further commas). Lines end with CR LF, CR or LF;
// empty lines are skipped.
#include <QSet>
#include <QString>
#include <QStringList>

namespace kelpo {

QString ListFileName();  // "kdf.lst"
QString ListHeader();    // "Kelpo List File. " + the product's web page
constexpr int DescriptionLimit = 1024;

// Texts of the Download tab.
extern const QString ListUnreadableMessage;  // error: list file missing or unreadable
extern const QString InvalidListMessage;     // error: wrong header
extern const QString NoNewFilesMessage;      // information: nothing to list
extern const QString FileUnreadableMessage;  // error: the chosen file cannot be had
QString DownloadHelpText(const QString &contactEmail);
// "Availlable Files: (<shown>/<listed>)"
QString CountsText(int shown, int listed);

struct ListCheck {
    enum Outcome {
        Listed,         // fileList holds at least one name
        NothingNew,     // fileList is empty: tell the user
        Unreadable,     // the list file could not be read: nothing else is set
        InvalidHeader,  // the first line is not ListHeader: nothing else is set
    };
    Outcome outcome = Unreadable;
    QStringList downloadList;  // the entry lines in file order, header and empty lines left out
    QStringList fileList;      // the names to show, sorted
    int listed = 0;            // entry lines in the file
    QString Counts() const { return CountsText(int(fileList.size()), listed); }
};

// The name of an entry line: the text before its first comma; empty when the
// line has no comma.
QString EntryName(const QString &line);
// Sorts names as the file list shows them: letter case ignored, names that
// differ only in case in a fixed order.
void SortFileList(QStringList &names);

// Reads the list file's bytes (UTF-8, or Windows-1252 when not valid UTF-8).
// With `newOnly`, names found in `existingFiles` (the data folder's file
// names) are left out of fileList; they still count in `listed`.
ListCheck CheckListText(const QByteArray &bytes, bool newOnly, const QSet<QString> &existingFiles);
// The names of the files (not folders) in `dataDir`, hidden ones included.
QSet<QString> DataFolderFiles(const QString &dataDir);
// Reads dataDir + "kdf.lst" and checks it against the folder's files.
// `dataDir` ends with a path separator.
ListCheck CheckList(const QString &dataDir, bool newOnly);

// The description of the file list's entry `selected`: the text after the
// first comma of the first line that begins with `selected`, at most
// DescriptionLimit characters (empty for a line without a comma). Returns
// false when no line begins with it (an empty name included): the shown
// description then stays as it is.
bool DescriptionOf(const QStringList &downloadList, const QString &selected, QString *description);

// Where the offered file `name` is read from: dataDir + name. Empty when the
// name is not a plain file name (empty, "." or "..", or holding a path
// separator), so a list file can never point outside the data folder.
QString OfferedFilePath(const QString &dataDir, const QString &name);

}  // namespace kelpo
