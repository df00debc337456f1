// Which files a pattern takes and the names they get in the archive.
#include "EngineFixture.h"

#include "dlls/zipeng/SourceScan.h"

#include <algorithm>

namespace zipeng_test {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

class AddNamesTest : public EngineFixture {};

TEST_F(AddNamesTest, AbsolutePathLosesDriveAndLeadingBackslashAndUsesForwardSlashes) {
    const std::string file = Make("docs\\a.txt", "alpha");
    ASSERT_EQ(tmp_.Path().substr(1, 2), ":\\");
    std::string expected = tmp_.Path().substr(3) + "docs\\a.txt";
    std::replace(expected.begin(), expected.end(), '\\', '/');

    EXPECT_EQ(Engine::Get().Add(archive_, {file}), 1);
    EXPECT_THAT(ArchiveView(archive_).Names(), ElementsAre(expected));
}

TEST_F(AddNamesTest, RelativePathsKeepTheirFoldersAndNeverClimbOut) {
    Make("docs\\a.txt", "alpha");
    Make("docs\\sub\\b.txt", "beta");
    EXPECT_EQ(Engine::Get().Add(archive_, {"docs\\a.txt", ".\\docs/sub\\..\\sub\\b.txt"}), 2);
    EXPECT_THAT(ArchiveView(archive_).Names(), ElementsAre("docs/a.txt", "docs/sub/b.txt"));

    SetCurrentDirectoryA(tmp_.File("docs").c_str());
    const std::string archive2 = tmp_.File("up.zip");
    EXPECT_EQ(Engine::Get().Add(archive2, {"..\\docs\\a.txt"}), 1);
    EXPECT_THAT(ArchiveView(archive2).Names(), ElementsAre("docs/a.txt"));
}

TEST_F(AddNamesTest, JunkDirNamesStoresBareFileNames) {
    Make("docs\\a.txt", "alpha");
    Make("docs\\sub\\b.txt", "beta");
    AddOptions o;
    o.keepPaths = false;
    o.recurse = true;
    EXPECT_EQ(Engine::Get().Add(archive_, {tmp_.File("docs\\*.*")}, o), 2);
    // No folder entries either: without paths there is nothing to put files in.
    EXPECT_THAT(ArchiveView(archive_).Names(), ElementsAre("a.txt", "b.txt"));
}

TEST_F(AddNamesTest, MasksMatchAsOnWindowsAndStarDotStarTakesEveryName) {
    Make("x.txt", "x");
    Make("y.TXT", "y");
    Make("z.dat", "z");
    Make("README", "r");
    EXPECT_EQ(Engine::Get().Add(archive_, {"*.txt"}), 2);
    EXPECT_THAT(ArchiveView(archive_).Names(), ElementsAre("x.txt", "y.TXT"));

    const std::string all = tmp_.File("all.zip");
    EXPECT_EQ(Engine::Get().Add(all, {"*.*"}), 5); // out.zip is just another file here
    EXPECT_THAT(ArchiveView(all).Names(),
                UnorderedElementsAre("out.zip", "README", "x.txt", "y.TXT", "z.dat"));

    const std::string one = tmp_.File("one.zip");
    EXPECT_EQ(Engine::Get().Add(one, {"?.dat", "READ*"}), 2);
    EXPECT_THAT(ArchiveView(one).Names(), ElementsAre("z.dat", "README"));
}

TEST_F(AddNamesTest, RecurseAddsTheWholeTreeWithFolderEntriesSoEmptyFoldersSurvive) {
    Make("docs\\a.txt", "alpha");
    Make("docs\\sub\\b.txt", "beta");
    MakeFolder("docs\\empty");
    AddOptions o;
    o.recurse = true;
    EXPECT_EQ(Engine::Get().Add(archive_, {"docs\\*.*"}, o), 4);
    const ArchiveView view(archive_);
    EXPECT_THAT(view.Names(),
                ElementsAre("docs/a.txt", "docs/empty/", "docs/sub/", "docs/sub/b.txt"));
    const zipcore::Member* folder = view.Find("docs/empty/");
    ASSERT_NE(folder, nullptr);
    EXPECT_TRUE(folder->IsDirectory());
    EXPECT_EQ(folder->uncompressedSize, 0u);

    // Without Recurse only the files directly in the folder.
    const std::string flat = tmp_.File("flat.zip");
    EXPECT_EQ(Engine::Get().Add(flat, {"docs\\*.*"}), 1);
    EXPECT_THAT(ArchiveView(flat).Names(), ElementsAre("docs/a.txt"));
}

TEST_F(AddNamesTest, RecursiveMaskSearchesEverySubfolderButStoresOnlyMatchingNames) {
    Make("docs\\a.txt", "alpha");
    Make("docs\\a.dat", "data");
    Make("docs\\sub\\b.txt", "beta");
    Make("docs\\sub\\deeper\\c.txt", "gamma");
    AddOptions o;
    o.recurse = true;
    EXPECT_EQ(Engine::Get().Add(archive_, {"docs\\*.txt"}, o), 3);
    EXPECT_THAT(ArchiveView(archive_).Names(),
                ElementsAre("docs/a.txt", "docs/sub/b.txt", "docs/sub/deeper/c.txt"));
}

TEST_F(AddNamesTest, FolderNamedWithoutMaskAddsTheFolderAndWhatIsInIt) {
    Make("docs\\a.txt", "alpha");
    Make("docs\\sub\\b.txt", "beta");
    EXPECT_EQ(Engine::Get().Add(archive_, {"docs"}), 2);
    EXPECT_THAT(ArchiveView(archive_).Names(), ElementsAre("docs/", "docs/a.txt"));

    const std::string tree = tmp_.File("tree.zip");
    AddOptions o;
    o.recurse = true;
    EXPECT_EQ(Engine::Get().Add(tree, {"docs\\"}, o), 4);
    EXPECT_THAT(ArchiveView(tree).Names(),
                ElementsAre("docs/", "docs/a.txt", "docs/sub/", "docs/sub/b.txt"));
}

TEST_F(AddNamesTest, HiddenAndSystemFilesOnlyWithHiddenFilesUnlessNamedExactly) {
    const std::string hidden = Make("h.txt", "hidden");
    const std::string system = Make("s.txt", "system");
    Make("n.txt", "normal");
    ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesA(system.c_str(), FILE_ATTRIBUTE_SYSTEM));

    EXPECT_EQ(Engine::Get().Add(archive_, {"*.txt"}), 1);
    EXPECT_THAT(ArchiveView(archive_).Names(), ElementsAre("n.txt"));

    const std::string with = tmp_.File("with.zip");
    AddOptions o;
    o.hidden = true;
    EXPECT_EQ(Engine::Get().Add(with, {"*.txt"}, o), 3);
    const ArchiveView view(with);
    EXPECT_THAT(view.Names(), ElementsAre("h.txt", "n.txt", "s.txt"));
    // The attributes travel in the low byte of the external attributes.
    EXPECT_EQ(view.Find("h.txt")->externalAttributes & FILE_ATTRIBUTE_HIDDEN,
              static_cast<std::uint32_t>(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(view.Find("s.txt")->externalAttributes & FILE_ATTRIBUTE_SYSTEM,
              static_cast<std::uint32_t>(FILE_ATTRIBUTE_SYSTEM));

    const std::string named = tmp_.File("named.zip");
    EXPECT_EQ(Engine::Get().Add(named, {"h.txt"}), 1);
    EXPECT_THAT(ArchiveView(named).Names(), ElementsAre("h.txt"));
}

TEST_F(AddNamesTest, ForceDosStoresEightDotThreeNames) {
    Make("long folder.name\\Report for 2024.html", "report");
    Make("a+b;c.text", "odd");
    AddOptions o;
    o.forceDos = true;
    EXPECT_EQ(Engine::Get().Add(archive_, {"long folder.name\\*.*", "a+b;c.text"}, o), 2);
    EXPECT_THAT(ArchiveView(archive_).Names(),
                ElementsAre("LONGFOLD.NAM/REPORTFO.HTM", "A_B_C.TEX"));
}

TEST_F(AddNamesTest, TwoFilesWithTheSameStoredNameKeepTheFirstAndReportTheSecond) {
    Make("d1\\same.txt", "first");
    Make("d2\\same.txt", "second");
    Make("d2\\other.txt", "other");
    AddOptions o;
    o.keepPaths = false;
    Recorder r;
    EXPECT_EQ(Engine::Get().Add(archive_, {"d1\\*.*", "d2\\*.*"}, o, r), 2);
    const ArchiveView view(archive_);
    EXPECT_THAT(view.Names(), ElementsAre("same.txt", "other.txt"));
    EXPECT_EQ(view.Data("same.txt"), "first");
    EXPECT_TRUE(r.HasMessage(keng::kErrDuplicateName, "d2\\same.txt")) << r.Messages().size();
    EXPECT_EQ(r.Messages().size(), 1u);

    // Names differing only in letter case are the same name on Windows.
    const std::string cased = tmp_.File("cased.zip");
    Recorder r2;
    EXPECT_EQ(Engine::Get().Add(cased, {"d1\\same.txt", "d2\\SAME.TXT"}, o, r2), 1);
    EXPECT_TRUE(r2.HasMessage(keng::kErrDuplicateName, "SAME.TXT"));
}

TEST_F(AddNamesTest, TheArchiveNeverAddsItself) {
    Make("a.txt", "alpha");
    AddOptions o;
    o.keepPaths = false;
    EXPECT_EQ(Engine::Get().Add(archive_, {"*.*"}, o), 1);
    EXPECT_THAT(ArchiveView(archive_).Names(), ElementsAre("a.txt"));
    // Now the archive exists in the folder being added, named through another path.
    Make("b.txt", "beta");
    EXPECT_EQ(Engine::Get().Add(archive_, {tmp_.Path() + "*.*"}, o), 2);
    EXPECT_THAT(ArchiveView(archive_).Names(), ElementsAre("a.txt", "b.txt"));

    Recorder r;
    EXPECT_EQ(Engine::Get().Add(archive_, {"OUT.ZIP"}, o, r), 0);
    EXPECT_TRUE(r.HasMessage(keng::kErrNoMatch, "OUT.ZIP"));
    EXPECT_THAT(ArchiveView(archive_).Names(), ElementsAre("a.txt", "b.txt"));
}

TEST_F(AddNamesTest, PatternsThatFindNothingAreReported) {
    Make("a.txt", "alpha");
    Recorder r;
    EXPECT_EQ(Engine::Get().Add(archive_, {"a.txt", "missing.txt", "nodir\\*.*"}, {}, r), 1);
    EXPECT_TRUE(r.HasMessage(keng::kErrNoMatch, "missing.txt"));
    EXPECT_TRUE(r.HasMessage(keng::kErrNoMatch, "nodir\\*.*"));

    // Nothing at all to add: no archive is created.
    const std::string none = tmp_.File("none.zip");
    Recorder r2;
    EXPECT_EQ(Engine::Get().Add(none, {"*.none"}, {}, r2), 0);
    EXPECT_FALSE(FileExists(none));
    EXPECT_EQ(r2.Count(keng::kActionEndOfBatch), 1);
}

TEST_F(AddNamesTest, TheBackgroundScanFindsWhatTheScanFindsInTheSameOrder) {
    for (int d = 0; d < 5; ++d)
        for (int f = 0; f < 5; ++f)
            Make("t\\d" + std::to_string(d) + "\\f" + std::to_string(f) + ".txt", "x");
    MakeFolder("t\\empty");
    const std::vector<std::string> patterns = {"t\\*.*", "none\\*.*", "t\\d1\\f1.txt"};
    zipeng::ScanOptions options;
    options.recurse = true;
    const zipeng::ScanResult direct = zipeng::ScanSources(patterns, options, archive_);
    ASSERT_EQ(direct.entries.size(), 32u); // 25 files, 6 folders, the file named again

    zipeng::BackgroundScan background(patterns, options, archive_);
    std::vector<std::string> names;
    for (size_t i = 0;; ++i) {
        const zipeng::SourceEntry* e = background.Entry(i, true);
        if (!e) break;
        names.push_back(e->storedName);
    }
    ASSERT_EQ(names.size(), direct.entries.size());
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(names[i], direct.entries[i].storedName) << i;
    const std::vector<zipeng::ScanProblem> problems = background.TakeProblems(true);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].text, "No files found for none\\*.*");
    ASSERT_EQ(direct.problems.size(), 1u);
    EXPECT_EQ(direct.problems[0].text, problems[0].text);
}

} // namespace
} // namespace zipeng_test
