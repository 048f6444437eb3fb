// A TextSink that collects what the product writes into a string, taking at most limit bytes (a
// full disk); the tests and fuzz targets of the text writers read it back.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "disinfect/wininit_text.h"  // TextSink

class StringSink : public TextSink {
public:
    explicit StringSink(size_t limit = SIZE_MAX) : m_limit(limit) {}
    bool Write(const char* data, size_t size) override
    {
        if (text.size() + size > m_limit) {
            text.append(data, m_limit - text.size());
            return false;
        }
        text.append(data, size);
        return true;
    }
    std::string text;

private:
    size_t m_limit;
};
