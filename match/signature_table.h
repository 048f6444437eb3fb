// The signature table built into the program: one 108-byte record per known malicious executable,
// in the stored byte layout, plus the build-time settings that go with it.
#pragma once
#include <cstddef>
#include <cstdint>

// How a record's fileSize is tested against the scanned file's length; any other value never matches.
enum class SizeRule : int32_t { Exact = 1, Near = 2, Any = 3 };

// Half-width of the Near rule's window, in bytes (a difference of exactly this much fails).
const int32_t kSizeWindow = 4096;
// When on, the scan statistics show the removed-files count.
const bool kShowRemovedCount = true;

const int kSignatureRunLength = 20;          // bytes compared per run
const int kSignatureRecordCount = 748;       // shipped records, before the terminator

// Stored format: packed, little-endian, and the fields at 75 and 79 are unaligned. The table is
// constant data of the program (both targets are little-endian x86), never file input.
#pragma pack(push, 1)
struct SignatureRecord {
    char name[50];               // NUL-padded; a first byte of 0 ends the table
    int32_t firstOffset;         // from the entry point, in bytes of virtual address
    uint8_t firstBytes[21];      // 20 compared bytes and a NUL that is never compared
    int32_t secondOffset;
    uint8_t secondBytes[21];
    int32_t fileSize;
    int32_t sizeRule;            // SizeRule
};
#pragma pack(pop)

static_assert(sizeof(SignatureRecord) == 108, "stored record size");
static_assert(offsetof(SignatureRecord, name) == 0, "stored layout");
static_assert(offsetof(SignatureRecord, firstOffset) == 50, "stored layout");
static_assert(offsetof(SignatureRecord, firstBytes) == 54, "stored layout");
static_assert(offsetof(SignatureRecord, secondOffset) == 75, "stored layout");
static_assert(offsetof(SignatureRecord, secondBytes) == 79, "stored layout");
static_assert(offsetof(SignatureRecord, fileSize) == 100, "stored layout");
static_assert(offsetof(SignatureRecord, sizeRule) == 104, "stored layout");

// The shipped table (match/signatures.bin, assembled into the image): kSignatureRecordCount
// records and an all-zero terminator. Readers stop at the first record whose name starts with NUL.
extern "C" const SignatureRecord kSignatureTable[];
