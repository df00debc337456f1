// Conversion between a zip archive and a self-extracting program: finding the stub and
// copying bytes into a new file that takes its final name only when it is complete.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kconvert {

// Result codes of ConvertSFX and ConvertZIP.
constexpr std::int32_t kConverted = 0;
constexpr std::int32_t kCannotCreate = -1; // the output file could not be created
constexpr std::int32_t kCopyFailed = -2;   // reading, seeking or writing failed
constexpr std::int32_t kCannotOpen = -3;   // the stub or the archive could not be opened
constexpr std::int32_t kRefused = -9;      // a precondition failed, or the output came out wrong

// A stub shorter than this cannot be the self-extractor.
constexpr std::int64_t kMinimumStubSize = 28000;
constexpr char kStubName[] = "KSFX.BIN";

// The output is written to a temporary file beside it, named "~ksx" + 8 hex digits + ".tmp";
// ones left behind by a conversion that was killed are removed by the next conversion into
// that folder. The input is only ever read, and deleted once the output is in place.
constexpr char kTempPrefix[] = "~ksx";
bool IsConversionTempName(const std::string& fileName);
// Deletes leftover conversion temporaries in the folder (which ends with '\\').
void RemoveStaleConversionTemps(const std::string& folder);

// Where the stub is looked for when the given path names none, in order: beside the
// program, then the Windows directory, then the system directory.
std::vector<std::string> StubCandidates();
// Replaces the places searched (tests); an empty list puts the real ones back.
void SetStubCandidates(std::vector<std::string> places);

// Keeps `sfxPath` when a file is there, else tries the candidates in turn; `sfxPath` ends as
// the last path tried. True when a stub was found.
bool FindStub(std::string& sfxPath, const std::vector<std::string>& candidates);

// One piece of an output file: `count` bytes of `path` from `offset` (-1: to its end).
struct Piece {
    std::string path;
    std::int64_t offset = 0;
    std::int64_t count = -1;
};

// Writes the pieces one after the other into a new file beside `target` and, when all were
// copied and the result holds at least `minimumSize` bytes, moves it over `target`. On any
// failure nothing is left behind. Returns a result code: kCannotOpen for a piece that cannot
// be opened, kCannotCreate, kCopyFailed, or kRefused when the result is too short; `cause`
// (when given) gets the reason of a failure, naming the file ("Not enough disk space to
// write "<target>"."), or is emptied.
std::int32_t WriteJoined(const std::vector<Piece>& pieces, const std::string& target,
                         std::int64_t minimumSize, std::string* cause = nullptr);

// A failed conversion's box: the text, and below it the cause when there is one.
std::string WithCause(const std::string& text, const std::string& cause);

// The reason a write of `path` failed with the system's error: a full disk in the words
// adding and extracting use, anything else with the system's text.
std::string WriteProblem(const std::string& path, unsigned long error);

} // namespace kconvert
