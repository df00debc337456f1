// The naming rule for a new archive, without windows.
#include "mainwindow/ArchiveNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const char kExeError[] = "Error: you must create a .ZIP file, then convert to .EXE";
const char kZipError[] = "Error: your new archive must end in .ZIP";

TEST(NewArchiveName, ZipNamesPassMissingExtensionsAreAddedOthersAreRefused) {
    struct Case {
        const char* chosen;
        const char* name;
        const char* error;
    } cases[] = {
        {"C:\\Letters\\letters", "C:\\Letters\\letters.zip", ""},
        {"C:\\Letters\\letters.ZIP", "C:\\Letters\\letters.ZIP", ""},
        {"C:\\Letters\\letters.zip", "C:\\Letters\\letters.zip", ""},
        {"C:\\Letters\\letters.Zip", "C:\\Letters\\letters.Zip", ""},
        {"C:\\Letters\\letters.txt", "", kZipError},
        {"C:\\Letters\\setup.exe", "", kExeError},
        {"C:\\Letters\\SETUP.EXE", "", kExeError},
        // A full stop anywhere counts, a folder's too: no ".zip" is added then.
        {"c:\\my.files\\letters", "", kZipError},
        {"c:\\my.files\\letters.zip", "c:\\my.files\\letters.zip", ""},
        {"c:\\archive.exe\\letters", "", kZipError},
        {"C:\\Letters\\letters.", "", kZipError},
        {"C:\\Letters\\letters.zip.exe", "", kExeError},
    };
    for (const Case& c : cases) {
        archivenames::NewName r = archivenames::CheckNewName(c.chosen);
        EXPECT_EQ(r.Name, c.name) << c.chosen;
        EXPECT_EQ(r.Refusal, c.error) << c.chosen;
    }
}

TEST(NewArchiveName, TheOfferedNameIsTheFirstNotInUse) {
    const struct {
        std::vector<std::string> taken;
        const char* offered;
    } cases[] = {
        {{}, "C:\\Z\\New Archive.zip"},
        {{"C:\\Z\\New Archive.zip"}, "C:\\Z\\New Archive (2).zip"},
        {{"C:\\Z\\New Archive.zip", "C:\\Z\\New Archive (2).zip"},
         "C:\\Z\\New Archive (3).zip"},
        // A gap is used.
        {{"C:\\Z\\New Archive (2).zip"}, "C:\\Z\\New Archive.zip"},
    };
    for (const auto& c : cases) {
        const auto exists = [&](const std::string& name) {
            return std::find(c.taken.begin(), c.taken.end(), name) != c.taken.end();
        };
        EXPECT_EQ(archivenames::FreeNewArchiveName("C:\\Z\\", exists), c.offered);
    }
    EXPECT_EQ(archivenames::FreeNewArchiveName("", [](const std::string&) { return false; }),
              "New Archive.zip");
}

} // namespace
