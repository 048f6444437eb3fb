// REGEDIT4 text: strings escape only backslash and quote; everything a string cannot hold exactly
// is written as hex(N) with the value's own type, wrapped the way regedit wraps it.
#include "disinfect/reg_text.h"

#include "base/byte_reader.h"
#include "base/clib.h"
#include "base/text.h"

namespace {

const uint32_t kRegSz = 1;
const uint32_t kRegBinary = 3;
const uint32_t kRegDword = 4;
// regedit breaks a hex line after this column, and the continuation is indented by two spaces.
const size_t kHexLineWidth = 76;

bool Put(TextSink& out, const char* text)
{
    return out.Write(text, TextLength(text));
}

bool PutQuoted(TextSink& out, const char* text, size_t length)
{
    if (!Put(out, "\""))
        return false;
    size_t run = 0;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] != '\\' && text[i] != '"')
            continue;
        if (!out.Write(text + run, i - run) || !Put(out, text[i] == '\\' ? "\\\\" : "\\\""))
            return false;
        run = i + 1;
    }
    return out.Write(text + run, length - run) && Put(out, "\"");
}

// A REG_SZ that a quoted string gives back byte for byte: text, one terminator at its end, and
// no line end or other control byte, which a REGEDIT4 string cannot hold.
bool IsPlainString(const QuarantineRecord& record)
{
    if (record.valueType != kRegSz || record.dataSize == 0 || record.data[record.dataSize - 1] != 0)
        return false;
    for (uint32_t i = 0; i + 1 < record.dataSize; ++i) {
        if (record.data[i] < 0x20)
            return false;
    }
    return true;
}

bool PutHexData(TextSink& out, const uint8_t* data, uint32_t size, size_t column)
{
    static const char kHex[] = "0123456789abcdef";
    for (uint32_t i = 0; i < size; ++i) {
        char pair[3] = {kHex[data[i] >> 4], kHex[data[i] & 15], ','};
        bool last = i + 1 == size;
        if (!out.Write(pair, last ? 2 : 3))
            return false;
        column += last ? 2 : 3;
        if (!last && column > kHexLineWidth) {
            if (!Put(out, "\\\r\n  "))
                return false;
            column = 2;
        }
    }
    return true;
}

}  // namespace

bool RegFileKeyName(const QuarantineRecord& record, char* name, size_t nameSize)
{
    const char kSoftware[] = "HKEY_LOCAL_MACHINE\\Software";
    const size_t softwareLength = sizeof(kSoftware) - 1;
    bool redirected = record.view == kView32 &&
                      CompareNoCaseN(record.key, kSoftware, softwareLength) == 0 &&
                      (record.key[softwareLength] == '\0' || record.key[softwareLength] == '\\');
    if (!redirected)
        return CopyText(name, nameSize, record.key);
    return CopyTextN(name, nameSize, record.key, softwareLength) && AppendText(name, nameSize, "\\Wow6432Node") &&
           AppendText(name, nameSize, record.key + softwareLength);
}

RegFileWriter::RegFileWriter(TextSink& out) : m_out(out), m_bKeyOpen(false)
{
    m_strKey[0] = '\0';
}

bool RegFileWriter::Begin()
{
    return Put(m_out, "REGEDIT4\r\n");
}

bool RegFileWriter::OpenKey(const QuarantineRecord& record)
{
    char name[sizeof(m_strKey)];
    if (!RegFileKeyName(record, name, sizeof(name)))
        return false;
    if (m_bKeyOpen && CompareNoCase(name, m_strKey) == 0)
        return true;
    m_bKeyOpen = true;
    CopyText(m_strKey, sizeof(m_strKey), name);
    return Put(m_out, "\r\n[") && Put(m_out, name) && Put(m_out, "]\r\n");
}

bool RegFileWriter::Add(const QuarantineRecord& record)
{
    if (record.kind == RecordKind::kKey) {
        // A removed key opens afresh even when named just before: its own section shows it came back.
        m_bKeyOpen = false;
        return OpenKey(record);
    }
    if (record.kind != RecordKind::kValue)
        return true;
    if (!OpenKey(record))
        return false;
    bool named = record.valueName[0] != '\0';
    if (!(named ? PutQuoted(m_out, record.valueName, TextLength(record.valueName)) : Put(m_out, "@")) || !Put(m_out, "="))
        return false;
    size_t column = (named ? TextLength(record.valueName) + 2 : 1) + 1;
    bool ok;
    if (IsPlainString(record)) {
        ok = PutQuoted(m_out, reinterpret_cast<const char*>(record.data), record.dataSize - 1);
    } else if (record.valueType == kRegDword && record.dataSize == 4) {
        char text[16];
        FormatText(text, sizeof(text), "dword:%08x", static_cast<unsigned>(ReadLe32(record.data)));
        ok = Put(m_out, text);
    } else {
        char prefix[24];
        if (record.valueType == kRegBinary)
            CopyText(prefix, sizeof(prefix), "hex:");
        else
            FormatText(prefix, sizeof(prefix), "hex(%x):", static_cast<unsigned>(record.valueType));
        column += TextLength(prefix);
        ok = Put(m_out, prefix) && PutHexData(m_out, record.data, record.dataSize, column);
    }
    return ok && Put(m_out, "\r\n");
}

bool RegFileWriter::End()
{
    return Put(m_out, "\r\n");
}
