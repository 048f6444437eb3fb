// A helper process (tests/helpers/lock_holder.cpp) that holds a file open while a test runs,
// the way another program keeps its file; ended when the object goes.
#pragma once
#include <windows.h>

#include <string>

class FileHolder {
public:
    // file may be "-self": the helper holds its own program file. forWriting: it holds the file open
    // for reading and writing, sharing both, instead of reading only without delete sharing.
    FileHolder(const std::string& program, const std::string& file, bool forWriting = false);
    ~FileHolder();
    FileHolder(const FileHolder&) = delete;
    FileHolder& operator=(const FileHolder&) = delete;
    bool Started() const { return m_started; }
    bool Ended(DWORD wait) const { return WaitForSingleObject(m_process.hProcess, wait) == WAIT_OBJECT_0; }

private:
    PROCESS_INFORMATION m_process = {};
    bool m_started = false;
};
