// SHA-256 (FIPS 180-4) over bytes fed in any pieces.
#include "base/sha256.h"

#include "base/clib.h"

namespace {

const uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

inline uint32_t RotateRight(uint32_t x, int n)
{
    return (x >> n) | (x << (32 - n));
}

inline uint32_t ReadBe32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

}  // namespace

void Sha256::Reset()
{
    static const uint32_t kInitial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                         0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    MemCopy(m_state, kInitial, sizeof(m_state));
    m_pendingSize = 0;
    m_totalBytes = 0;
}

void Sha256::Block(const uint8_t* block)
{
    uint32_t w[64];
    for (int i = 0; i < 16; ++i)
        w[i] = ReadBe32(block + 4 * i);
    for (int i = 16; i < 64; ++i) {
        uint32_t s0 = RotateRight(w[i - 15], 7) ^ RotateRight(w[i - 15], 18) ^ (w[i - 15] >> 3);
        uint32_t s1 = RotateRight(w[i - 2], 17) ^ RotateRight(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
    uint32_t e = m_state[4], f = m_state[5], g = m_state[6], h = m_state[7];
    for (int i = 0; i < 64; ++i) {
        uint32_t s1 = RotateRight(e, 6) ^ RotateRight(e, 11) ^ RotateRight(e, 25);
        uint32_t choose = (e & f) ^ (~e & g);
        uint32_t t1 = h + s1 + choose + kRoundConstants[i] + w[i];
        uint32_t s0 = RotateRight(a, 2) ^ RotateRight(a, 13) ^ RotateRight(a, 22);
        uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
        uint32_t t2 = s0 + majority;
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    m_state[0] += a;
    m_state[1] += b;
    m_state[2] += c;
    m_state[3] += d;
    m_state[4] += e;
    m_state[5] += f;
    m_state[6] += g;
    m_state[7] += h;
}

void Sha256::Update(const void* data, size_t size)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    m_totalBytes += size;
    if (m_pendingSize > 0) {
        size_t take = 64 - m_pendingSize < size ? 64 - m_pendingSize : size;
        MemCopy(m_pending + m_pendingSize, bytes, take);
        m_pendingSize += take;
        bytes += take;
        size -= take;
        if (m_pendingSize < 64)
            return;
        Block(m_pending);
        m_pendingSize = 0;
    }
    for (; size >= 64; bytes += 64, size -= 64)
        Block(bytes);
    if (size > 0)
        MemCopy(m_pending, bytes, size);
    m_pendingSize = size;
}

void Sha256::Finish(uint8_t digest[kSha256Size])
{
    uint64_t totalBits = m_totalBytes * 8;
    uint8_t tail[72] = {0x80};
    // Pad to 56 bytes past a block boundary, then the length in bits, big-endian.
    size_t padding = (m_pendingSize < 56 ? 56 : 120) - m_pendingSize;
    for (int i = 0; i < 8; ++i)
        tail[padding + i] = static_cast<uint8_t>(totalBits >> (56 - 8 * i));
    Update(tail, padding + 8);
    for (int i = 0; i < 8; ++i) {
        digest[4 * i] = static_cast<uint8_t>(m_state[i] >> 24);
        digest[4 * i + 1] = static_cast<uint8_t>(m_state[i] >> 16);
        digest[4 * i + 2] = static_cast<uint8_t>(m_state[i] >> 8);
        digest[4 * i + 3] = static_cast<uint8_t>(m_state[i]);
    }
}

void Sha256Of(const void* data, size_t size, uint8_t digest[kSha256Size])
{
    Sha256 hash;
    hash.Update(data, size);
    hash.Finish(digest);
}

void Sha256Text(const uint8_t digest[kSha256Size], char text[kSha256TextSize])
{
    static const char kHex[] = "0123456789abcdef";
    for (size_t i = 0; i < kSha256Size; ++i) {
        text[2 * i] = kHex[digest[i] >> 4];
        text[2 * i + 1] = kHex[digest[i] & 15];
    }
    text[2 * kSha256Size] = '\0';
}
