// Starting and ending the file-holding helper process.
#include "tests/lib/file_holder.h"

FileHolder::FileHolder(const std::string& program, const std::string& file, bool forWriting)
{
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, "tvx_holder_ready");
    ResetEvent(ready);  // an earlier holder still keeps the event alive, and set
    std::string commandLine =
        "\"" + program + "\" -ready tvx_holder_ready " + (forWriting ? "-write " : "") + "\"" + file + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    m_started = CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &m_process) &&
                WaitForSingleObject(ready, 10000) == WAIT_OBJECT_0;
    CloseHandle(ready);
}

FileHolder::~FileHolder()
{
    if (m_process.hProcess != nullptr) {
        TerminateProcess(m_process.hProcess, 0);
        WaitForSingleObject(m_process.hProcess, 5000);
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
    }
}
