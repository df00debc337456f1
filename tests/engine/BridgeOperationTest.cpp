// Add, Delete and Extract around the engine call: preconditions and their order, the busy
// flags, loading only what the call needs, SuccessCnt and the re-read, the clean-up after a
// failure, the refusal of values too long for the engines, and the extraction folder.
#include "base/LongPaths.h"
#include "engine/PathUtil.h"
#include "engine/UnzEng.h"
#include "engine/ZipEng.h"
#include "tests/engine/ProbeHarness.h"

using namespace testing_support;

namespace {

using Texts = std::vector<std::string>;

class OperationTest : public BridgeTest {
protected:
    // Nothing of the component changed and no engine was called.
    void ExpectUntouched(const Texts& specs) {
        EXPECT_EQ(zip.FSpecArgs(), specs);
        EXPECT_EQ(zip.SuccessCnt, 42);
        EXPECT_FALSE(zip.ZipBusy);
        EXPECT_FALSE(zip.UnzBusy);
        EXPECT_EQ(zipProbe.Calls(), 0);
        EXPECT_EQ(unzProbe.Calls(), 0);
        EXPECT_FALSE(ZipEngLoaded());
        EXPECT_FALSE(UnzEngLoaded());
    }
};

TEST_F(OperationTest, AddPreconditionsInOrder) {
    zip.SuccessCnt = 42;
    zip.Add(); // neither files nor archive: the files are checked first
    zip.SetFSpecArgs({"a.txt"});
    zip.Add();
    EXPECT_EQ(dialogs.Texts(), (Texts{"Error - no files to zip", "Error - no zip file specified"}));
    ExpectUntouched({"a.txt"});
}

TEST_F(OperationTest, DeletePreconditionsInOrder) {
    zip.SuccessCnt = 42;
    zip.Delete();
    zip.SetFSpecArgs({"one.txt"});
    zip.SetZipFilename(tmp.File("missing.zip")); // a name alone is not enough
    zip.Delete();
    EXPECT_EQ(dialogs.Texts(),
              (Texts{"Error - no files selected for deletion", "Error - no zip file specified"}));
    ExpectUntouched({"one.txt"});
}

TEST_F(OperationTest, ExtractNeedsAnExistingArchiveButNoFileNames) {
    zip.SuccessCnt = 42;
    zip.SetFSpecArgs({"one.txt"});
    zip.SetZipFilename(tmp.File("missing.zip"));
    zip.Extract();
    EXPECT_EQ(dialogs.Texts(), Texts{"Error - no zip file specified"});
    ExpectUntouched({"one.txt"});

    dialogs.Clear();
    zip.SetZipFilename(MakeArchive());
    zip.SetFSpecArgs({});
    unzProbe.Script({}, 0);
    zip.Extract();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(unzProbe.Calls(), 1);
}

TEST_F(OperationTest, AddToAnArchiveThatDoesNotExistYetGoesAhead) {
    zip.SetZipFilename(tmp.File("new.zip"));
    zip.SetFSpecArgs({"a.txt", "b.txt"});
    zipProbe.Script({}, 0);
    zip.Add();
    EXPECT_EQ(zipProbe.Calls(), 1);
    EXPECT_EQ(zip.SuccessCnt, 0);
    EXPECT_TRUE(zip.FSpecArgs().empty());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(OperationTest, ArchiveIsReReadOnlyWhenFilesWereProcessed) {
    std::string archive = MakeArchive();
    zip.SetZipFilename(archive);
    ASSERT_EQ(dirUpdates, 1);

    zipProbe.Script({}, 0);
    zip.SetFSpecArgs({"a"});
    zip.Add();
    EXPECT_EQ(zip.SuccessCnt, 0);
    EXPECT_EQ(dirUpdates, 1);

    zipProbe.Script({}, 3);
    zip.SetFSpecArgs({"a"});
    zip.Add();
    EXPECT_EQ(zip.SuccessCnt, 3);
    EXPECT_EQ(dirUpdates, 2);
    EXPECT_EQ(zip.Count(), 2);

    zip.SetFSpecArgs({"one.txt"});
    zipProbe.Script({}, 1);
    zip.Delete();
    EXPECT_EQ(zip.SuccessCnt, 1);
    EXPECT_EQ(dirUpdates, 3);

    // Extracting never changes the archive.
    unzProbe.Script({}, 2);
    zip.Extract();
    EXPECT_EQ(zip.SuccessCnt, 2);
    EXPECT_EQ(dirUpdates, 3);
}

TEST_F(OperationTest, OperationOfTheSameKindAlreadyRunningReturnsSilently) {
    zip.SetZipFilename(MakeArchive());
    zip.SuccessCnt = 42;
    zip.ZipBusy = true;
    zip.SetFSpecArgs({"x"});
    zip.Add();
    zip.Delete();
    EXPECT_EQ(zip.FSpecArgs(), Texts{"x"});
    EXPECT_EQ(zipProbe.Calls(), 0);
    EXPECT_TRUE(zip.ZipBusy);
    zip.ZipBusy = false;

    zip.UnzBusy = true;
    zip.Extract();
    EXPECT_EQ(unzProbe.Calls(), 0);
    EXPECT_EQ(zip.FSpecArgs(), Texts{"x"});
    EXPECT_EQ(zip.SuccessCnt, 42);
    EXPECT_TRUE(dialogs.shown.empty());
    zip.UnzBusy = false;
}

// The main window lets messages run from inside OnProgress, so the user can start another
// command while the engine works.
TEST_F(OperationTest, FromInsideProgressASecondAddReturnsAtOnceButAnExtractRuns) {
    zip.SetZipFilename(MakeArchive());
    struct Seen {
        bool zipBusy = false, unzBusyAfter = true, specsEmptied = false;
        int zipCallsAfterNestedAdd = -1, unzCalls = -1;
    } seen;
    bool nested = false;
    zip.OnProgress = [&](TZipKeeper& z, ProgressType t, const std::string&, std::int32_t) {
        if (t != ProgressType::NewFile || nested) return;
        nested = true;
        seen.zipBusy = z.ZipBusy;
        z.SetFSpecArgs({"second"});
        z.Add();
        seen.zipCallsAfterNestedAdd = zipProbe.Calls();
        z.Extract();
        seen.unzCalls = unzProbe.Calls();
        seen.unzBusyAfter = z.UnzBusy;
        seen.specsEmptied = z.FSpecArgs().empty();
    };
    zipProbe.Script({CallBack(1, "first", 1), CallBack(3)}, 0);
    unzProbe.Script({}, 7);
    zip.SetFSpecArgs({"first"});
    zip.Add();

    EXPECT_TRUE(seen.zipBusy);
    EXPECT_EQ(seen.zipCallsAfterNestedAdd, 1);
    EXPECT_EQ(seen.unzCalls, 1);
    EXPECT_STREQ(unzProbe.Log().specs[0], "second");
    EXPECT_FALSE(seen.unzBusyAfter);
    EXPECT_TRUE(seen.specsEmptied);
    EXPECT_EQ(zipProbe.Log().stepsRun, 2) << "the outer engine went on after the nested calls";
    EXPECT_EQ(zip.SuccessCnt, 0) << "the outer call's own result counts last";
    EXPECT_FALSE(zip.ZipBusy);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(OperationTest, ACallUnloadsOnlyTheLibraryItLoadedItself) {
    zip.SetZipFilename(MakeArchive());
    zip.SetFSpecArgs({"x"});
    zip.Add();
    EXPECT_FALSE(ZipEngLoaded());
    zip.Extract();
    EXPECT_FALSE(UnzEngLoaded());

    // Loaded beforehand (the main window loads KUNZENG.DLL at start-up): left loaded.
    LoadZipEng(false);
    LoadUnzEng(false);
    ASSERT_TRUE(ZipEngLoaded() && UnzEngLoaded());
    zip.SetFSpecArgs({"x"});
    zip.Delete();
    zip.Extract();
    EXPECT_EQ(zipProbe.Calls(), 2);
    EXPECT_EQ(unzProbe.Calls(), 2);
    EXPECT_TRUE(ZipEngLoaded());
    EXPECT_TRUE(UnzEngLoaded());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(OperationTest, FaultInsideTheEngineIsAFatalDllErrorAndCleansUp) {
    zip.SetZipFilename(MakeArchive());
    zip.SetFSpecArgs({"a", "b"});
    zipProbe.Script({CallBack(1, "a", 1), Fault()}, 2);
    zip.Add();
    EXPECT_EQ(dialogs.Texts(), Texts{"Fatal DLL Error: abort exception"});
    EXPECT_EQ(zip.SuccessCnt, 0);
    EXPECT_TRUE(zip.FSpecArgs().empty());
    EXPECT_FALSE(zip.ZipBusy);
    EXPECT_FALSE(ZipEngLoaded());
    EXPECT_EQ(dirUpdates, 1);

    dialogs.Clear();
    unzProbe.Script({Fault()}, 2);
    zip.SetFSpecArgs({"*.*"});
    zip.Extract();
    EXPECT_EQ(dialogs.Texts(), Texts{"Fatal DLL Error: abort exception"});
    EXPECT_TRUE(zip.FSpecArgs().empty());
    EXPECT_FALSE(zip.UnzBusy);

    // Both engines work normally afterwards.
    dialogs.Clear();
    zipProbe.Script({CallBack(1, "a", 1)}, 0);
    zip.SetFSpecArgs({"a"});
    zip.Add();
    unzProbe.Script({}, 1);
    zip.Extract();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(zip.SuccessCnt, 1);
}

TEST_F(OperationTest, ValuesTooLongForTheEngineBuffersAreRefusedAndNothingIsDone) {
    std::string archive = MakeArchive();
    std::string longName = "C:\\" + std::string(253, 'n');
    ASSERT_EQ(longName.size(), 256u);
    zip.SuccessCnt = 42;

    zip.SetFSpecArgs({"a"});
    zip.SetZipFilename(longName);
    zip.Add();
    EXPECT_EQ(dialogs.Texts(),
              Texts{"Error - zip file name too long (more than 255 characters): " + longName});
    ExpectUntouched({"a"});

    dialogs.Clear();
    zip.SetZipFilename(archive);
    zip.Password = std::string(81, 'p');
    zip.Add();
    zip.Delete();
    zip.Extract();
    EXPECT_EQ(dialogs.Texts(), Texts(3, "Error - password too long (more than 80 characters)"));
    ExpectUntouched({"a"});

    dialogs.Clear();
    zip.Password.clear();
    Texts many(4098, "f");
    zip.SetFSpecArgs(many);
    zip.Add();
    EXPECT_EQ(dialogs.Texts(), Texts{"Error - too many file specifications (more than 4097)"});
    ExpectUntouched(many);

    dialogs.Clear();
    Texts specs{"ok.txt", "C:\\" + std::string(253, 's')};
    zip.SetFSpecArgs(specs);
    zip.Delete();
    zip.Extract();
    EXPECT_EQ(
        dialogs.Texts(),
        Texts(2, "Error - file specification too long (more than 255 characters): " + specs[1]));
    ExpectUntouched(specs);
}

class ExtractFolderTest : public OperationTest {
protected:
    std::string CurrentDir() {
        char d[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, d);
        return d;
    }
    void SetUp() override {
        OperationTest::SetUp();
        zip.SetZipFilename(MakeArchive());
        unzProbe.Script({}, 1);
    }
};

TEST_F(ExtractFolderTest, AnExistingFolderBecomesTheCurrentFolder) {
    zip.ExtrBaseDir = tmp.Path(); // with its trailing backslash
    zip.Extract();
    EXPECT_EQ(std::string(unzProbe.Log().currentDir) + "\\", tmp.Path());
    EXPECT_EQ(CurrentDir() + "\\", tmp.Path()) << "the current folder is not put back";
}

TEST_F(ExtractFolderTest, EmptyFolderNameLeavesTheCurrentFolder) {
    std::string before = CurrentDir();
    zip.Extract();
    EXPECT_EQ(std::string(unzProbe.Log().currentDir), before);
}

TEST_F(ExtractFolderTest, AMissingFolderIsCreatedWithItsParentsFirst) {
    std::string target = tmp.File("out\\deeper\\deepest");
    zip.ExtrBaseDir = target;
    zip.SetFSpecArgs({"*.*"});
    zip.Extract();
    EXPECT_TRUE(kpath::DirectoryExists(target));
    EXPECT_EQ(std::string(unzProbe.Log().currentDir), target);
    EXPECT_EQ(zip.SuccessCnt, 1);
    EXPECT_TRUE(dialogs.shown.empty());

    // Forward slashes and a trailing separator name the same kind of folder.
    std::string other = tmp.Path() + "fwd/a/b/";
    zip.ExtrBaseDir = other;
    zip.Extract();
    EXPECT_TRUE(kpath::DirectoryExists(tmp.File("fwd\\a\\b")));
    EXPECT_EQ(unzProbe.Calls(), 2);
}

TEST_F(ExtractFolderTest, AFolderThatCannotBeCreatedExtractsNothing) {
    testing_support::WriteFileBytes(tmp.File("plainfile"), "x");
    std::string target = tmp.File("plainfile\\sub");
    std::string before = CurrentDir();
    zip.ExtrBaseDir = target;
    zip.SuccessCnt = 42;
    zip.SetFSpecArgs({"*.*"});
    zip.Extract();
    EXPECT_EQ(dialogs.Texts(), Texts{"Error - cannot create folder " + target});
    EXPECT_EQ(unzProbe.Calls(), 0);
    EXPECT_EQ(zip.SuccessCnt, 0);
    EXPECT_TRUE(zip.FSpecArgs().empty());
    EXPECT_FALSE(zip.UnzBusy);
    EXPECT_FALSE(UnzEngLoaded());
    EXPECT_EQ(CurrentDir(), before);
}

} // namespace

// A folder nine levels below the test's folder, deeper than the records' 255 characters.
static std::string DeepFolder(const TempFolder& tmp) {
    std::string deep = tmp.File("deep");
    for (int i = 0; i < 9; ++i)
        deep += "\\folder number " + std::to_string(i) + " with a long name";
    EXPECT_TRUE(kpath::ForceDirectories(deep));
    return deep;
}

// The long form of the folder a path the engine received names ("" when there is none).
static std::string LongFolderOf(const std::string& received) {
    wchar_t full[2048] = {};
    const std::wstring folder = kname::Widen(kpath::ExtractFilePath(received), CP_ACP);
    if (GetLongPathNameW(folder.c_str(), full, 2048) == 0) return {};
    return kname::Narrow(full, CP_ACP);
}

// An archive deeper than the record's 255 characters reaches the engine by its folders' 8.3
// names, which name the same file; the archive's own name is kept, as a new archive is made
// under it. One too long even so is refused, naming it.
TEST_F(OperationTest, AnArchiveDeeperThanTheRecordArrivesByItsShortFolders) {
    const std::string archive = MakeArchive();
    const std::string deep = DeepFolder(tmp);
    struct Case {
        const char* what;
        std::string name;
        bool exists;
    } cases[] = {{"existing", deep + "\\existing archive.zip", true},
                 {"to be made", deep + "\\new archive.zip", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_GT(c.name.size(), 300u);
        if (c.exists) WriteFileBytes(c.name, ReadFileBytes(archive));
        zip.SetZipFilename(c.name);
        zip.SetFSpecArgs({"C:\\data\\*.txt"});
        const int calls = zipProbe.Calls();
        zipProbe.Script({}, 0);
        zip.Add();
        ASSERT_EQ(zipProbe.Calls(), calls + 1);
        const std::string received = zipProbe.Log().archiveName;
        EXPECT_LE(received.size(), 255u);
        EXPECT_EQ(kpath::ExtractFileName(received), kpath::ExtractFileName(c.name));
        EXPECT_EQ(LongFolderOf(received), kpath::ExtractFilePath(c.name)) << "the deep one";
    }
    EXPECT_TRUE(dialogs.shown.empty()) << ::testing::PrintToString(dialogs.Texts());

    // No folder of it exists: nothing shortens it.
    const std::string nowhere =
        "C:\\" + std::string(150, 'x') + "\\" + std::string(150, 'y') + ".zip";
    zip.SetZipFilename(nowhere);
    zip.SetFSpecArgs({"a"});
    const int calls = zipProbe.Calls();
    zip.Add();
    EXPECT_EQ(zipProbe.Calls(), calls);
    EXPECT_EQ(dialogs.Texts(),
              Texts{"Error - zip file name too long (more than 255 characters): " + nowhere});
}

// Files deeper than the record's 255 characters are handed over by their folders' 8.3 names
// when they are added without their folders, which are not stored then; with their folders,
// whose names would be stored, they are refused, naming them.
TEST_F(OperationTest, DeepFilesAddedWithoutTheirFoldersArriveByTheirShortFolders) {
    const std::string archive = MakeArchive();
    const std::string deep = DeepFolder(tmp);
    const std::string file = deep + "\\notes.txt", pattern = deep + "\\*.txt";
    WriteFileBytes(file, "x");
    zip.SetZipFilename(archive);
    zip.SetFSpecArgs({file, pattern});
    zipProbe.Script({}, 0);
    zip.Add();
    ASSERT_EQ(zipProbe.Calls(), 1);
    const probe::Log& log = zipProbe.Log();
    ASSERT_EQ(log.argc, 2);
    for (int i = 0; i < 2; ++i) {
        const std::string handed = log.specs[i];
        EXPECT_LE(handed.size(), 255u);
        EXPECT_EQ(LongFolderOf(handed), deep + "\\");
    }
    EXPECT_EQ(kpath::ExtractFileName(log.specs[0]), "notes.txt");
    EXPECT_EQ(kpath::ExtractFileName(log.specs[1]), "*.txt");

    zip.AddOptions = {AddDirNames};
    zip.SetFSpecArgs({file});
    zip.Add();
    EXPECT_EQ(zipProbe.Calls(), 1);
    EXPECT_EQ(dialogs.Texts(),
              Texts{"Error - file specification too long (more than 255 characters): " + file});
}
