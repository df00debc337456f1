// The records the engines receive, byte by byte: every field of ZipParams for adding and
// deleting and of UnzParams for extracting, and the text buffers behind their pointers.
#include "engine/ZipCallback.h"
#include "tests/engine/ProbeHarness.h"

using namespace testing_support;

namespace {

constexpr std::int64_t T = -1; // engine true
constexpr std::int64_t F = 0;

class RecordTest : public BridgeTest {
protected:
    std::string archive;
    void SetUp() override {
        // The byte offsets below are the 32-bit engines' interface; the 64-bit build (for
        // machines without 32-bit support) lays the same records out with 8-byte pointers.
        if (sizeof(void*) != 4) GTEST_SKIP() << "record offsets of the 32-bit interface";
        BridgeTest::SetUp();
        archive = MakeArchive();
        zip.SetZipFilename(archive);
        zipProbe.Script({}, 0);
        unzProbe.Script({}, 0);
    }
    void AddOneSpec() {
        zip.SetFSpecArgs({"C:\\data\\*.txt"});
        zip.Add();
        ASSERT_EQ(zipProbe.Calls(), 1);
    }
    // The fields of ZipParams that do not depend on the options.
    FieldTable ZipCommon(std::int32_t argc) const {
        return {{0, Addr(kOwner)}, {4, Addr(&zip)}, {8, 130}, {12, Addr(&EngineCallback)},
                {20, kNonNull},    {24, 0},         {36, F},  {40, F},
                {44, T},           {48, F},         {56, T},  {64, F},
                {68, F},           {104, F},        {112, 0}, {116, 0},
                {120, argc},       {124, kNonNull}, {128, 7}};
    }
    FieldTable UnzCommon(std::int32_t argc) const {
        return {{0, Addr(kOwner)}, {4, Addr(&zip)}, {8, 130},       {12, Addr(&EngineCallback)},
                {20, 0},           {24, kNonNull},  {32, F},        {36, F},
                {40, T},           {64, argc},      {68, kNonNull}, {72, 7}};
    }
    static FieldTable Join(FieldTable a, const FieldTable& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }
};

// One combination of properties for Add, and the option-dependent fields it must produce.
struct AddCase {
    const char* name;
    AddOpts options;
    bool verbose;
    bool trace;
    std::int32_t level;
    // TraceEnabled 16, Encrypt 28, HiddenFiles 32, VerboseEnabled 52, Level 60,
    // JunkDirNames 72, Recurse 76, ForceDOS 84, Move 88, Update 96, Freshen 100, ZipTime 108
    FieldTable fields;
};

// clang-format off
const AddCase kAddCases[] = {
    {"NoOptions", {}, false, false, 9,
     {{16, F}, {28, F}, {32, F}, {52, F}, {60, 9}, {72, T}, {76, F}, {84, F}, {88, F},
      {96, F}, {100, F}, {108, F}}},
    {"DirNamesKeepsFolders", {AddDirNames}, false, false, 9,
     {{16, F}, {28, F}, {32, F}, {52, F}, {60, 9}, {72, F}, {76, F}, {84, F}, {88, F},
      {96, F}, {100, F}, {108, F}}},
    {"EveryOption",
     {AddDirNames, AddRecurseDirs, AddMove, AddFreshen, AddUpdate, AddZipTime, AddForceDOS,
      AddHiddenFiles, AddEncrypt}, true, false, 6,
     {{16, F}, {28, T}, {32, T}, {52, T}, {60, 6}, {72, F}, {76, T}, {84, T}, {88, T},
      {96, T}, {100, F}, {108, T}}},
    {"FreshenAlone", {AddFreshen}, false, false, 9,
     {{16, F}, {28, F}, {32, F}, {52, F}, {60, 9}, {72, T}, {76, F}, {84, F}, {88, F},
      {96, F}, {100, T}, {108, F}}},
    {"UpdateAlone", {AddUpdate, AddRecurseDirs}, false, false, 0,
     {{16, F}, {28, F}, {32, F}, {52, F}, {60, 0}, {72, T}, {76, T}, {84, F}, {88, F},
      {96, T}, {100, F}, {108, F}}},
    {"TraceForcesVerbose", {AddEncrypt, AddZipTime}, false, true, 9,
     {{16, T}, {28, T}, {32, F}, {52, T}, {60, 9}, {72, T}, {76, F}, {84, F}, {88, F},
      {96, F}, {100, F}, {108, T}}},
    {"VerboseWithoutTrace", {AddHiddenFiles, AddForceDOS, AddMove}, true, false, 1,
     {{16, F}, {28, F}, {32, T}, {52, T}, {60, 1}, {72, T}, {76, F}, {84, T}, {88, T},
      {96, F}, {100, F}, {108, F}}},
    {"LevelHandedOverUnchecked", {}, false, false, -7,
     {{16, F}, {28, F}, {32, F}, {52, F}, {60, -7}, {72, T}, {76, F}, {84, F}, {88, F},
      {96, F}, {100, F}, {108, F}}},
};
// clang-format on

void PrintTo(const AddCase& c, std::ostream* os) {
    *os << c.name;
}

class AddRecordTest : public RecordTest, public ::testing::WithParamInterface<AddCase> {};

TEST_P(AddRecordTest, EveryFieldFollowsTheProperties) {
    const AddCase& c = GetParam();
    zip.AddOptions = c.options;
    zip.Verbose = c.verbose;
    zip.Trace = c.trace;
    zip.AddCompLevel = c.level;
    AddOneSpec();
    EXPECT_EQ(zipProbe.Log().recordSize, 16520);
    // Adding: AddMode 80 true, DeleteEntries 92 false.
    ExpectRecord(zipProbe, 128, Join(Join(ZipCommon(1), c.fields), {{80, T}, {92, F}}));
    EXPECT_EQ(zipProbe.At(132 + 4), 0) << "unused FileSpecs slots stay empty";
}

INSTANTIATE_TEST_SUITE_P(Options, AddRecordTest, ::testing::ValuesIn(kAddCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordTest, DeleteOverridesTheAddingFieldsAndKeepsTheRest) {
    zip.AddOptions = {AddDirNames, AddRecurseDirs, AddMove,        AddFreshen, AddUpdate,
                      AddZipTime,  AddForceDOS,    AddHiddenFiles, AddEncrypt};
    zip.Verbose = true;
    zip.AddCompLevel = 4;
    zip.SetFSpecArgs({"one.txt", "dir/*.*"});
    zip.Delete();
    ASSERT_EQ(zipProbe.Calls(), 1);
    // clang-format off
    ExpectRecord(zipProbe, 128, Join(ZipCommon(2), {
         {16, F}, {28, F}, {32, T}, {52, T}, {60, 4}, {72, F}, {76, F}, {80, F}, {84, T},
         {88, F}, {92, T}, {96, F}, {100, F}, {108, T}}));
    // clang-format on

    // Without AddDirNames an add would junk folder names; a delete never does.
    zip.AddOptions = {};
    zip.Trace = true;
    zip.Verbose = false;
    zip.SetFSpecArgs({"one.txt"});
    zip.Delete();
    ASSERT_EQ(zipProbe.Calls(), 2);
    // clang-format off
    ExpectRecord(zipProbe, 128, Join(ZipCommon(1), {
         {16, T}, {28, F}, {32, F}, {52, T}, {60, 4}, {72, F}, {76, F}, {80, F}, {84, F},
         {88, F}, {92, T}, {96, F}, {100, F}, {108, F}}));
    // clang-format on
}

TEST_F(RecordTest, AesEncryptionAsksForAes256WhenAddingOnly) {
    zip.AddOptions = {AddEncrypt};
    zip.AesEncryption = true;
    AddOneSpec();
    EXPECT_EQ(zipProbe.At(24), keng::kEncryptAes256);
    EXPECT_EQ(zipProbe.At(28), T);
    zip.SetFSpecArgs({"one.txt"});
    zip.Delete();
    EXPECT_EQ(zipProbe.At(24), keng::kEncryptTraditional);
    zip.AesEncryption = false;
    zip.SetFSpecArgs({"C:\\data\\*.txt"});
    zip.Add();
    EXPECT_EQ(zipProbe.At(24), keng::kEncryptTraditional);
    EXPECT_EQ(zipProbe.At(28), T);
}

TEST_F(RecordTest, NothingSurvivesFromAnEarlierCall) {
    zip.AddOptions = {AddRecurseDirs, AddMove,        AddUpdate, AddZipTime,
                      AddForceDOS,    AddHiddenFiles, AddEncrypt};
    zip.Trace = true;
    zip.SetFSpecArgs({"a", "b", "c", "d"});
    zip.Add();
    ASSERT_EQ(zipProbe.Log().argc, 4);

    zip.AddOptions = {};
    zip.Trace = false;
    zip.SetFSpecArgs({"only"});
    zip.Add();
    ASSERT_EQ(zipProbe.Calls(), 2);
    // clang-format off
    ExpectRecord(zipProbe, 128, Join(ZipCommon(1), {
         {16, F}, {28, F}, {32, F}, {52, F}, {60, 9}, {72, T}, {76, F}, {80, T}, {84, F},
         {88, F}, {92, F}, {96, F}, {100, F}, {108, F}}));
    // clang-format on
    for (int slot = 1; slot < 4; ++slot)
        EXPECT_EQ(zipProbe.At(132 + 4 * slot), 0) << "slot " << slot;
}

TEST_F(RecordTest, ZipTextsArriveInBuffersOfTheEngineSizes) {
    zip.Password = "open sesame";
    zip.SetFSpecArgs({"C:\\data\\report.doc", "*.txt", "sub\\dir\\x?.bin"});
    zip.Add();
    const probe::Log& log = zipProbe.Log();
    EXPECT_STREQ(log.archiveName, archive.c_str());
    EXPECT_EQ(log.archiveNameBlock, 256u);
    EXPECT_STREQ(log.password, "open sesame");
    EXPECT_EQ(log.passwordBlock, 81u);
    ASSERT_EQ(log.argc, 3);
    EXPECT_STREQ(log.specs[0], "C:\\data\\report.doc");
    EXPECT_STREQ(log.specs[1], "*.txt");
    EXPECT_STREQ(log.specs[2], "sub\\dir\\x?.bin");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(log.specBlocks[i], 256u) << i;
    // The pointers are distinct buffers, in FileSpecs order.
    EXPECT_NE(zipProbe.At(132), zipProbe.At(136));
    EXPECT_NE(zipProbe.At(136), zipProbe.At(140));
    EXPECT_EQ(zipProbe.At(144), 0);
    // After the call the record no longer points at the freed buffers.
    EXPECT_EQ(zip.ZipParams.ArchiveName, nullptr);
    EXPECT_EQ(zip.ZipParams.PasswordText, nullptr);
    EXPECT_EQ(zip.ZipParams.FileSpecs[0], nullptr);
}

TEST_F(RecordTest, EmptyPasswordIsAnEmptyBufferNotANullPointer) {
    zip.SetFSpecArgs({"x"});
    zip.Add();
    EXPECT_NE(zipProbe.At(20), 0);
    EXPECT_STREQ(zipProbe.Log().password, "");
    EXPECT_EQ(zipProbe.Log().passwordBlock, 81u);
}

TEST_F(RecordTest, LongestValuesThatFitArriveWhole) {
    std::string password(80, 'p');
    std::string longSpec = "C:\\" + std::string(252, 's');
    ASSERT_EQ(longSpec.size(), 255u);
    std::vector<std::string> specs;
    for (int i = 0; i < 4096; ++i)
        specs.push_back(std::string("f").append(std::to_string(i)));
    specs.push_back(longSpec);
    zip.Password = password;
    zip.SetFSpecArgs(specs);
    zip.Add();
    ASSERT_EQ(zipProbe.Calls(), 1);
    const probe::Log& log = zipProbe.Log();
    EXPECT_EQ(log.argc, 4097);
    EXPECT_EQ(std::string(log.password), password);
    EXPECT_STREQ(log.specs[0], "f0");
    EXPECT_STREQ(log.specs[4095], "f4095");
    EXPECT_EQ(std::string(log.specs[4096], strnlen(log.specs[4096], 256)), longSpec);
    EXPECT_TRUE(dialogs.shown.empty());
}

struct ExtractCase {
    const char* name;
    ExtrOpts options;
    bool verbose;
    bool trace;
    // TraceEnabled 16, Test 28, VerboseEnabled 44, Update 48, Freshen 52, DirNames 56,
    // OverWrite 60
    FieldTable fields;
};

// clang-format off
const ExtractCase kExtractCases[] = {
    {"NoOptions", {}, false, false,
     {{16, F}, {28, F}, {44, F}, {48, F}, {52, F}, {56, F}, {60, F}}},
    {"MainWindowChoice", {ExtrDirNames, ExtrOverWrite}, false, false,
     {{16, F}, {28, F}, {44, F}, {48, F}, {52, F}, {56, T}, {60, T}}},
    {"FreshenAndUpdateOnlyUpdates", {ExtrFreshen, ExtrUpdate}, true, false,
     {{16, F}, {28, F}, {44, T}, {48, T}, {52, F}, {56, F}, {60, F}}},
    {"FreshenAlone", {ExtrFreshen, ExtrTest}, false, false,
     {{16, F}, {28, T}, {44, F}, {48, F}, {52, T}, {56, F}, {60, F}}},
    {"TraceForcesVerbose", {ExtrTest, ExtrDirNames}, false, true,
     {{16, T}, {28, T}, {44, T}, {48, F}, {52, F}, {56, T}, {60, F}}},
};
// clang-format on

void PrintTo(const ExtractCase& c, std::ostream* os) {
    *os << c.name;
}

class ExtractRecordTest : public RecordTest, public ::testing::WithParamInterface<ExtractCase> {};

TEST_P(ExtractRecordTest, EveryFieldFollowsTheProperties) {
    const ExtractCase& c = GetParam();
    zip.ExtrOptions = c.options;
    zip.Verbose = c.verbose;
    zip.Trace = c.trace;
    zip.SetFSpecArgs({"one.txt", "dir/*.*"});
    zip.Extract();
    ASSERT_EQ(unzProbe.Calls(), 1);
    EXPECT_EQ(unzProbe.Log().recordSize, 16464);
    ExpectRecord(unzProbe, 72, Join(UnzCommon(2), c.fields));
    EXPECT_EQ(unzProbe.At(76 + 8), 0) << "unused FileSpecs slots stay empty";
}

INSTANTIATE_TEST_SUITE_P(Options, ExtractRecordTest, ::testing::ValuesIn(kExtractCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordTest, ExtractTextsAndAnEmptyFileListArePassedOn) {
    zip.Password = "pw";
    zip.Extract(); // no names: the engine takes that as everything
    ASSERT_EQ(unzProbe.Calls(), 1);
    const probe::Log& log = unzProbe.Log();
    EXPECT_EQ(log.argc, 0);
    EXPECT_EQ(unzProbe.At(76), 0);
    EXPECT_STREQ(log.archiveName, archive.c_str());
    EXPECT_EQ(log.archiveNameBlock, 256u);
    EXPECT_STREQ(log.password, "pw");
    EXPECT_EQ(log.passwordBlock, 81u);

    zip.SetFSpecArgs({"*.*"});
    zip.Extract();
    EXPECT_EQ(unzProbe.Log().argc, 1);
    EXPECT_STREQ(unzProbe.Log().specs[0], "*.*");
    EXPECT_EQ(unzProbe.Log().specBlocks[0], 256u);
    EXPECT_EQ(zip.UnzParams.FileSpecs[0], nullptr);
}

} // namespace
