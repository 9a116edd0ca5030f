#include "TextBlocks.h"

#include "Model.h"
#include "TextCodec.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace kelpo {

namespace {

// 64 KiB of text a block. Texts of more than a quarter of that get an
// allocation of their own, so a block is never mostly left empty.
constexpr qsizetype BlockUnits = 32 * 1024;
constexpr qsizetype LargestShared = BlockUnits / 4;

// While the maker still fills a block it holds it with this count, so that
// texts freed meanwhile cannot free the block; a text made adds nothing to
// the count then (no atomic step per text). Letting go takes off the hold
// less the texts made, which leaves one count per text.
constexpr int Hold = 1 << 30;

// Widens plain ASCII into `out`; false (with `out` partly written) as soon
// as a byte is not plain ASCII.
bool WidenAscii(const unsigned char *s, qsizetype n, char16_t *out)
{
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + i));
        if (_mm_movemask_epi8(v) != 0)
            return false;
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i + 8), _mm_unpackhi_epi8(v, zero));
    }
#endif
    for (; i < n; ++i) {
        if (s[i] >= 0x80)
            return false;
        out[i] = s[i];
    }
    return true;
}

}  // namespace

TextBlocks::TextBlocks()
    : decoder_(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom)
{
}

TextBlocks::~TextBlocks()
{
    Release();
}

void TextBlocks::NewBlock()
{
    Release();
    auto [header, data] = Data::allocate(BlockUnits);
    if (!header)
        qBadAlloc();
    header->ref_.storeRelaxed(Hold);
    block_ = header;
    at_ = data;
    end_ = data + header->allocatedCapacity();
    made_ = 0;
}

void TextBlocks::Release()
{
    if (!block_)
        return;
    const int letGo = Hold - made_;
    if (block_->ref_.fetchAndAddOrdered(-letGo) == letGo)
        Data::deallocate(block_);
    block_ = nullptr;
    at_ = end_ = nullptr;
}

QString TextBlocks::Decode(QByteArrayView utf8, qsizetype max)
{
    utf8 = Utf8Reach(utf8, max);
    if (utf8.isEmpty() || max <= 0)
        return QString();
    // UTF-8 never takes fewer bytes than UTF-16 units, and one more unit
    // ends the text.
    const qsizetype room = utf8.size() + 1;
    if (room > LargestShared)
        return DecodeUtf8Prefix(utf8, max);
    if (end_ - at_ < room)
        NewBlock();

    char16_t *text = at_;
    const auto *bytes = reinterpret_cast<const unsigned char *>(utf8.data());
    qsizetype size = utf8.size();
    if (!WidenAscii(bytes, size, text))
        size = reinterpret_cast<char16_t *>(decoder_.appendToBuffer(reinterpret_cast<QChar *>(text), utf8)) - text;
    size = CutView(QStringView(text, size), max).size();
    text[size] = 0;  // a QString's own text always ends with a zero
    at_ = text + size + 1;
    ++made_;
    return QString(QString::DataPointer(block_, text, size));
}

}  // namespace kelpo
