// Whether the maker's antivirus product is installed: the main window then offers no download.
#include "ui/product_check.h"

#include "base/win32_scope.h"
#include "platform/registry.h"

bool IsProductInstalled()
{
    ScopedRegistryKey key;
    if (!OpenRegistryKey(HKEY_LOCAL_MACHINE, kProductKey, KEY_READ, key))
        return false;
    DWORD size = 0;
    LONG sizeResult = QueryRegistryValue(key.Get(), kProductValue, nullptr, &size);
    // The data are never used. A longer value is read no further than the buffer (the call then
    // reports ERROR_MORE_DATA) and still shows that the product is there.
    BYTE data[300] = {};
    DWORD dataSize = sizeof(data);
    LONG dataResult = QueryRegistryValue(key.Get(), kProductValue, data, &dataSize);
    bool closed = key.Close();
    return closed && sizeResult == ERROR_SUCCESS &&
           (dataResult == ERROR_SUCCESS || dataResult == ERROR_MORE_DATA);
}
