// A scan's registry changes as a REGEDIT4 file, for a person who would rather put them back by
// hand: the keys and values the records name, in the form regedit imports from Windows 95 on
// (portable).
#pragma once
#include <cstddef>

#include "disinfect/quarantine_record.h"
#include "disinfect/wininit_text.h"  // TextSink

class RegFileWriter {
public:
    // On 64-bit Windows the file is imported by the 64-bit regedit, so a key of the 32-bit view is
    // spelt with its Wow6432Node name.
    explicit RegFileWriter(TextSink& out);
    // "REGEDIT4" and the blank line after it.
    bool Begin();
    // A key record opens its key (an empty key comes back too); a value record opens its key when
    // the last record named another, then writes its value. Other kinds are passed over. False when
    // the sink fell short or the key is too long to spell.
    bool Add(const QuarantineRecord& record);
    // The blank line after the last value, which regedit needs before the end of the file.
    bool End();

private:
    bool OpenKey(const QuarantineRecord& record);
    TextSink& m_out;
    bool m_bKeyOpen;
    char m_strKey[kRegistryKeySize + 16];
};

// The key as the importing regedit names it (see the constructor); false when it does not fit.
bool RegFileKeyName(const QuarantineRecord& record, char* name, size_t nameSize);
