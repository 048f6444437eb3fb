// One process of the NT memory scan, from the walk of its module to the disposal of the file.
#include "scan/memory_scan_node.h"

#include "base/product.h"
#include "platform/process_list.h"

int ScanMemoryNode(const MemoryScanSteps& steps, uint32_t processId, const char* modulePath)
{
    void* context = steps.context;
    if (!steps.fileExists(context, modulePath))
        return 0;
    // The walk step answers with filesScanned, which memory mode leaves as it was: 0 in the first
    // scan after start, the earlier count afterwards. A non-zero value is taken as "ended" below,
    // as the scan has always done.
    int value = steps.walk(context, modulePath);
    if (!steps.matched(context) || !DispositionActs(steps.dispositionCode))
        return 0;
    if (steps.terminate(context, processId))
        value = 1;
    // A second attempt tells whether the process is really gone; one that resists it (or is
    // already gone) is taken on NT 5.x and earlier for a service that keeps restarting it.
    if (!steps.terminate(context, processId)) {
        int nt = steps.ntVersionCode(context);
        bool serviceStopped = false;
        if (nt == kNtVersion4 || nt == kNtVersion5) {
            char serviceName[kPathSize];
            if (MakeServiceName(modulePath, serviceName, sizeof(serviceName))) {
                serviceStopped = steps.stopService(context, serviceName) != 0;
                steps.removeServiceKeys(context, serviceName);
                if (!serviceStopped)
                    *steps.restartNeeded = 1;
            }
        }
        if (!serviceStopped && value == 0)
            return 1;
    }
    steps.disposeWalk(context, modulePath);
    return 1;
}
