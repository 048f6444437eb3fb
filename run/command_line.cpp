// The switches of an unattended run and the exit code that sums up a scan.
#include "run/command_line.h"

#include "base/clib.h"
#include "base/text.h"

namespace {

bool IsSeparator(char c)
{
    return c == ' ' || c == '\t';
}

const char* SkipSeparators(const char* text)
{
    while (IsSeparator(*text))
        ++text;
    return text;
}

// The program name ends at the first separator, or inside quotes at the closing quote, the way
// the system itself reads it; a path with spaces is normally quoted.
const char* SkipProgramName(const char* text)
{
    text = SkipSeparators(text);
    if (*text == '"') {
        ++text;
        while (*text != '\0' && *text != '"')
            ++text;
        return *text == '"' ? text + 1 : text;
    }
    while (*text != '\0' && !IsSeparator(*text))
        ++text;
    return text;
}

// Copies one argument (quotes dropped) into dest; returns where the next one starts. truncated is
// set when the argument did not fit.
const char* NextArgument(const char* text, char* dest, size_t destSize, bool& truncated)
{
    size_t n = 0;
    bool quoted = false;
    truncated = false;
    for (; *text != '\0' && (quoted || !IsSeparator(*text)); ++text) {
        if (*text == '"') {
            quoted = !quoted;
            continue;
        }
        if (n + 1 < destSize)
            dest[n++] = *text;
        else
            truncated = true;
    }
    dest[n] = '\0';
    return text;
}

void MarkBad(RunOptions& options, const char* argument)
{
    if (!options.badCommandLine)
        CopyText(options.badArgument, sizeof(options.badArgument), argument);
    options.badCommandLine = true;
    options.badArguments += 1;
}

// /Q glued to more is no spelling of two switches, but it still asks for no window: a bad command
// line in such a run must not wait for someone to close a box.
bool SpellsQuiet(const char* argument)
{
    return (argument[0] == '/' || argument[0] == '-') && UpperAscii(argument[1]) == 'Q';
}

// One argument; false when it is not a switch of ours.
bool TakeSwitch(RunOptions& options, const char* argument, bool truncated)
{
    if ((argument[0] != '/' && argument[0] != '-') || argument[1] == '\0')
        return false;
    const char* name = argument + 1;
    if (CompareNoCase(name, "Q") == 0) {
        options.quiet = true;
        return true;
    }
    if (CompareNoCase(name, "R") == 0) {
        options.restart = true;
        return true;
    }
    if (CompareNoCase(name, "NOEVENTS") == 0) {
        options.noEvents = true;
        return true;
    }
    // Started by the RunOnce entry that a removal waiting for the restart leaves.
    if (CompareNoCase(name, "FINISH") == 0) {
        options.finishRestart = true;
        return true;
    }
    if (CompareNoCase(name, "?") == 0) {
        options.help = true;
        return true;
    }
    if (CompareNoCase(name, "UNDO") == 0 || CompareNoCaseN(name, "UNDO:", 5) == 0) {
        if (options.undo)
            return false;
        // A cut ID would name another scan.
        if (name[4] == ':' && (truncated || !IsScanIdText(name + 5) ||
                               !CopyText(options.undoScanId, sizeof(options.undoScanId), name + 5)))
            return false;
        options.undo = true;
        return true;
    }
    if (CompareNoCaseN(name, "L:", 2) == 0) {
        const char* path = name + 2;
        // Two report paths leave the caller's intent unclear; a cut path would name another file.
        if (options.reportPath[0] != '\0' || options.longReportPath[0] != '\0' || path[0] == '\0')
            return false;
        if (!truncated && CopyText(options.reportPath, sizeof(options.reportPath), path))
            return true;
        options.reportPath[0] = '\0';
        // Only its head is kept, to name it in the report's line about the usual place.
        CopyText(options.longReportPath, sizeof(options.longReportPath), path);
        return false;
    }
    return false;
}

}  // namespace

// Short enough for the message dialog, which grows with the length of its text.
const char kCommandLineHelp[] =
    "Usage: tarvex.exe [/Q] [/R] [/L:PATH] [/?]\n"
    "       tarvex.exe [/Q] [/L:PATH] /UNDO[:ID]\n"
    "\n"
    "/Q  quiet: no window and no question\n"
    "/R  restart without asking when a removal needs it\n"
    "/L:PATH  append the report to PATH\n"
    "/NOEVENTS  write nothing to the Windows Event Log\n"
    "/UNDO  put back what the latest scan removed; /UNDO:ID what the scan of that ID removed\n"
    "What a scan removes is kept first in Tarvex\\Quarantine in the Windows folder, for 90 days "
    "(64 MiB at most; not a file over 16 MiB)\n"
    "\n"
    "Exit codes of /Q: 0 nothing found, 1 all removed, 2 removal at the next restart, 3 something left, "
    "4 scan not completed or a file not opened, 5 another copy running, 6 bad command line\n"
    "Exit codes of /UNDO: 0 all put back or nothing to put back, 3 something not put back, "
    "5 another copy running, 6 bad command line";

void ParseCommandLine(const char* commandLine, RunOptions& options, const char* modulePath)
{
    options = RunOptions{};
    if (commandLine == nullptr)
        return;
    const char* next = SkipSeparators(commandLine);
    size_t moduleLength = modulePath != nullptr ? TextLength(modulePath) : 0;
    if (moduleLength > 0 && CompareNoCaseN(next, modulePath, moduleLength) == 0 &&
        (next[moduleLength] == '\0' || IsSeparator(next[moduleLength])))
        next += moduleLength;
    else
        next = SkipProgramName(next);
    next = SkipSeparators(next);
    // Room for a whole path after "/L:" and a spare byte to see when an argument was cut.
    char argument[kPathSize + 8];
    while (*next != '\0') {
        bool truncated = false;
        next = SkipSeparators(NextArgument(next, argument, sizeof(argument), truncated));
        if (SpellsQuiet(argument))
            options.quietSpelling = true;
        if (!TakeSwitch(options, argument, truncated))
            MarkBad(options, argument);
    }
    if (options.undo && options.restart)
        MarkBad(options, "/R");
}

bool IsBadCommandLine(const RunOptions& options)
{
    bool onlyLongPath = options.badArguments == 1 && options.longReportPath[0] != '\0';
    return options.badCommandLine && !onlyLongPath;
}

RunExitCode UndoExitCodeOf(const UndoOutcome& outcome)
{
    return outcome.left > 0 ? kExitLeftBehind : kExitClean;
}

RunExitCode ExitCodeOf(const RunOutcome& outcome)
{
    // A file that could not be opened was not examined: the machine was not wholly scanned, and may
    // hold a trojan that keeps its own file locked.
    if (!outcome.completed || outcome.unopened > 0)
        return kExitIncomplete;
    if (outcome.leftBehind > 0)
        return kExitLeftBehind;
    bool pending = outcome.waitingForRestart > 0 || outcome.memoryNeedsRestart;
    if (pending && !outcome.restartStarted)
        return kExitRestartPending;
    if (outcome.infected > 0 || pending)
        return kExitRemoved;
    return kExitClean;
}
