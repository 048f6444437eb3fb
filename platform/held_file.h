// A matched file held open from the match to the action, so that what is deleted, renamed or has
// its attributes reset is the very file that matched, whatever its path names by then.
#pragma once
#include <windows.h>

#include "base/file_reader.h"
#include "platform/held_file_rules.h"

class HeldFile {
public:
    HeldFile() = default;
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    // Opens path (its file-call spelling) for reading, attribute change and deletion, sharing
    // reading only: while it is held nobody can rename, replace, write or delete the file. Where
    // links exist, a link is opened itself, never its target. False when another program's hold
    // refuses those rights (a running program, a held file), or the file is not there.
    bool OpenForAction(const char* path);
    // The open for a file another program holds: reading only, sharing reading and writing.
    // Nothing is done through such a handle; it serves the match alone.
    bool OpenToRead(const char* path);
    // OpenForAction, else OpenToRead.
    bool Open(const char* path) { return OpenForAction(path) || OpenToRead(path); }
    bool IsOpen() const { return m_file.IsOpen(); }
    // The file was opened for action, so the calls below can act on it.
    bool CanAct() const { return m_file.IsOpen() && m_canAct; }
    ByteReader& Reader() { return m_file; }
    void Close();

    // Clears read-only, hidden and system (the attributes become archive alone).
    bool ResetAttributes();
    // Deletes the file and lets it go; true when it is gone. On false the handle stays open.
    bool Delete();
    // Renames the file to newPath (a full path, file-call spelling), never over another file.
    bool RenameTo(const char* newPath);
    // Gives the file a second name, newPath (as for RenameTo), on its own volume. Any open will do:
    // the name goes to the very file this handle holds, whatever its path names meanwhile.
    bool LinkAs(const char* newPath);
    // The file's identity, and how many names it has.
    bool Identify(FileIdentity& identity, unsigned long& names);
    // Deletes this name of the file and lets it go, leaving the file's attributes as they were: a
    // file with other names keeps them. True when the name is gone.
    bool DropName();

private:
    FileReader m_file;
    bool m_canAct = false;
};

// A folder of path (its file-call spelling) that is a link now; the walk never enters one, so it
// became one after the walk passed it. False, and changed empty, when none is.
bool FindChangedFolder(const char* path, char* changed, size_t changedSize);
