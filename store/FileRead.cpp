#include "FileRead.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelpo {

namespace {

QString SystemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString NotRegularText(const struct stat &st)
{
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("It is a folder, not a file.");
    if (S_ISFIFO(st.st_mode))
        return QStringLiteral("It is a pipe, not a file.");
    if (S_ISSOCK(st.st_mode))
        return QStringLiteral("It is a socket, not a file.");
    return QStringLiteral("It is a device, not a file.");
}

QString TooLargeText(qint64 size, qint64 limit)
{
    return QStringLiteral("The file is too large (%1; at most %2 is read for a file of this kind).")
        .arg(SizeText(size), SizeText(limit));
}

// Closes the descriptor on every way out.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

}  // namespace

QString SizeText(qint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 bytes").arg(bytes);
    if (bytes < (qint64(1) << 20))
        return QStringLiteral("%1 KB").arg(double(bytes) / 1024, 0, 'f', 1);
    if (bytes < (qint64(1) << 30))
        return QStringLiteral("%1 MB").arg(double(bytes) / (1 << 20), 0, 'f', 1);
    return QStringLiteral("%1 GB").arg(double(bytes) / (1 << 30), 0, 'f', 1);
}

bool IsNonRegularFile(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return !S_ISREG(st.st_mode);
}

namespace {

// Opens `path` for reading if it is a regular file. Without O_NONBLOCK,
// opening a pipe waits for a writer for ever; the flag means nothing for
// the regular files that are read.
int OpenRegular(const QString &path, FileContent &out, struct stat &st)
{
    Descriptor f{::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    if (f.fd < 0) {
        const int e = errno;
        out.outcome = e == ENOENT ? ReadOutcome::Missing : ReadOutcome::Failed;
        out.error = SystemError(e);
        return -1;
    }
    if (::fstat(f.fd, &st) != 0) {
        out.error = SystemError(errno);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        out.outcome = ReadOutcome::NotRegular;
        out.error = NotRegularText(st);
        return -1;
    }
    const int fd = f.fd;
    f.fd = -1;
    return fd;
}

}  // namespace

bool OpenRegularFile(QFile &file, const QString &path, QString *error, bool *missing)
{
    FileContent out;
    struct stat st;
    const int fd = OpenRegular(path, out, st);
    if (missing)
        *missing = out.outcome == ReadOutcome::Missing;
    if (fd < 0) {
        if (error)
            *error = out.error;
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

void AdviseLargePages(void *data, size_t size)
{
    constexpr quintptr Page = 4096;
    constexpr size_t Worthwhile = size_t(2) << 20;
    if (size < Worthwhile)
        return;
    const auto start = reinterpret_cast<quintptr>(data);
    const quintptr begin = (start + Page - 1) & ~(Page - 1);
    const quintptr end = (start + quintptr(size)) & ~(Page - 1);
    // Only advice: where the system has no large pages it changes nothing.
    if (end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
}

void AdviseLargePages(QByteArray &bytes)
{
    AdviseLargePages(bytes.data(), size_t(bytes.size()));
}

FileContent ReadRegularFile(const QString &path, qint64 limit)
{
    FileContent out;
    struct stat st;
    Descriptor f{OpenRegular(path, out, st)};
    if (f.fd < 0)
        return out;
    if (limit >= 0 && st.st_size > limit) {
        out.outcome = ReadOutcome::TooLarge;
        out.error = TooLargeText(st.st_size, limit);
        return out;
    }
    // The size is a hint: a file that grows meanwhile is read to its end,
    // within the limit. Reading past the expected size goes through a small
    // buffer, so a whole file never costs more than its own size.
    QByteArray bytes(qsizetype(st.st_size), Qt::Uninitialized);
    AdviseLargePages(bytes);
    qsizetype done = 0;
    char probe[1 << 16];
    for (;;) {
        const bool room = done < bytes.size();
        char *into = room ? bytes.data() + done : probe;
        const size_t want = room ? size_t(bytes.size() - done) : sizeof probe;
        const ssize_t n = ::read(f.fd, into, want);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            out.error = SystemError(errno);
            return out;
        }
        if (n == 0)
            break;
        if (!room) {
            if (limit >= 0 && done + n > limit) {
                out.outcome = ReadOutcome::TooLarge;
                out.error = TooLargeText(done + n, limit);
                return out;
            }
            bytes.append(probe, n);
        }
        done += n;
    }
    bytes.truncate(done);
    out.bytes = std::move(bytes);
    out.outcome = ReadOutcome::Read;
    return out;
}

}  // namespace kelpo
