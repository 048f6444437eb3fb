// Drives the process and system control routines from the command line for the Wine scenario
// scripts, which set the reported Windows version per run and check what happened.
//   version                  prints "platform=P nt=N"
//   restart-steps            restart with recording steps: prints which steps ran and the result
//   restart                  the real forced restart; prints its result if it returns
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "system/system.h"

namespace {

int g_privilegeCalls = 0;
int g_exitCalls = 0;
unsigned long g_fakeAdjustError = 0;
bool g_fakeTokenOpens = true;

bool RecordPrivilege(unsigned long* adjustError)
{
    ++g_privilegeCalls;
    *adjustError = g_fakeAdjustError;
    return g_fakeTokenOpens;
}

int RecordExit()
{
    ++g_exitCalls;
    return 77;
}

int RunRestartSteps(int argc, char** argv)
{
    // Optional: "notoken" or an adjustment error number for the privilege step to report.
    if (argc > 2) {
        if (std::strcmp(argv[2], "notoken") == 0)
            g_fakeTokenOpens = false;
        else
            g_fakeAdjustError = std::strtoul(argv[2], nullptr, 10);
    }
    const RestartSteps steps = {RecordPrivilege, RecordExit};
    int result = RestartWindowsWith(steps);
    std::printf("privilege=%d exit=%d result=%d\n", g_privilegeCalls, g_exitCalls, result);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: system_probe command [args]\n");
        return 2;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "version") == 0) {
        std::printf("platform=%d nt=%d\n", GetPlatformCode(), GetNtVersionCode());
        return 0;
    }
    if (std::strcmp(command, "restart-steps") == 0)
        return RunRestartSteps(argc, argv);
    if (std::strcmp(command, "restart") == 0) {
        std::printf("result=%d\n", RestartWindows());
        std::fflush(stdout);
        return 0;
    }
    std::fprintf(stderr, "unknown command %s\n", command);
    return 2;
}
