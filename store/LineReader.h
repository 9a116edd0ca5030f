#pragma once
// The lines of a data file one by one, as views into its UTF-8 bytes, read
// either from the whole text at once or from a file a piece at a time.
#include <QByteArrayView>
#include <QIODevice>
#include <QString>

#include <cstring>
#include <vector>

namespace kelpo {

// A line ends at LF; a CR right before the LF belongs to the line end. Past
// the end, every read gives an empty line.
//
// Read from a file, the text is never held whole: a view stays good until
// the next Pin(), which lets go of the bytes before the line to be read
// next; everything from the last pin on is kept in one piece (Span).
// Positions are counted from the start of the text. The pieces are checked
// as UTF-8 as they come in: at the first byte that is not, reading stops and
// NotUtf8() says so.
class LineReader {
public:
    explicit LineReader(QByteArrayView text) : data_(text.data()), end_(text.size()), exhausted_(true) {}
    // Reads `source` from where it stands, `pieceBytes` at a time.
    LineReader(QIODevice &source, qsizetype pieceBytes);
    ~LineReader();
    LineReader(const LineReader &) = delete;
    LineReader &operator=(const LineReader &) = delete;

    bool AtEnd() { return pos_ >= end_ && !Fill(); }
    // The number of the line read last, from 1.
    qint64 LineNumber() const { return lineNumber_; }
    // Where the line read last starts, and whether it ended with CR LF.
    qint64 LineStart() const { return lineStart_; }
    bool LineEndedWithCrLf() const { return crlf_; }

    // The first bytes of the text (fewer where it is shorter).
    QByteArrayView Head(qsizetype n);
    // Leaves out the first `n` bytes (a byte order mark) before the first line.
    void Skip(qsizetype n)
    {
        pin_ = pos_ = std::min<qint64>(n, end_);
        checked_ = std::max(checked_, pos_);
    }

    QByteArrayView Next()
    {
        // Most lines lie whole within what was read.
        const char *at = data_ + (pos_ - base_);
        const char *lf = pos_ < end_ ? static_cast<const char *>(std::memchr(at, '\n', size_t(end_ - pos_))) : nullptr;
        if (Q_UNLIKELY(!lf))
            return NextAfterFill();
        ++lineNumber_;
        crlf_ = lf > at && lf[-1] == '\r';
        lineStart_ = pos_;
        pos_ += lf - at + 1;
        return QByteArrayView(at, lf - crlf_ - at);
    }
    // The next line, without taking it.
    QByteArrayView Peek()
    {
        const qint64 pos = pos_, number = lineNumber_, start = lineStart_;
        const bool crlf = crlf_;
        const QByteArrayView line = Next();
        pos_ = pos;
        lineNumber_ = number;
        lineStart_ = start;
        crlf_ = crlf;
        return line;
    }
    // Only blanks and line ends are left.
    bool RestIsBlank();

    // Lets go of everything before the next line: views given out so far
    // may no longer be used.
    void Pin()
    {
        pin_ = pos_;
        live_ = 1u << current_;
    }
    // The bytes from `start` to `end`, both at or after the last pin and
    // within what was read.
    QByteArrayView Span(qint64 start, qint64 end) const { return QByteArrayView(data_ + (start - base_), end - start); }

    // Reading the file failed (`Error` says why), or it is not UTF-8.
    bool Failed() const { return !error_.isEmpty(); }
    const QString &Error() const { return error_; }
    bool NotUtf8() const { return notUtf8_; }

private:
    struct Buffer {
        char *data = nullptr;
        qsizetype size = 0;
    };
    static Buffer Allocate(qint64 size);

    // The next line where its end is not yet read, or the last line.
    QByteArrayView NextAfterFill();
    // Reads more of the file; false at its end. The bytes from the pin on
    // stay; where the buffer is full they move to a buffer that holds no
    // view given out since the pin.
    bool Fill();
    // Checks the bytes up to `upTo` as UTF-8.
    bool Check(qint64 upTo);
    bool Stop(const QString &error);

    const char *data_ = nullptr;  // the bytes from `base_` on
    qint64 base_ = 0;
    qint64 end_ = 0;      // the end of the bytes read
    qint64 pos_ = 0;      // the start of the next line
    qint64 pin_ = 0;
    qint64 checked_ = 0;  // checked as UTF-8 up to here
    qint64 lineNumber_ = 0;
    qint64 lineStart_ = 0;
    bool crlf_ = false;

    QIODevice *source_ = nullptr;
    qsizetype pieceBytes_ = 0;
    bool exhausted_ = false;
    bool notUtf8_ = false;
    QString error_;
    std::vector<Buffer> buffers_;
    int current_ = 0;
    quint32 live_ = 0;  // the buffers that hold views given out since the pin
};

}  // namespace kelpo
