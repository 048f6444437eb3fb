// The form a removed file is kept in: a header of our own, then the file's bytes mixed with a fixed
// key stream, under a name no system runs. So the copy neither starts as a program nor holds any
// byte run a scanner looks for, ours included, and a later scan passes over it (portable).
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/byte_reader.h"
#include "base/sha256.h"

const size_t kKeptHeaderSize = 64;
// A kept copy's name in its scan's folder: five digits and this ending, which no system runs.
const char kKeptCopyExtension[] = ".kpt";
const size_t kKeptCopyNameSize = 16;
const int32_t kMaxKeptCopies = 99999;

struct KeptHeader {
    uint64_t size;                 // the original file's length
    uint8_t sha256[kSha256Size];   // of the original bytes, not of the mixed ones
};

// The 64 header bytes before the mixed body.
void WriteKeptHeader(const KeptHeader& header, uint8_t out[kKeptHeaderSize]);
// False for anything but a header WriteKeptHeader made (wrong mark, version, reserved bytes).
bool ReadKeptHeader(const uint8_t in[kKeptHeaderSize], KeptHeader& header);

// Mixes bytes with the key stream, or unmixes them (the same operation). Feed the body from its
// first byte on, in pieces of any size; a new object starts the stream again.
class KeptCopyMixer {
public:
    KeptCopyMixer();
    void Apply(uint8_t* data, size_t size);

private:
    uint32_t m_state;
    uint32_t m_word;
    int m_wordBytesLeft;
};

// Reads a kept copy back into bytes (room for size bytes), unmixed: null when it is exactly the copy
// of a file of size bytes whose SHA-256 is sha256, else why not. A copy whose header, length or
// bytes were changed is refused: the undo writes nothing it did not keep.
const char* ReadKeptCopy(ByteReader& copy, uint64_t size, const uint8_t sha256[kSha256Size], uint8_t* bytes);

// "00001.kpt" for index 1; false when index is outside 1..kMaxKeptCopies.
bool KeptCopyName(int32_t index, char* name, size_t nameSize);
// True only for names KeptCopyName makes: no separator, no other ending, nothing else.
bool IsKeptCopyName(const char* name);
