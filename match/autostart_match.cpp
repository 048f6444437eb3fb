// Matching rules of the autostart cleanup: which Run and RunServices commands start a detected file.
#include "match/autostart_match.h"

#include <cstring>

namespace {

const char* SkipOpeningQuote(const char* text)
{
    return text[0] == '"' ? text + 1 : text;
}

size_t CommandLength(const char* command)
{
    size_t length = 0;
    while (command[length] != '\0' && command[length] != ' ' && command[length] != '"')
        ++length;
    return length;
}

bool EqualsPart(const char* text, size_t length, const char* part, size_t partLength)
{
    return partLength != 0 && length == partLength && std::strncmp(text, part, length) == 0;
}

bool BeginsWithAnyForm(const char* text, const char* const* forms, int formCount)
{
    for (int i = 0; i < formCount; ++i) {
        if (forms[i][0] != '\0' && std::strncmp(text, forms[i], std::strlen(forms[i])) == 0)
            return true;
    }
    return false;
}

bool InSystemFolder(const char* const* forms, int formCount)
{
    for (int i = 0; i < formCount; ++i) {
        if (std::strstr(forms[i], "\\system\\") != nullptr || std::strstr(forms[i], "\\system32\\") != nullptr)
            return true;
    }
    return false;
}

}  // namespace

bool IsBareReference(const char* data)
{
    return std::strchr(data, '\\') == nullptr || data[0] == '\\';
}

bool BareCommandNamesFile(const char* data, const char* path)
{
    const char* command = SkipOpeningQuote(data);
    size_t length = CommandLength(command);
    if (command[0] == '\\') {
        // A rooted command runs from the current drive: it names the file only by its whole path.
        const char* rooted = path[0] != '\0' && path[1] == ':' ? path + 2 : path;
        return EqualsPart(command, length, rooted, std::strlen(rooted));
    }
    const char* lastSlash = std::strrchr(path, '\\');
    if (lastSlash == nullptr)
        return false;
    const char* fileName = lastSlash + 1;
    size_t nameLength = std::strlen(fileName);
    if (EqualsPart(command, length, fileName, nameLength))
        return true;
    // The search finds "mssys" as mssys.exe.
    const char* dot = std::strrchr(fileName, '.');
    return dot != nullptr && EqualsPart(command, length, fileName, static_cast<size_t>(dot - fileName));
}

AutostartMatch MatchAutostartData(const char* data, const char* expanded, const char* const* forms, int formCount)
{
    if (IsBareReference(data)) {
        for (int i = 0; i < formCount; ++i) {
            if (forms[i][0] != '\0' && BareCommandNamesFile(data, forms[i]))
                // A bare name runs from the search path, which holds the system folders; elsewhere the
                // value is kept, and the path rule is not tried for it.
                return InSystemFolder(forms, formCount) ? kStartsByName : kBareNameOutsideSystem;
        }
    }
    if (BeginsWithAnyForm(SkipOpeningQuote(data), forms, formCount))
        return kStartsByPath;
    if (expanded != nullptr && BeginsWithAnyForm(SkipOpeningQuote(expanded), forms, formCount))
        return kStartsByPath;
    return kStartsOther;
}

bool RememberedValueStillInfected(const char* currentExpanded, const char* rememberedExpanded, AutostartMatch now)
{
    if (now == kStartsByName || now == kStartsByPath)
        return true;
    size_t length = std::strlen(rememberedExpanded);
    return length != 0 && EqualsPart(currentExpanded, std::strlen(currentExpanded), rememberedExpanded, length);
}
