// Lists the built-in signature table as "ROW<TAB>NAME<TAB>LENGTH" lines, so that the scenario scripts
// know the detection name the tool reports for a file made from a given row.
#include <cstdio>

#include "match/signature_table.h"

int main()
{
    for (int row = 0; row < kSignatureRecordCount && kSignatureTable[row].name[0] != '\0'; ++row) {
        const SignatureRecord& record = kSignatureTable[row];
        std::printf("%d\t%.*s\t%d\n", row + 1, static_cast<int>(sizeof(record.name)), record.name,
                    static_cast<int>(record.fileSize));
    }
    return 0;
}
