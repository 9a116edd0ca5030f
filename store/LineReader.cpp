#include "LineReader.h"

#include "FileRead.h"
#include "TextCodec.h"

#include <algorithm>
#include <cstdlib>

namespace kelpo {

LineReader::LineReader(QIODevice &source, qsizetype pieceBytes)
    : source_(&source), pieceBytes_(std::max<qsizetype>(pieceBytes, 1))
{
    Fill();
}

LineReader::~LineReader()
{
    for (const Buffer &b : buffers_)
        std::free(b.data);
}

QByteArrayView LineReader::Head(qsizetype n)
{
    while (end_ < n && Fill()) {
    }
    return QByteArrayView(data_, std::min<qint64>(n, end_ - base_));
}

bool LineReader::RestIsBlank()
{
    for (qint64 i = pos_;; ++i) {
        if (i >= end_ && !Fill())
            return true;
        const char c = data_[i - base_];
        if (c != '\r' && c != '\n' && c != ' ' && c != '\t')
            return false;
    }
}

QByteArrayView LineReader::NextAfterFill()
{
    if (AtEnd())
        return {};
    ++lineNumber_;
    const char *lf = nullptr;
    for (qint64 from = pos_;;) {
        lf = static_cast<const char *>(std::memchr(data_ + (from - base_), '\n', size_t(end_ - from)));
        if (lf)
            break;
        from = end_;
        if (!Fill())
            break;
    }
    qint64 end = lf ? lf - data_ + base_ : end_;
    const qint64 next = lf ? end + 1 : end;
    crlf_ = lf && end > pos_ && data_[end - 1 - base_] == '\r';
    if (crlf_)
        --end;
    const QByteArrayView line(data_ + (pos_ - base_), end - pos_);
    lineStart_ = pos_;
    pos_ = next;
    return line;
}

bool LineReader::Fill()
{
    if (exhausted_)
        return false;
    const qint64 kept = end_ - pin_;
    if (buffers_.empty() || end_ - base_ >= buffers_[size_t(current_)].size) {
        int spare = 0;
        while (spare < int(buffers_.size()) && (live_ & (1u << spare)))
            ++spare;
        if (spare == int(buffers_.size())) {
            if (spare >= 32)
                return Stop(QStringLiteral("The file could not be read in pieces."));
            buffers_.push_back({});
        }
        Buffer &b = buffers_[size_t(spare)];
        // A block larger than a piece (a huge comment) gets at least
        // twice the room each time, so it is copied only a few times.
        qint64 wanted = std::max(kept + pieceBytes_, 2 * kept);
        // A file of a few pieces is read in one: two buffers would
        // take more than the whole of it.
        const qint64 size = source_->size();
        if (buffers_.size() == 1 && size > 0 && size <= 4 * pieceBytes_)
            wanted = std::max(wanted, size + 1);
        if (b.size < wanted) {
            std::free(b.data);
            // Pieces of 1 MiB make buffers of one whole large page.
            b = Allocate(std::max<qint64>({wanted, 2 * b.size, 2 * pieceBytes_}));
            if (!b.data)
                return Stop(QStringLiteral("There is not enough memory to read the file."));
        }
        if (kept > 0)
            std::memcpy(b.data, data_ + (pin_ - base_), size_t(kept));
        current_ = spare;
        live_ |= 1u << spare;
        data_ = b.data;
        base_ = pin_;
    }
    const Buffer &b = buffers_[size_t(current_)];
    const qsizetype room = b.size - qsizetype(end_ - base_);
    const qint64 got = source_->read(b.data + (end_ - base_), room);
    if (got < 0)
        return Stop(source_->errorString());
    if (got == 0) {
        exhausted_ = true;
        Check(end_);
        return false;
    }
    end_ += got;
    // Only whole lines are checked: a line end is never inside a character.
    const char *from = data_ + (checked_ - base_);
    const char *lastLf = static_cast<const char *>(memrchr(from, '\n', size_t(end_ - checked_)));
    return !lastLf || Check(lastLf - data_ + base_ + 1);
}

LineReader::Buffer LineReader::Allocate(qint64 size)
{
    // Large buffers on whole large pages, where the system has them.
    constexpr qint64 LargePage = qint64(2) << 20;
    Buffer b;
    if (size % LargePage == 0)
        b.data = static_cast<char *>(std::aligned_alloc(size_t(LargePage), size_t(size)));
    else
        b.data = static_cast<char *>(std::malloc(size_t(size)));
    if (b.data)
        AdviseLargePages(b.data, size_t(size));
    b.size = b.data ? qsizetype(size) : 0;
    return b;
}

bool LineReader::Check(qint64 upTo)
{
    const QByteArrayView bytes(data_ + (checked_ - base_), upTo - checked_);
    checked_ = upTo;
    if (IsValidUtf8(bytes))
        return true;
    notUtf8_ = true;
    exhausted_ = true;
    end_ = pos_;
    return false;
}

bool LineReader::Stop(const QString &error)
{
    error_ = error.isEmpty() ? QStringLiteral("The file could not be read.") : error;
    exhausted_ = true;
    end_ = pos_;
    return false;
}

}  // namespace kelpo
