#pragma once
// Many short texts read from a file, made one after the other in shared
// blocks of memory instead of one allocation each.
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

namespace kelpo {

// Every text made is an ordinary QString: copying, changing and freeing it
// work as with any other (a change copies it out first, as with any shared
// string). A block is freed once the maker has moved on from it and the last
// text in it is gone.
class TextBlocks {
public:
    TextBlocks();
    ~TextBlocks();
    TextBlocks(const TextBlocks &) = delete;
    TextBlocks &operator=(const TextBlocks &) = delete;

    // `utf8` decoded as DecodeUtf8Prefix(utf8, max) decodes it: at most
    // `max` UTF-16 units, never half a surrogate pair; null when empty.
    QString Decode(QByteArrayView utf8, qsizetype max);

private:
    using Data = QTypedArrayData<char16_t>;
    void NewBlock();
    void Release();  // lets go of the current block

    Data *block_ = nullptr;
    char16_t *at_ = nullptr;
    char16_t *end_ = nullptr;
    int made_ = 0;  // texts made in the current block
    QStringDecoder decoder_;
};

}  // namespace kelpo
