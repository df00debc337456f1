// One writer at a time for each archive, and no change lost between two. A writer takes the
// archive's turn before it reads it (a second writer is refused at once, before it starts),
// holds the archive open so that no other program can write, delete or replace it while the
// new one is written, and puts the new one in place only while the name still holds the file
// it read. The turn is held until the new archive is in place: the archive must be closed for
// the move, and without the turn another writer could read the old one in that moment.
#pragma once

#include "base/Handle.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace zipeng {

// Which file a name holds: its volume and index, size and last write time. A file put in
// place by another writer differs in its index, one written in place in size or time.
struct FileIdentity {
    DWORD volume = 0;
    std::uint64_t index = 0;
    std::uint64_t size = 0;
    std::uint64_t lastWrite = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> IdentityOf(HANDLE file);
// The identity of the file the path names now; nothing when none is there or it cannot be
// asked. `path` is in the ANSI code page, as the record names the archive.
std::optional<FileIdentity> IdentityAt(const std::string& path);

// The name of the turn for an archive: the same for every spelling of its path (letter case,
// 8.3 or long folder names, relative or full).
std::wstring WriterTurnName(const std::string& archivePath);

// The archive's turn, held for the life of the object. Throws EngineError(kErrOpenArchive)
// when another writer holds it.
class WriterTurn {
public:
    explicit WriterTurn(const std::string& archivePath);
    ~WriterTurn();
    WriterTurn(const WriterTurn&) = delete;
    WriterTurn& operator=(const WriterTurn&) = delete;

private:
    ui::FileHandle mutex_;
};

} // namespace zipeng
