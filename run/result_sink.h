// Where a scan's results go. The scan code hands every result line, current-file update, refused
// action, statistic, question and the scan's start and end to one ResultSink; the window, the
// report file and the quiet run each implement it, and ResultFanOut passes each call on to all of
// them in the order they were added. A new receiver (a journal, an event log) is one more sink
// added to the fan-out: the scan code does not change. Portable: no Win32.
#pragma once
#include <cstddef>
#include <cstdint>

#include "run/command_line.h"  // RunExitCode

// What a result says happened, for receivers that classify rather than print.
enum class ResultKind {
    kNote,               // a line about no object: the statistics, their heading, a blank line
    kFileRemoved,        // a found file was deleted or renamed
    kFileWaitsRestart,   // a found file could not be removed now; its deletion waits for the restart
    kFileLeft,           // a found file could be neither removed nor scheduled
    kFileKept,           // a found file was left as the chosen disposition says
    kAutostartRemoved,   // an autostart value that starts a found file was deleted
    kServiceRemoved,     // a service named after a found module was stopped and its keys deleted
    kMemoryRemoved,      // the trojan was found running and its process ended
    kRefused,            // an action was refused: the object was not the trojan's (kept, left running)
};

// One result. line is the result's line as the report keeps it; the window's list shows every
// line but a kRefused one, which is for the record alone. The texts are never null, "" when they
// do not apply.
struct ScanResult {
    ResultKind kind;
    const char* line;
    const char* object;     // the path as shown, the registry key and value, or the service name
    const char* detection;  // the detection name
    const char* action;     // what was done and how it ended ("removed", "Unable to remove", ...)
};

// What a scan is, told once before its first result.
struct ScanStartFacts {
    bool quiet;               // an unattended run: no window, no question
    const char* scanId;       // the scan's ID as the report names it ("" while it has none)
    const char* windowsText;  // the Windows version as the report's start line gives it
    bool wow64;               // a 32-bit program on 64-bit Windows: both views are scanned
    const char* reportPath;   // where the report goes ("" when nothing can be written)
};

// How the scan ended, told once after its last result.
struct ScanEndFacts {
    bool completed;           // every walk ran to its end: not cancelled, not aborted
    bool cancelled;           // the user cancelled (completed is then false)
    bool quiet;
    RunExitCode code;         // the exit code, or for a window run the one a quiet run would end with
    int32_t scanned;
    int32_t infected;
    int32_t removed;
    int32_t waitingForRestart;  // deletions scheduled for the next start of Windows
    int32_t leftBehind;         // finds neither removed nor scheduled
    int32_t unopened;           // files that could not be opened to be examined
    const char* reportPath;
    bool stoppedAtMemoryFind;   // the scan ended at a find in memory: the drives were not walked
};

// Button codes a question may be answered with are the system's (IDYES 6, IDNO 7, ...);
// kNotAnswered says this sink does not answer questions.
const int kNotAnswered = -1;

class ResultSink {
public:
    virtual ~ResultSink() = default;
    virtual void ScanStarted(const ScanStartFacts&) {}
    virtual void Result(const ScanResult&) {}
    // The file being looked at, as the walker shortened it for the current-file line.
    virtual void CurrentText(const char*) {}
    // The status line the scan ends with; the window shows it where the current file was.
    virtual void FinalStatus(const char*) {}
    // A line for the record alone: a note about the run that is not a result.
    virtual void RecordLine(const char*) {}
    // Asks text (caption, system message-box style bits); kNotAnswered when this sink does not ask.
    virtual int Ask(const char* /*text*/, const char* /*caption*/, unsigned /*style*/) { return kNotAnswered; }
    // A question and the answer it got (kNotAnswered when nobody could answer), or the reason an
    // answer was given without asking (how is then not null: "restart without asking, ...").
    virtual void Answered(const char* /*question*/, int /*answer*/, const char* /*how*/) {}
    virtual void ScanEnded(const ScanEndFacts&) {}
};

// Passes every call on to each added sink, in the order they were added. Ask goes to each sink in
// turn until one answers; every sink then hears the question and its answer through Answered.
class ResultFanOut : public ResultSink {
public:
    static constexpr size_t kMaxSinks = 6;
    // False when the fan-out is full; the sink must outlive the fan-out's use.
    bool Add(ResultSink& sink);
    void Remove(ResultSink& sink);
    void ScanStarted(const ScanStartFacts& facts) override;
    void Result(const ScanResult& result) override;
    void CurrentText(const char* text) override;
    void FinalStatus(const char* text) override;
    void RecordLine(const char* text) override;
    int Ask(const char* text, const char* caption, unsigned style) override;
    void Answered(const char* question, int answer, const char* how) override;
    void ScanEnded(const ScanEndFacts& facts) override;

private:
    ResultSink* m_pSinks[kMaxSinks] = {};
    size_t m_nSinks = 0;
};

// Hands sink the result line of one file, "shownPath     detection action", with the file as the
// result's object.
void PassFileResult(ResultSink& sink, ResultKind kind, const char* shownPath, const char* detection,
                    const char* action);
