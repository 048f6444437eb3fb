// The fan-out that hands each result to every receiver: its order, how a question is answered,
// and that a receiver added later gets a file's result with its kind and parts.
#include <doctest.h>

#include <string>
#include <vector>

#include "run/result_sink.h"

namespace {

// A receiver a later capability could add (a journal, an event log): it keeps what it was given.
class TestSink : public ResultSink {
public:
    TestSink(const char* name, std::vector<std::string>& calls, int answer = kNotAnswered)
        : m_name(name), m_calls(calls), m_answer(answer) {}
    void ScanStarted(const ScanStartFacts& facts) override { Note("started", facts.windowsText); }
    void Result(const ScanResult& result) override
    {
        results.push_back(result);
        lines.push_back(result.line);
        Note("result", result.line);
    }
    void CurrentText(const char* text) override { Note("current", text); }
    void FinalStatus(const char* text) override { Note("status", text); }
    void RecordLine(const char* text) override { Note("record", text); }
    int Ask(const char* text, const char*, unsigned) override
    {
        Note("ask", text);
        return m_answer;
    }
    void Answered(const char* question, int answer, const char* how) override
    {
        Note("answered", std::string(question) + " " + std::to_string(answer) + " " + (how != nullptr ? how : "-"));
    }
    void ScanEnded(const ScanEndFacts& facts) override { Note("ended", std::to_string(facts.code)); }

    std::vector<ScanResult> results;
    std::vector<std::string> lines;  // the lines of results, kept beyond the call

private:
    void Note(const char* what, const std::string& text) { m_calls.push_back(m_name + " " + what + " " + text); }
    std::string m_name;
    std::vector<std::string>& m_calls;
    int m_answer;
};

}  // namespace

TEST_CASE("every call reaches each added sink in the order they were added")
{
    std::vector<std::string> calls;
    TestSink report("report", calls);
    TestSink window("window", calls);
    ResultFanOut results;
    CHECK(results.Add(report));
    CHECK(results.Add(window));

    ScanStartFacts start = {false, "", "Windows 5.1", false, "C:\\WINDOWS\\Tarvex.log"};
    results.ScanStarted(start);
    results.Result(ScanResult{ResultKind::kNote, "Scanning statistics", "", "", ""});
    results.CurrentText("C:\\a.exe");
    results.RecordLine("a note");
    results.FinalStatus("Scanning completed");
    ScanEndFacts end = {};
    end.code = kExitRemoved;
    results.ScanEnded(end);

    const std::vector<std::string> want = {
        "report started Windows 5.1",          "window started Windows 5.1",
        "report result Scanning statistics",   "window result Scanning statistics",
        "report current C:\\a.exe",            "window current C:\\a.exe",
        "report record a note",                "window record a note",
        "report status Scanning completed",    "window status Scanning completed",
        "report ended 1",                      "window ended 1",
    };
    CHECK(calls == want);
}

TEST_CASE("a question goes to each sink in turn until one answers, and everyone hears the answer")
{
    std::vector<std::string> calls;
    TestSink report("report", calls);
    TestSink window("window", calls, 6);
    TestSink later("later", calls, 7);
    ResultFanOut results;
    results.Add(report);
    results.Add(window);
    results.Add(later);

    CHECK(results.Ask("Restart now?", "Tarvex", 0) == 6);
    results.Answered("Restart now?", 6, nullptr);
    const std::vector<std::string> want = {
        "report ask Restart now?",
        "window ask Restart now?",
        "report answered Restart now? 6 -",
        "window answered Restart now? 6 -",
        "later answered Restart now? 6 -",
    };
    CHECK(calls == want);

    calls.clear();
    results.Remove(window);
    results.Remove(later);
    CHECK(results.Ask("Restart now?", "Tarvex", 0) == kNotAnswered);
    CHECK(calls == std::vector<std::string>{"report ask Restart now?"});
}

TEST_CASE("the fan-out holds a bounded number of sinks; a removed one hears nothing more")
{
    std::vector<std::string> calls;
    std::vector<TestSink> sinks;
    sinks.reserve(ResultFanOut::kMaxSinks + 1);
    ResultFanOut results;
    for (size_t i = 0; i <= ResultFanOut::kMaxSinks; ++i)
        sinks.emplace_back(("sink" + std::to_string(i)).c_str(), calls);
    for (size_t i = 0; i < ResultFanOut::kMaxSinks; ++i)
        CHECK(results.Add(sinks[i]));
    CHECK_FALSE(results.Add(sinks[ResultFanOut::kMaxSinks]));
    results.Remove(sinks[0]);
    CHECK(results.Add(sinks[ResultFanOut::kMaxSinks]));
    results.RecordLine("x");
    CHECK(calls.size() == ResultFanOut::kMaxSinks);
    CHECK(calls.front() == "sink1 record x");
    CHECK(calls.back() == "sink" + std::to_string(ResultFanOut::kMaxSinks) + " record x");
}

TEST_CASE("a file's result reaches an added sink with its kind, object, detection and action")
{
    struct Row {
        ResultKind kind;
        const char* path;
        const char* detection;
        const char* action;
        const char* line;
    };
    const Row rows[] = {
        {ResultKind::kFileRemoved, "C:\\x\\a.exe", "W32/KYR.Trojan", "removed", "C:\\x\\a.exe     W32/KYR.Trojan removed"},
        {ResultKind::kFileWaitsRestart, "C:\\x\\held.exe", "W32/KYR.Trojan", "Unable to remove",
         "C:\\x\\held.exe     W32/KYR.Trojan Unable to remove"},
        {ResultKind::kFileKept, "C:\\mail\\in.dbx", "I-Worm.Mail", "Not Disinfected As Per User's Selection",
         "C:\\mail\\in.dbx     I-Worm.Mail Not Disinfected As Per User's Selection"},
    };
    std::vector<std::string> calls;
    TestSink report("report", calls);
    TestSink journal("journal", calls);
    ResultFanOut results;
    results.Add(report);
    results.Add(journal);
    for (const Row& row : rows)
        PassFileResult(results, row.kind, row.path, row.detection, row.action);

    CHECK(journal.results.size() == 3);
    for (size_t i = 0; i < 3 && i < journal.results.size(); ++i) {
        INFO(rows[i].line);
        const ScanResult& got = journal.results[i];
        CHECK(got.kind == rows[i].kind);
        CHECK(std::string(got.object) == rows[i].path);
        CHECK(std::string(got.detection) == rows[i].detection);
        CHECK(std::string(got.action) == rows[i].action);
        CHECK(journal.lines[i] == rows[i].line);
    }
    CHECK(report.lines == journal.lines);
}
