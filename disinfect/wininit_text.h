// wininit.ini text rewriting for deletion at the next start of Windows 95/98/ME (portable).
#pragma once
#include <cstddef>

#include "base/byte_reader.h"

// Receives the rewritten text piece by piece. False means the write fell short.
class TextSink {
public:
    virtual ~TextSink() {}
    virtual bool Write(const char* data, size_t size) = 0;
};

// Writes the whole of oldText to out, unchanged and in order, with the line target=file CR LF added
// as the last line of the first [rename] section (any case), or, when there is none, a new
// [rename] section at the end. A last line without a line end is ended first. False when the old
// text could not be read or a write fell short.
bool RewriteWininitText(ByteReader& oldText, const char* target, const char* file, TextSink& out);
