// Loading the engine libraries by bare name: the missing library, the missing entries, the
// trace announcement and the error mode, with libraries found through the DLL search path.
#include "engine/UnzEng.h"
#include "engine/ZipEng.h"
#include "tests/engine/ProbeHarness.h"

using namespace testing_support;

namespace {

using Texts = std::vector<std::string>;

// No probe is held here: the program's own load decides which library it gets.
class LoaderTest : public ::testing::Test {
protected:
    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    TempFolder empty;
    TempFolder tmp;
    TZipKeeper zip{nullptr};

    void SetUp() override {
        SetCurrentDirectoryA(ExeFolder().c_str());
        SearchIn(empty.Path());
    }
    void TearDown() override {
        UnloadZipEng();
        UnloadUnzEng();
        SetDllDirectoryA(nullptr);
        SetCurrentDirectoryA(ExeFolder().c_str());
    }
    static void SearchIn(const std::string& folder) { SetDllDirectoryA(folder.c_str()); }
    static std::string Probes(const char* variant) { return ExeFolder() + variant; }
    std::string Archive() {
        std::string p = tmp.File("a.zip");
        ZipBuilder z;
        LocalMember m;
        m.name = "m.txt";
        m.data = "data";
        z.Archive({m});
        z.WriteTo(p);
        return p;
    }
};

TEST_F(LoaderTest, MissingCompressionLibraryIsReportedAndALaterAddWorks) {
    zip.SetZipFilename(tmp.File("new.zip"));
    zip.SetFSpecArgs({"a", "b"});
    zip.Add();
    EXPECT_EQ(dialogs.Texts(), Texts{"KZIPENG.DLL not found"});
    EXPECT_FALSE(ZipEngLoaded());
    EXPECT_FALSE(zip.ZipBusy);
    EXPECT_EQ(zip.FSpecArgs(), (Texts{"a", "b"})) << "nothing else is done";

    zip.Delete(); // the archive does not exist: the precondition speaks first
    EXPECT_EQ(dialogs.Texts().back(), "Error - no zip file specified");

    // The library is installed (found on the search path now).
    dialogs.Clear();
    SearchIn(Probes("probe"));
    LoadZipEng(false); // hold it, so its log can be read after the call
    ASSERT_TRUE(ZipEngLoaded());
    zip.Add();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(zip.SuccessCnt, 2) << "the probe answers with the number of names it was given";
    const probe::Log* log = LoadedProbeLog("KZIPENG.DLL");
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->calls, 1);
    EXPECT_EQ(log->versionCalls, 0) << "the version entry is looked up, never called";
}

TEST_F(LoaderTest, MissingDecompressionLibraryIsReportedAtEveryExtraction) {
    zip.SetZipFilename(Archive());
    LoadUnzEng(false); // as at start-up
    zip.SetFSpecArgs({"*.*"});
    zip.Extract();
    zip.Extract();
    EXPECT_EQ(dialogs.Texts(), Texts(3, "KUNZENG.DLL not found"));
    EXPECT_FALSE(UnzEngLoaded());
    EXPECT_FALSE(zip.UnzBusy);

    dialogs.Clear();
    SearchIn(Probes("probe"));
    zip.Extract();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(zip.SuccessCnt, 1);
    EXPECT_FALSE(UnzEngLoaded()) << "loaded by the call, so unloaded by it";
}

TEST_F(LoaderTest, TraceAnnouncesASuccessfulLoad) {
    SearchIn(Probes("probe"));
    LoadZipEng(true);
    LoadUnzEng(true);
    EXPECT_EQ(dialogs.Texts(), (Texts{"ZIP DLL Loaded", "UNZ DLL Loaded"}));
    EXPECT_NE(ZipEngExecEntry(), nullptr);
    EXPECT_NE(GetZipEngVersionEntry(), nullptr);
    EXPECT_NE(UnzEngExecEntry(), nullptr);
    EXPECT_NE(GetUnzEngVersionEntry(), nullptr);
    EXPECT_EQ(ZipEngHandle(), GetModuleHandleA("KZIPENG.DLL"));
    UnloadZipEng();
    UnloadUnzEng();
    EXPECT_EQ(ZipEngHandle(), nullptr);
    EXPECT_EQ(ZipEngExecEntry(), nullptr) << "entries are not used once unloaded";

    dialogs.Clear();
    LoadZipEng(false);
    LoadUnzEng(false);
    EXPECT_TRUE(dialogs.shown.empty());

    // An add with Trace set loads, announces and goes on.
    UnloadZipEng();
    zip.Trace = true;
    zip.SetZipFilename(tmp.File("t.zip"));
    zip.SetFSpecArgs({"x"});
    zip.Add();
    EXPECT_EQ(dialogs.Texts(), Texts{"ZIP DLL Loaded"});
}

TEST_F(LoaderTest, ErrorModeIsPutBackToZeroWhetherTheLoadWorksOrNot) {
    SetErrorMode(SEM_NOOPENFILEERRORBOX);
    LoadZipEng(false);
    EXPECT_EQ(SetErrorMode(SEM_NOOPENFILEERRORBOX), 0u);
    SearchIn(Probes("probe"));
    LoadUnzEng(false);
    EXPECT_EQ(SetErrorMode(0), 0u);
    // While the library was being loaded, no system box could appear.
    const probe::Log* log = LoadedProbeLog("KUNZENG.DLL");
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->errorModeAtLoad,
              static_cast<std::uint32_t>(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX));
}

TEST_F(LoaderTest, MissingExecEntryKeepsTheLibraryAndFailsTheOperation) {
    SearchIn(Probes("probe-noexec"));
    LoadZipEng(false);
    EXPECT_EQ(dialogs.Texts(), Texts{"ZipEngExec function not found in KZIPENG.DLL"});
    EXPECT_TRUE(ZipEngLoaded());
    EXPECT_NE(GetZipEngVersionEntry(), nullptr);
    UnloadZipEng();

    dialogs.Clear();
    zip.SetZipFilename(Archive());
    zip.SetFSpecArgs({"a"});
    zip.SuccessCnt = 42;
    zip.Add();
    EXPECT_EQ(dialogs.Texts(), (Texts{"ZipEngExec function not found in KZIPENG.DLL",
                                      "Fatal DLL Error: abort exception"}));
    EXPECT_EQ(zip.SuccessCnt, 0);
    EXPECT_TRUE(zip.FSpecArgs().empty());
    EXPECT_FALSE(zip.ZipBusy);
    EXPECT_FALSE(ZipEngLoaded());

    dialogs.Clear();
    zip.SetFSpecArgs({"*.*"});
    zip.Extract();
    EXPECT_EQ(dialogs.Texts(), (Texts{"UnzEngExec function not found in KUNZENG.DLL",
                                      "Fatal DLL Error: abort exception"}));
    EXPECT_EQ(zip.SuccessCnt, 0);
    EXPECT_TRUE(zip.FSpecArgs().empty());
    EXPECT_FALSE(zip.UnzBusy);
}

TEST_F(LoaderTest, MissingVersionEntryWarnsOnlyForTheCompressionLibrary) {
    SearchIn(Probes("probe-nover"));
    zip.SetZipFilename(Archive());
    zip.SetFSpecArgs({"a", "b", "c"});
    zip.Add();
    EXPECT_EQ(dialogs.Texts(), Texts{"GetZipEngVersion function not found in KZIPENG.DLL"});
    EXPECT_EQ(zip.SuccessCnt, 3) << "the warning has no other effect";

    dialogs.Clear();
    zip.SetFSpecArgs({"*.*"});
    zip.Extract();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(zip.SuccessCnt, 1);
    LoadUnzEng(false);
    EXPECT_TRUE(UnzEngLoaded());
    EXPECT_EQ(GetUnzEngVersionEntry(), nullptr);
    EXPECT_NE(UnzEngExecEntry(), nullptr);
    EXPECT_TRUE(dialogs.shown.empty());
}

} // namespace
