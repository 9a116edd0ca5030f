#pragma once
// Whole numbers as the "Entries:" field reads them.
#include <QString>

namespace kelpo {

struct WholeNumber {
    qint32 value = 0;   // the number read before the first invalid character
    bool valid = false; // the whole text was a number
};

// Leading blanks are skipped, then an optional sign; "$" or "0x" (or "x")
// starts hexadecimal digits. Reading stops at the first character that does
// not belong to the number, or at a digit that would overflow 32 bits; the
// value read so far is kept. An empty text gives 0 and is not valid.
WholeNumber ReadWholeNumber(const QString &text);

}  // namespace kelpo
