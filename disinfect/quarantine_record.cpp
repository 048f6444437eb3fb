// The quarantine's records file: CR LF lines of 8-bit text, a header, then sections of
// "field=value" lines each closed by "end". Text fields escape control bytes and '%' as %XX, so
// every record is one line per field whatever a path or value name holds.
#include "disinfect/quarantine_record.h"

#include "base/clib.h"
#include "base/text.h"

namespace {

const char kFirstLine[] = "Tarvex quarantine records 1";
const char kEndLine[] = "end";

enum FieldId {
    kFieldPath,
    kFieldShort,
    kFieldAttributes,
    kFieldCreated,
    kFieldAccessed,
    kFieldWritten,
    kFieldSize,
    kFieldSha256,
    kFieldCopy,
    kFieldNotKept,
    kFieldView,
    kFieldKey,
    kFieldName,
    kFieldType,
    kFieldData,
    kFieldDetection,
    kFieldAction,
    kFieldResult,
    kFieldTime,
    kFieldRestored,
    kFieldLeft,
    kFieldCount,
};

const unsigned kFileBit = 1u << static_cast<int>(RecordKind::kFile);
const unsigned kKeyBit = 1u << static_cast<int>(RecordKind::kKey);
const unsigned kValueBit = 1u << static_cast<int>(RecordKind::kValue);
const unsigned kUndoBit = 1u << static_cast<int>(RecordKind::kUndo);

struct FieldRule {
    FieldId id;
    const char* name;
    unsigned kinds;     // the kinds that have this field
    unsigned required;  // the kinds that must have it
};

// In the order the writer writes them.
const FieldRule kFields[kFieldCount] = {
    {kFieldPath, "path", kFileBit, kFileBit},
    {kFieldShort, "short", kFileBit, kFileBit},
    {kFieldAttributes, "attributes", kFileBit, kFileBit},
    {kFieldCreated, "created", kFileBit, kFileBit},
    {kFieldAccessed, "accessed", kFileBit, kFileBit},
    {kFieldWritten, "written", kFileBit, kFileBit},
    {kFieldSize, "size", kFileBit, kFileBit},
    {kFieldSha256, "sha256", kFileBit, 0},  // unknown for a file that could not be read
    {kFieldCopy, "copy", kFileBit, 0},
    {kFieldNotKept, "notkept", kFileBit, 0},
    {kFieldView, "view", kKeyBit | kValueBit, kKeyBit | kValueBit},
    {kFieldKey, "key", kKeyBit | kValueBit, kKeyBit | kValueBit},
    {kFieldName, "name", kValueBit, kValueBit},
    {kFieldType, "type", kValueBit, kValueBit},
    {kFieldData, "data", kValueBit, kValueBit},
    {kFieldDetection, "detection", kFileBit | kKeyBit | kValueBit, kFileBit | kKeyBit | kValueBit},
    {kFieldAction, "action", kFileBit | kKeyBit | kValueBit, kFileBit | kKeyBit | kValueBit},
    {kFieldResult, "result", kFileBit | kKeyBit | kValueBit, kFileBit | kKeyBit | kValueBit},
    {kFieldTime, "time", kUndoBit, kUndoBit},
    {kFieldRestored, "restored", kUndoBit, kUndoBit},
    {kFieldLeft, "left", kUndoBit, kUndoBit},
};

struct SectionName {
    const char* line;
    RecordKind kind;
};
const SectionName kSections[] = {
    {"[file]", RecordKind::kFile},
    {"[key]", RecordKind::kKey},
    {"[value]", RecordKind::kValue},
    {"[undo]", RecordKind::kUndo},
};

unsigned KindBit(RecordKind kind)
{
    return 1u << static_cast<int>(kind);
}

const char kHexDigits[] = "0123456789abcdef";

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

const char* ViewText(RegistryView view)
{
    return view == kView64 ? "64" : view == kView32 ? "32" : "only";
}

bool NeedsEscape(uint8_t c)
{
    return c < 0x20 || c == 0x7F || c == '%';
}

// ---- path rules ----

bool IsControlOrWild(uint8_t c)
{
    return c < 0x20 || c == 0x7F || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|' ||
           c == '/' || c == ':';
}

// The system's reserved device names, which it opens as devices in any folder and with any ending:
// "C:\x\nul.txt" is the null device, not a file.
bool IsDeviceName(const char* name, size_t length)
{
    // The part before the first dot, trailing spaces and dots dropped, is what the system compares.
    size_t base = 0;
    while (base < length && name[base] != '.')
        ++base;
    while (base > 0 && (name[base - 1] == ' ' || name[base - 1] == '.'))
        --base;
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* device : kDevices) {
        size_t deviceLength = TextLength(device);
        if (base == deviceLength && CompareNoCaseN(name, device, base) == 0)
            return true;
    }
    // COM and LPT with one digit, or a superscript 1, 2 or 3 in the 8-bit code page.
    if (base == 4 && (CompareNoCaseN(name, "COM", 3) == 0 || CompareNoCaseN(name, "LPT", 3) == 0)) {
        uint8_t last = static_cast<uint8_t>(name[3]);
        return (last >= '0' && last <= '9') || last == 0xB9 || last == 0xB2 || last == 0xB3;
    }
    return false;
}

// Names between backslashes from rest on: none empty, ".", "..", a device, or with a byte the file
// system does not take in a name.
bool NamesAreSafe(const char* rest, bool allowColon)
{
    const char* name = rest;
    for (;;) {
        const char* end = name;
        while (*end != '\0' && *end != '\\') {
            uint8_t c = static_cast<uint8_t>(*end);
            if (c < 0x20 || c == 0x7F || (!allowColon && IsControlOrWild(c)))
                return false;
            ++end;
        }
        size_t length = static_cast<size_t>(end - name);
        if (length == 0)
            return false;
        if ((length == 1 && name[0] == '.') || (length == 2 && name[0] == '.' && name[1] == '.'))
            return false;
        if (!allowColon && IsDeviceName(name, length))
            return false;
        if (*end == '\0')
            return true;
        name = end + 1;
    }
}

// ---- text out ----

bool Put(TextSink& out, const char* text)
{
    return out.Write(text, TextLength(text));
}

bool PutEscaped(TextSink& out, const char* text)
{
    const char* run = text;
    for (const char* p = text;; ++p) {
        uint8_t c = static_cast<uint8_t>(*p);
        if (c != '\0' && !NeedsEscape(c))
            continue;
        if (p > run && !out.Write(run, static_cast<size_t>(p - run)))
            return false;
        if (c == '\0')
            return true;
        char escape[3] = {'%', kHexDigits[c >> 4], kHexDigits[c & 15]};
        if (!out.Write(escape, sizeof(escape)))
            return false;
        run = p + 1;
    }
}

bool PutHex(TextSink& out, const uint8_t* bytes, size_t count)
{
    char chunk[128];
    size_t used = 0;
    for (size_t i = 0; i < count; ++i) {
        chunk[used++] = kHexDigits[bytes[i] >> 4];
        chunk[used++] = kHexDigits[bytes[i] & 15];
        if (used == sizeof(chunk)) {
            if (!out.Write(chunk, used))
                return false;
            used = 0;
        }
    }
    return used == 0 || out.Write(chunk, used);
}

bool PutFixedHex(TextSink& out, uint64_t value, int digits)
{
    char text[17];
    for (int i = 0; i < digits; ++i)
        text[i] = kHexDigits[(value >> (4 * (digits - 1 - i))) & 15];
    return out.Write(text, static_cast<size_t>(digits));
}

bool PutDecimal(TextSink& out, uint64_t value)
{
    char text[21];
    size_t at = sizeof(text);
    do {
        text[--at] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return out.Write(text + at, sizeof(text) - at);
}

bool PutFieldValue(TextSink& out, const QuarantineRecord& r, FieldId id)
{
    switch (id) {
    case kFieldPath: return PutEscaped(out, r.path);
    case kFieldShort: return PutEscaped(out, r.shortPath);
    case kFieldAttributes: return PutFixedHex(out, r.attributes, 8);
    case kFieldCreated: return PutFixedHex(out, r.created, 16);
    case kFieldAccessed: return PutFixedHex(out, r.accessed, 16);
    case kFieldWritten: return PutFixedHex(out, r.written, 16);
    case kFieldSize: return PutDecimal(out, r.size);
    case kFieldSha256: return PutHex(out, r.sha256, kSha256Size);
    case kFieldCopy: return Put(out, r.copy);
    case kFieldNotKept: return PutEscaped(out, r.notKept);
    case kFieldView: return Put(out, ViewText(r.view));
    case kFieldKey: return PutEscaped(out, r.key);
    case kFieldName: return PutEscaped(out, r.valueName);
    case kFieldType: return PutDecimal(out, r.valueType);
    case kFieldData: return PutHex(out, r.data, r.dataSize);
    case kFieldDetection: return PutEscaped(out, r.detection);
    case kFieldAction: return PutEscaped(out, r.action);
    case kFieldResult: return PutEscaped(out, r.result);
    case kFieldTime: return PutFixedHex(out, r.undoTime, 16);
    case kFieldRestored: return PutDecimal(out, static_cast<uint64_t>(r.restored));
    case kFieldLeft: return PutDecimal(out, static_cast<uint64_t>(r.left));
    case kFieldCount: break;
    }
    return false;
}

bool HasSha256(const QuarantineRecord& r)
{
    for (size_t i = 0; i < kSha256Size; ++i) {
        if (r.sha256[i] != 0)
            return true;
    }
    return false;
}

// Whether the writer writes an optional field of this record.
bool Present(const QuarantineRecord& r, const FieldRule& rule)
{
    if ((rule.kinds & KindBit(r.kind)) == 0)
        return false;
    switch (rule.id) {
    case kFieldSha256: return HasSha256(r);
    case kFieldCopy: return r.copy[0] != '\0';
    case kFieldNotKept: return r.copy[0] == '\0';
    default: return true;
    }
}

// The rules a record must meet to be written or read, apart from the form of each field.
RecordFault CheckRecord(const QuarantineRecord& r)
{
    switch (r.kind) {
    case RecordKind::kFile:
        if (!IsSafeFilePath(r.path) || !IsSafeFilePath(r.shortPath))
            return RecordFault::kUnsafePath;
        if (r.copy[0] != '\0' && !IsKeptCopyName(r.copy))
            return RecordFault::kBadValue;
        // A kept copy is put back only after its bytes hash to what was removed.
        if (r.copy[0] != '\0' && !HasSha256(r))
            return RecordFault::kMissingField;
        if (r.copy[0] == '\0' && r.notKept[0] == '\0')
            return RecordFault::kMissingField;
        return RecordFault::kNone;
    case RecordKind::kKey:
    case RecordKind::kValue:
        if (!IsSafeRegistryKey(r.key))
            return RecordFault::kUnsafePath;
        if (r.kind == RecordKind::kValue && r.dataSize > kMaxValueData)
            return RecordFault::kBadValue;
        return RecordFault::kNone;
    case RecordKind::kUndo:
        return r.restored < 0 || r.left < 0 ? RecordFault::kBadValue : RecordFault::kNone;
    }
    return RecordFault::kBadValue;
}

// ---- text in ----

// Decodes %XX escapes into dest; false on a bad escape, an escaped NUL or a value that does not fit.
bool TakeEscaped(const char* value, char* dest, size_t destSize)
{
    size_t used = 0;
    for (const char* p = value; *p != '\0'; ++p) {
        uint8_t c = static_cast<uint8_t>(*p);
        if (c == '%') {
            int high = HexValue(p[1]);
            int low = high < 0 ? -1 : HexValue(p[2]);
            if (low < 0)
                return false;
            c = static_cast<uint8_t>(high * 16 + low);
            // Only what the writer escapes may be escaped: one spelling for each text.
            if (c == 0 || !NeedsEscape(c))
                return false;
            p += 2;
        } else if (NeedsEscape(c)) {
            return false;
        }
        if (used + 1 >= destSize)
            return false;
        dest[used++] = static_cast<char>(c);
    }
    dest[used] = '\0';
    return true;
}

bool TakeHexBytes(const char* value, uint8_t* dest, size_t destSize, uint32_t& count)
{
    size_t length = TextLength(value);
    if (length % 2 != 0 || length / 2 > destSize)
        return false;
    for (size_t i = 0; i < length / 2; ++i) {
        int high = HexValue(value[2 * i]);
        int low = HexValue(value[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        dest[i] = static_cast<uint8_t>(high * 16 + low);
    }
    count = static_cast<uint32_t>(length / 2);
    return true;
}

bool TakeFixedHex(const char* value, int digits, uint64_t& out)
{
    if (TextLength(value) != static_cast<size_t>(digits))
        return false;
    out = 0;
    for (int i = 0; i < digits; ++i) {
        int v = HexValue(value[i]);
        if (v < 0)
            return false;
        out = (out << 4) | static_cast<uint64_t>(v);
    }
    return true;
}

bool TakeDecimal(const char* value, uint64_t limit, uint64_t& out)
{
    if (value[0] == '\0' || (value[0] == '0' && value[1] != '\0'))
        return false;
    out = 0;
    for (const char* p = value; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        uint64_t digit = static_cast<uint64_t>(*p - '0');
        if (out > (limit - digit) / 10)
            return false;
        out = out * 10 + digit;
    }
    return true;
}

bool TakeFieldValue(QuarantineRecord& r, FieldId id, const char* value)
{
    uint64_t number = 0;
    uint32_t count = 0;
    switch (id) {
    case kFieldPath: return TakeEscaped(value, r.path, sizeof(r.path));
    case kFieldShort: return TakeEscaped(value, r.shortPath, sizeof(r.shortPath));
    case kFieldAttributes:
        if (!TakeFixedHex(value, 8, number))
            return false;
        r.attributes = static_cast<uint32_t>(number);
        return true;
    case kFieldCreated: return TakeFixedHex(value, 16, r.created);
    case kFieldAccessed: return TakeFixedHex(value, 16, r.accessed);
    case kFieldWritten: return TakeFixedHex(value, 16, r.written);
    case kFieldSize: return TakeDecimal(value, UINT64_MAX, r.size);
    case kFieldSha256:
        return TakeHexBytes(value, r.sha256, kSha256Size, count) && count == kSha256Size && HasSha256(r);
    case kFieldCopy: return IsKeptCopyName(value) && CopyText(r.copy, sizeof(r.copy), value);
    case kFieldNotKept: return TakeEscaped(value, r.notKept, sizeof(r.notKept)) && r.notKept[0] != '\0';
    case kFieldView:
        static const RegistryView kViews[] = {kViewOnly, kView32, kView64};
        for (RegistryView view : kViews) {
            if (TextCompareN(value, ViewText(view), TextLength(ViewText(view)) + 1) == 0) {
                r.view = view;
                return true;
            }
        }
        return false;
    case kFieldKey: return TakeEscaped(value, r.key, sizeof(r.key));
    case kFieldName: return TakeEscaped(value, r.valueName, sizeof(r.valueName));
    case kFieldType:
        if (!TakeDecimal(value, UINT32_MAX, number))
            return false;
        r.valueType = static_cast<uint32_t>(number);
        return true;
    case kFieldData: return TakeHexBytes(value, r.data, sizeof(r.data), r.dataSize);
    case kFieldDetection: return TakeEscaped(value, r.detection, sizeof(r.detection));
    case kFieldAction: return TakeEscaped(value, r.action, sizeof(r.action));
    case kFieldResult: return TakeEscaped(value, r.result, sizeof(r.result));
    case kFieldTime: return TakeFixedHex(value, 16, r.undoTime);
    case kFieldRestored:
    case kFieldLeft:
        if (!TakeDecimal(value, INT32_MAX, number))
            return false;
        (id == kFieldRestored ? r.restored : r.left) = static_cast<int32_t>(number);
        return true;
    case kFieldCount: break;
    }
    return false;
}

// The longest line: the data field of a value of the greatest size.
const size_t kLineSize = 2 * kMaxValueData + 16;

// CR LF lines out of a ByteReader, whole or not at all.
class LineSource {
public:
    LineSource(ByteReader& file, int64_t length) : m_file(file), m_length(length) {}
    enum Result { kLine, kEnd, kCut, kBad };
    // kLine: a whole line (without its CR LF) in line. kEnd: the file ended after a whole line.
    // kCut: the file ended inside a line. kBad: a lone CR or LF, a NUL, a line too long, or a read
    // that failed.
    Result Next(char* line, size_t lineSize)
    {
        size_t used = 0;
        if (m_offset >= m_length && m_chunkAt >= m_chunkUsed)
            return kEnd;
        for (;;) {
            if (m_chunkAt >= m_chunkUsed && !Fill())
                return m_failed ? kBad : kCut;
            char c = m_chunk[m_chunkAt++];
            if (c == '\r') {
                if (m_chunkAt >= m_chunkUsed && !Fill())
                    return m_failed ? kBad : kCut;
                if (m_chunk[m_chunkAt++] != '\n')
                    return kBad;
                line[used] = '\0';
                return kLine;
            }
            if (c == '\n' || c == '\0' || used + 1 >= lineSize)
                return kBad;
            line[used++] = c;
        }
    }

private:
    bool Fill()
    {
        if (m_offset >= m_length)
            return false;
        int64_t left = m_length - m_offset;
        int32_t want = left < static_cast<int64_t>(sizeof(m_chunk)) ? static_cast<int32_t>(left) : static_cast<int32_t>(sizeof(m_chunk));
        int32_t got = m_file.ReadAt(m_offset, m_chunk, want);
        if (got <= 0) {
            m_failed = true;
            return false;
        }
        m_offset += got;
        m_chunkUsed = static_cast<size_t>(got);
        m_chunkAt = 0;
        return true;
    }

    ByteReader& m_file;
    int64_t m_length;
    int64_t m_offset = 0;
    char m_chunk[4096];
    size_t m_chunkUsed = 0;
    size_t m_chunkAt = 0;
    bool m_failed = false;
};

bool Fail(RecordFileSummary& summary, RecordFault fault, int32_t line)
{
    summary.fault = fault;
    summary.faultLine = line;
    return false;
}

// What a records file's reading needs besides the caller's summary: kept out of the stack frames
// of the callers, which the undo runs in.
struct ReadState {
    char line[kLineSize];
    QuarantineRecord record;
    bool seen[kFieldCount];
};

bool ReadRecords(ByteReader& file, RecordFileSummary& summary, RecordVisitor* visitor, ReadState& state)
{
    int64_t length = file.Length();
    if (length < 0 || length > kMaxRecordFileSize)
        return Fail(summary, RecordFault::kUnreadable, 0);
    LineSource lines(file, length);
    int32_t number = 0;
    // The header: its lines in order.
    const char* expected[] = {kFirstLine, "scan="};
    for (int i = 0; i < 2; ++i) {
        LineSource::Result got = lines.Next(state.line, sizeof(state.line));
        ++number;
        if (got == LineSource::kBad)
            return Fail(summary, RecordFault::kBadLine, number);
        if (got != LineSource::kLine)
            return Fail(summary, RecordFault::kBadHeader, number);
        size_t prefix = TextLength(expected[i]);
        if (TextCompareN(state.line, expected[i], i == 0 ? prefix + 1 : prefix) != 0)
            return Fail(summary, RecordFault::kBadHeader, number);
        const char* value = state.line + prefix;
        if (i == 1 && !(IsScanIdText(value) && CopyText(summary.header.scanId, sizeof(summary.header.scanId), value)))
            return Fail(summary, RecordFault::kBadHeader, number);
    }
    QuarantineRecord& record = state.record;
    bool open = false;
    int32_t records = 0;
    for (;;) {
        LineSource::Result got = lines.Next(state.line, sizeof(state.line));
        ++number;
        if (got == LineSource::kEnd) {
            summary.cutTail = open;
            return true;
        }
        if (got == LineSource::kCut) {
            summary.cutTail = true;
            return true;
        }
        if (got == LineSource::kBad)
            return Fail(summary, RecordFault::kBadLine, number);
        if (!open) {
            bool found = false;
            for (const SectionName& section : kSections) {
                if (TextCompareN(state.line, section.line, TextLength(section.line) + 1) == 0) {
                    ClearRecord(record, section.kind);
                    found = true;
                }
            }
            if (!found)
                return Fail(summary, RecordFault::kBadLine, number);
            if (records == kMaxRecords)
                return Fail(summary, RecordFault::kTooMany, number);
            MemFill(state.seen, 0, sizeof(state.seen));
            open = true;
            continue;
        }
        if (TextCompareN(state.line, kEndLine, sizeof(kEndLine)) == 0) {
            unsigned bit = KindBit(record.kind);
            for (const FieldRule& rule : kFields) {
                if ((rule.required & bit) != 0 && !state.seen[rule.id])
                    return Fail(summary, RecordFault::kMissingField, number);
            }
            if (record.kind == RecordKind::kFile && state.seen[kFieldCopy] == state.seen[kFieldNotKept])
                return Fail(summary, state.seen[kFieldCopy] ? RecordFault::kDuplicateField : RecordFault::kMissingField, number);
            RecordFault fault = CheckRecord(record);
            if (fault != RecordFault::kNone)
                return Fail(summary, fault, number);
            switch (record.kind) {
            case RecordKind::kFile: ++summary.files; break;
            case RecordKind::kKey: ++summary.keys; break;
            case RecordKind::kValue: ++summary.values; break;
            case RecordKind::kUndo: ++summary.undos; break;
            }
            ++records;
            open = false;
            if (visitor != nullptr && !visitor->Record(record))
                return Fail(summary, RecordFault::kStopped, number);
            continue;
        }
        char* equals = const_cast<char*>(TextFindChar(state.line, '='));
        if (equals == nullptr)
            return Fail(summary, RecordFault::kBadLine, number);
        *equals = '\0';
        const FieldRule* rule = nullptr;
        for (const FieldRule& candidate : kFields) {
            if ((candidate.kinds & KindBit(record.kind)) != 0 && TextCompareN(state.line, candidate.name, TextLength(candidate.name) + 1) == 0)
                rule = &candidate;
        }
        if (rule == nullptr)
            return Fail(summary, RecordFault::kUnknownField, number);
        if (state.seen[rule->id])
            return Fail(summary, RecordFault::kDuplicateField, number);
        state.seen[rule->id] = true;
        if (!TakeFieldValue(record, rule->id, equals + 1))
            return Fail(summary, RecordFault::kBadValue, number);
    }
}

}  // namespace

void ClearRecord(QuarantineRecord& record, RecordKind kind)
{
    MemFill(&record, 0, sizeof(record));
    record.kind = kind;
}

bool IsSafeFilePath(const char* path)
{
    size_t length = BoundedLength(path, kPathSize);
    if (length >= kPathSize || length < 4)
        return false;
    char drive = UpperAscii(path[0]);
    if (drive < 'A' || drive > 'Z' || path[1] != ':' || path[2] != '\\')
        return false;
    return NamesAreSafe(path + 3, false);
}

bool IsSafeRegistryKey(const char* key)
{
    const char kRoot[] = "HKEY_LOCAL_MACHINE\\";
    size_t length = BoundedLength(key, kRegistryKeySize);
    if (length >= kRegistryKeySize || length <= sizeof(kRoot) - 1 || CompareNoCaseN(key, kRoot, sizeof(kRoot) - 1) != 0)
        return false;
    // Registry names may hold ':' and the file system's wildcards; only the path's form matters.
    return NamesAreSafe(key + sizeof(kRoot) - 1, true);
}

bool WriteRecordFileHeader(const RecordFileHeader& header, TextSink& out)
{
    if (!IsScanIdText(header.scanId))
        return false;
    return Put(out, kFirstLine) && Put(out, "\r\nscan=") && Put(out, header.scanId) && Put(out, "\r\n");
}

bool WriteRecord(const QuarantineRecord& record, TextSink& out)
{
    if (CheckRecord(record) != RecordFault::kNone)
        return false;
    const char* section = nullptr;
    for (const SectionName& candidate : kSections) {
        if (candidate.kind == record.kind)
            section = candidate.line;
    }
    if (section == nullptr || !Put(out, section) || !Put(out, "\r\n"))
        return false;
    for (const FieldRule& rule : kFields) {
        if (!Present(record, rule))
            continue;
        if (!Put(out, rule.name) || !Put(out, "=") || !PutFieldValue(out, record, rule.id) || !Put(out, "\r\n"))
            return false;
    }
    return Put(out, kEndLine) && Put(out, "\r\n");
}

bool ReadRecordFile(ByteReader& file, RecordFileSummary& summary, RecordVisitor* visitor)
{
    MemFill(&summary, 0, sizeof(summary));
    // About 50 KB: on the heap, not the stack of the undo that calls this.
    ReadState* state = new ReadState;
    if (state == nullptr)
        return Fail(summary, RecordFault::kUnreadable, 0);
    bool ok = ReadRecords(file, summary, visitor, *state);
    delete state;
    return ok;
}

const char* RecordFaultText(RecordFault fault)
{
    switch (fault) {
    case RecordFault::kNone: return "no fault";
    case RecordFault::kStopped: return "stopped";
    case RecordFault::kUnreadable: return "the records could not be read";
    case RecordFault::kBadHeader: return "not a records file of this tool";
    case RecordFault::kBadLine: return "a line that does not read";
    case RecordFault::kUnknownField: return "an unknown field";
    case RecordFault::kDuplicateField: return "a field given twice";
    case RecordFault::kMissingField: return "a field is missing";
    case RecordFault::kBadValue: return "a field's value does not read";
    case RecordFault::kUnsafePath: return "a path that is not absolute, climbs with \"..\" or names a device";
    case RecordFault::kTooMany: return "too many records";
    }
    return "unknown fault";
}
