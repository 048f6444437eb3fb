// Placeholder until the detection engine lands.
#include "engine/engine.h"
int SignatureDetector(const char*, const char*) { return 0; }
int MailFileDetector(const char*, const char*) { return 0; }
const DetectorEntry kDetectorTable[] = {{"W32/KYR.Trojan", SignatureDetector}, {nullptr, nullptr}};
