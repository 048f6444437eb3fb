// The NT memory scan's handling of one process, with every system step recorded.
#include <doctest.h>

#include <string>

#include "scan/memory_scan_node.h"

namespace {

struct Setup {
    bool exists;
    int walkValue;  // what the first walk returns (filesScanned of earlier scans)
    bool matched;
    bool firstEnds;
    bool secondEnds;
    int ntVersion;
    bool serviceStops;
};

struct World {
    Setup setup;
    int terminateCalls = 0;
    std::string log;
};

Setup& Of(void* context)
{
    return static_cast<World*>(context)->setup;
}

World& Record(void* context)
{
    return *static_cast<World*>(context);
}

bool Exists(void* c, const char*)
{
    return Of(c).exists;
}
int Walk(void* c, const char* path)
{
    Record(c).log += std::string("walk ") + path + ";";
    return Of(c).walkValue;
}
bool Matched(void* c)
{
    return Of(c).matched;
}
bool Terminate(void* c, uint32_t id)
{
    World& w = Record(c);
    w.log += "end " + std::to_string(id) + ";";
    return ++w.terminateCalls == 1 ? w.setup.firstEnds : w.setup.secondEnds;
}
int NtVersion(void* c)
{
    return Of(c).ntVersion;
}
int Stop(void* c, const char* name)
{
    Record(c).log += std::string("stop ") + name + ";";
    return Of(c).serviceStops ? 1 : 0;
}
int RemoveKeys(void* c, const char* name)
{
    Record(c).log += std::string("keys ") + name + ";";
    return 1;
}
void Dispose(void* c, const char* path)
{
    Record(c).log += std::string("dispose ") + path + ";";
}

TEST_CASE("one process of the memory scan: ending it, the service fallback and the disposal")
{
    const char* module = "C:\\WINNT\\system32\\mssys.exe";
    const std::string walk = "walk C:\\WINNT\\system32\\mssys.exe;";
    const std::string ends = "end 412;end 412;";
    const std::string service = "stop mssys;keys mssys;";
    const std::string dispose = "dispose C:\\WINNT\\system32\\mssys.exe;";
    struct Row {
        const char* label;
        Setup setup;
        int disposition;
        int found;
        std::string log;
        int restartNeeded;
    };
    const Row rows[] = {
        {"module file missing", {false, 0, true, true, true, 6, false}, 100, 0, "", 0},
        {"clean module", {true, 0, false, true, true, 6, false}, 100, 0, walk, 0},
        {"disposition 103 leaves it", {true, 0, true, true, true, 6, false}, 103, 0, walk, 0},
        {"second end succeeds too", {true, 0, true, true, true, 6, false}, 101, 1, walk + ends + dispose, 0},
        {"NT 5.x, ended at once, no service", {true, 0, true, true, false, 6, false}, 100, 1,
         walk + ends + service + dispose, 1},
        {"NT 5.x, service stops", {true, 0, true, false, false, 6, true}, 100, 1, walk + ends + service + dispose, 0},
        {"NT 5.x, resists, service does not stop, first scan", {true, 0, true, false, false, 6, false}, 102, 1,
         walk + ends + service, 1},
        {"NT 5.x, resists, earlier scans counted files", {true, 57, true, false, false, 6, false}, 100, 1,
         walk + ends + service + dispose, 1},
        {"NT 4, resists, service stops", {true, 0, true, false, false, 5, true}, 100, 1, walk + ends + service + dispose, 0},
        {"NT 6+, ended at once: no service handling", {true, 0, true, true, false, 0, false}, 100, 1,
         walk + ends + dispose, 0},
        {"NT 6+, resists: nothing more", {true, 0, true, false, false, 0, false}, 100, 1, walk + ends, 0},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        World world;
        world.setup = row.setup;
        int32_t restartNeeded = 0;
        const MemoryScanSteps steps = {&world, Exists, Walk, Matched, row.disposition, Terminate, NtVersion,
                                       Stop, RemoveKeys, Dispose, &restartNeeded};
        CHECK(ScanMemoryNode(steps, 412, module) == row.found);
        CHECK(world.log == row.log);
        CHECK(restartNeeded == row.restartNeeded);
    }
}

TEST_CASE("a module named only \".exe\" never leads to a service stop or key removal")
{
    World world;
    world.setup = {true, 0, true, false, false, 6, false};  // NT 5.x, the process resists
    int32_t restartNeeded = 0;
    const MemoryScanSteps steps = {&world, Exists, Walk, Matched, 100, Terminate, NtVersion,
                                   Stop, RemoveKeys, Dispose, &restartNeeded};
    CHECK(ScanMemoryNode(steps, 412, "C:\\WINNT\\system32\\.exe") == 1);
    CHECK(world.log == "walk C:\\WINNT\\system32\\.exe;end 412;end 412;");
}

TEST_CASE("the flag asking for a restart is only ever set, never cleared")
{
    World world;
    world.setup = {true, 0, true, true, true, 6, false};
    int32_t restartNeeded = 1;
    const MemoryScanSteps steps = {&world, Exists, Walk, Matched, 100, Terminate, NtVersion,
                                   Stop, RemoveKeys, Dispose, &restartNeeded};
    CHECK(ScanMemoryNode(steps, 7, "C:\\a\\b.exe") == 1);
    CHECK(restartNeeded == 1);
}

}  // namespace
