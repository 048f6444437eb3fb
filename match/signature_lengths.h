// The file lengths that some record of a signature table could accept, so that the detector can
// pass over a file by the length its directory listing gives, without opening it.
#pragma once
#include <cstdint>

#include "match/signature_table.h"

// Length ranges kept; a table needing more turns the shortcut off rather than being cut short.
const int kMaxLengthRanges = 2048;

struct SignatureLengths {
    bool built;
    bool admitsAll;   // an Any record, a rule of unknown kind, or more ranges than fit
    int32_t count;    // ranges in use, sorted, disjoint and not touching
    int32_t low[kMaxLengthRanges];   // first accepted length of each range
    int32_t high[kMaxLengthRanges];  // last accepted length of each range
};

// What the size rules of table (up to its terminator) accept: each Exact length, each Near window.
void BuildSignatureLengths(const SignatureRecord* table, SignatureLengths& lengths);
// False only when no record's size rule accepts a file of this many bytes.
bool SignatureLengthsAdmit(const SignatureLengths& lengths, int64_t length);
