// Sources that must not be read as they are: files named like devices (opening one reads the
// device, and can wait forever), and files that change size while they are read.
#include "EngineFixture.h"

#include "base/zipcore/MemberReader.h"
#include "dlls/zipeng/MemberPieces.h"

#include <thread>

namespace zipeng_test {
namespace {

using ::testing::ElementsAre;

class SourceSafetyTest : public EngineFixture {
protected:
    // Creates a file (or a folder) whose name Windows would take for a device: the \\?\ form
    // reaches the file system without that interpretation, as a Unix program would.
    void MakeRaw(const std::wstring& relative, bool folder = false) {
        const std::wstring path = L"\\\\?\\" + Wide(tmp_.Path()) + relative;
        if (folder) {
            ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << GetLastError();
            return;
        }
        ui::FileHandle f(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(f.Valid()) << GetLastError();
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(f.Get(), "hello", 5, &written, nullptr));
    }
    static std::wstring Wide(const std::string& ansi) {
        std::wstring w(ansi.size(), L'\0');
        w.resize(MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                     w.data(), static_cast<int>(w.size())));
        return w;
    }
    static std::string Ansi(const std::wstring& wide) {
        std::string a(wide.size() * 4, '\0');
        a.resize(WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                     a.data(), static_cast<int>(a.size()), nullptr, nullptr));
        return a;
    }
};

TEST_F(SourceSafetyTest, DeviceNamesAreRefusedOneMessageEachAndTheRestIsAdded) {
    Make("src\\ok.txt", "fine");
    Make("src\\sub\\auxiliary.txt", "not a device");
    MakeRaw(L"src\\Aux.d", true);
    MakeRaw(L"src\\Aux.d\\inside.txt");
    const std::vector<std::wstring> devices = {
        L"aux",    L"aux.txt", L"com1", L"nul",           L"NUL.txt",   L"con.txt",
        L"conin$", L"prn",     L"lpt1", L"sub\\COM9.log", L"com\u00B9", L"Aux.d"};
    for (const std::wstring& d : devices)
        if (d != L"Aux.d") MakeRaw(L"src\\" + d);

    Recorder r;
    AddOptions o;
    o.recurse = true;
    EXPECT_EQ(Engine::Get().Add(archive_, {"src"}, o, r), 4);
    EXPECT_THAT(ArchiveView(archive_).Names(),
                ElementsAre("src/", "src/ok.txt", "src/sub/", "src/sub/auxiliary.txt"));
    std::vector<std::string> expected, refused;
    for (const std::wstring& d : devices) {
        const std::string name = Ansi(d.substr(d.find_last_of(L'\\') + 1));
        expected.push_back(name + ": \"" + name +
                           "\" is the name of a device on Windows; not added");
    }
    for (const Event& e : r.Messages()) {
        EXPECT_EQ(e.code, keng::kErrReadFile) << e.text;
        refused.push_back(e.text.substr(e.text.find_last_of('\\') + 1));
    }
    EXPECT_THAT(refused, ::testing::UnorderedElementsAreArray(expected));
    EXPECT_TRUE(TempFiles().empty());

    // Named on its own, such a file gets the same single message.
    Recorder named;
    EXPECT_EQ(Engine::Get().Add(archive_, {"src\\nul"}, AddOptions{}, named), 0);
    ASSERT_EQ(named.Messages().size(), 1u);
    EXPECT_EQ(named.Messages()[0].code, keng::kErrReadFile);
}

// The piece reader takes exactly the size the scan found: more is reported as growth (and a
// growing log cannot make it read without end), less is an error.
TEST_F(SourceSafetyTest, PiecesReadNoMoreThanTheSizeFound) {
    const std::string data = TextData(3 * 1024 * 1024 + 100, 5);
    const std::string path = Make("log.txt", data);
    struct Case {
        std::uint64_t offset, length;
        bool first, last;
        bool ok, grew;
    };
    const Case cases[] = {
        {0, data.size(), true, true, true, false},         // unchanged
        {0, 100000, true, true, true, true},               // grew after the scan
        {1 << 20, 1 << 20, false, false, true, false},     // a middle piece
        {2 << 20, 1000, false, true, true, true},          // last of several, grew
        {2 << 20, data.size(), false, true, false, false}, // shrank
        {0, data.size() + 1, true, true, false, false},    // shrank by one byte
    };
    // Once as one call, once as the writer runs it: read on one thread, compressed on another,
    // with buffers from a pool that a larger piece used before.
    zipeng::InputPool inputs;
    zipeng::WorkerState state;
    for (const bool split : {false, true})
        for (const Case& c : cases) {
            zipeng::Piece piece;
            piece.path = path;
            piece.offset = c.offset;
            piece.length = c.length;
            piece.first = c.first;
            piece.last = c.last;
            piece.level = 0;
            if (split) {
                piece.inputs = &inputs;
                std::thread reader([&] { zipeng::ReadPiece(piece); });
                reader.join();
            }
            zipeng::CompressPiece(piece, state);
            const std::string what =
                std::to_string(c.offset) + "+" + std::to_string(c.length) + (split ? " split" : "");
            EXPECT_EQ(piece.ok, c.ok) << what << ": " << piece.errorText;
            if (!c.ok) {
                EXPECT_THAT(piece.errorText, ::testing::HasSubstr("became shorter")) << what;
                EXPECT_TRUE(piece.data.empty()) << what;
                continue;
            }
            EXPECT_EQ(piece.grew, c.grew) << what;
            EXPECT_EQ(piece.inputSize, c.length) << what;
            const std::string expected = data.substr(c.offset, c.length);
            EXPECT_EQ(piece.crc,
                      zipcore::Crc32(0, reinterpret_cast<const std::uint8_t*>(expected.data()),
                                     expected.size()))
                << what;
            EXPECT_TRUE(piece.data == expected) << what; // level 0 keeps the bytes
        }
}

// A piece whose file cannot be opened stays failed; compressing does not read it again.
TEST_F(SourceSafetyTest, AFailedReadIsThePiecesFailure) {
    zipeng::Piece piece;
    piece.path = tmp_.Path() + "\\missing.txt";
    piece.length = 10;
    zipeng::ReadPiece(piece);
    EXPECT_FALSE(piece.ok);
    EXPECT_EQ(piece.errorCode, keng::kErrReadFile);
    Make("missing.txt", "now it is there");
    zipeng::WorkerState state;
    zipeng::CompressPiece(piece, state);
    EXPECT_FALSE(piece.ok);
    EXPECT_TRUE(piece.data.empty());
}

} // namespace
} // namespace zipeng_test
