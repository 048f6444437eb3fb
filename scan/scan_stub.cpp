// Placeholder until the scan run lands.
#include "scan/scan.h"
#include "base/text.h"
int RunScan() { return 1; }
int WalkDirectory(const char*) { return 0; }
void PumpOneMessage() {}
void ShortenForDisplay(const char* source, char* destination, unsigned destinationSize, int)
{
    CopyText(destination, destinationSize, source);
}
