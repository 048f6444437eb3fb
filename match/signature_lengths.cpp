// Length ranges of the signature table: built once, then one binary search per listed file.
#include "match/signature_lengths.h"

#include <algorithm>

void BuildSignatureLengths(const SignatureRecord* table, SignatureLengths& lengths)
{
    lengths.built = true;
    lengths.admitsAll = false;
    lengths.count = 0;
    for (int i = 0; table[i].name[0] != '\0'; ++i) {
        const SignatureRecord& record = table[i];
        int64_t low = record.fileSize;
        int64_t high = record.fileSize;
        if (record.sizeRule == static_cast<int32_t>(SizeRule::Near)) {
            // A difference of exactly kSizeWindow fails, as in SizeRuleAccepts.
            low -= kSizeWindow - 1;
            high += kSizeWindow - 1;
        } else if (record.sizeRule != static_cast<int32_t>(SizeRule::Exact)) {
            lengths.admitsAll = true;  // Any, or a rule this build does not know
            return;
        }
        // Lengths are never negative, and the matcher takes none above INT32_MAX.
        low = std::max<int64_t>(low, 0);
        high = std::min<int64_t>(high, INT32_MAX);
        if (low > high)
            continue;
        if (lengths.count == kMaxLengthRanges) {
            lengths.admitsAll = true;
            return;
        }
        lengths.low[lengths.count] = static_cast<int32_t>(low);
        lengths.high[lengths.count] = static_cast<int32_t>(high);
        ++lengths.count;
    }
    // Sort the ranges by their start (insertion sort: a few hundred, once), then merge overlaps.
    for (int32_t i = 1; i < lengths.count; ++i) {
        int32_t low = lengths.low[i];
        int32_t high = lengths.high[i];
        int32_t j = i;
        for (; j > 0 && lengths.low[j - 1] > low; --j) {
            lengths.low[j] = lengths.low[j - 1];
            lengths.high[j] = lengths.high[j - 1];
        }
        lengths.low[j] = low;
        lengths.high[j] = high;
    }
    int32_t merged = 0;
    for (int32_t i = 0; i < lengths.count; ++i) {
        if (merged > 0 && static_cast<int64_t>(lengths.low[i]) <= static_cast<int64_t>(lengths.high[merged - 1]) + 1) {
            lengths.high[merged - 1] = std::max(lengths.high[merged - 1], lengths.high[i]);
            continue;
        }
        lengths.low[merged] = lengths.low[i];
        lengths.high[merged] = lengths.high[i];
        ++merged;
    }
    lengths.count = merged;
}

bool SignatureLengthsAdmit(const SignatureLengths& lengths, int64_t length)
{
    // Above INT32_MAX the matcher rejects the file whatever the rules say.
    if (length < 0 || length > INT32_MAX)
        return false;
    if (lengths.admitsAll)
        return true;
    // The last range starting at or below length is the only one that can hold it.
    const int32_t* after = std::upper_bound(lengths.low, lengths.low + lengths.count, static_cast<int32_t>(length));
    if (after == lengths.low)
        return false;
    return length <= lengths.high[after - lengths.low - 1];
}
