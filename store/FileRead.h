#pragma once
// Reading the files Kelpo keeps and the files it is given, safely: only
// regular files are read (a pipe, socket, device or folder in a file's place
// is refused at once, never waited on), and a file above its kind's size
// limit is refused before any of it is read.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace kelpo {

// Size limits per kind of file, far above any real file of that kind. The
// main data file has none: it grows with the user's items.
constexpr qint64 NoSizeLimit = -1;
constexpr qint64 SettingsFileLimit = qint64(1) << 20;   // "Kelpo.ini", "brand.ini"
constexpr qint64 VariablesFileLimit = qint64(256) << 10;  // "Kelpo.var"
constexpr qint64 ListFileLimit = qint64(4) << 20;       // "kdf.lst"
constexpr qint64 ExchangeFileLimit = qint64(64) << 20;  // ".kdf" files

enum class ReadOutcome {
    Read,        // `bytes` holds the whole file
    Missing,     // no such file
    NotRegular,  // a folder, pipe, socket or device
    TooLarge,    // larger than the limit
    Failed,      // the system refused to open or read it
};

struct FileContent {
    ReadOutcome outcome = ReadOutcome::Failed;
    QByteArray bytes;
    QString error;  // the reason in words, for the user, unless Read
    bool ok() const { return outcome == ReadOutcome::Read; }
};

// Reads the whole file at `path` if it is a regular file of at most `limit`
// bytes (NoSizeLimit: any size).
FileContent ReadRegularFile(const QString &path, qint64 limit);

// Opens the regular file at `path` for reading into `file`, without waiting
// on a pipe or device. False with the reason in `error` otherwise, and
// `missing` set when there is no such file.
bool OpenRegularFile(QFile &file, const QString &path, QString *error, bool *missing = nullptr);

// Is there something at `path` that is not a regular file (a folder, pipe,
// socket or device)? Symbolic links are followed. Writers leave such a thing
// alone instead of replacing it.
bool IsNonRegularFile(const QString &path);

// Asks the system to back a large buffer that is about to be filled with
// large memory pages, so that filling it does not fault in one small page
// after the other (a data file of 30 MB is 7,500 of them).
void AdviseLargePages(QByteArray &bytes);
void AdviseLargePages(void *data, size_t size);

// "12.3 MB": a size for messages.
QString SizeText(qint64 bytes);

}  // namespace kelpo
