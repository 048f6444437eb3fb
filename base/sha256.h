// SHA-256, written once so the product links no library: it names a kept file's bytes, so that a
// copy is put back only when it is still exactly what was removed.
#pragma once
#include <cstddef>
#include <cstdint>

const size_t kSha256Size = 32;
// 64 hex digits and a terminator.
const size_t kSha256TextSize = 2 * kSha256Size + 1;

class Sha256 {
public:
    Sha256() { Reset(); }
    void Reset();
    void Update(const void* data, size_t size);
    // Writes the digest and leaves the object to be Reset before further use.
    void Finish(uint8_t digest[kSha256Size]);

private:
    void Block(const uint8_t* block);
    uint32_t m_state[8];
    uint8_t m_pending[64];
    size_t m_pendingSize;
    uint64_t m_totalBytes;
};

void Sha256Of(const void* data, size_t size, uint8_t digest[kSha256Size]);
// Lower-case hex, as the journal and sha256sum write it.
void Sha256Text(const uint8_t digest[kSha256Size], char text[kSha256TextSize]);
