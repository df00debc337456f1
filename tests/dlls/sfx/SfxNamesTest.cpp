// The stub checks member names with its own small code; it must refuse every name the
// engines refuse and place every other name where the engines would.
#include "dlls/sfx/SfxNames.h"
#include "base/zipcore/SafeName.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

struct Verdict {
    bool ok;
    std::string path;
};

Verdict Stub(const std::string& utf8) {
    wchar_t name[512], out[512];
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), name, 512);
    bool directory = false;
    if (sfx::SafeRelativePath(name, n, out, 512, &directory)) return {false, {}};
    char back[1024];
    const int m = WideCharToMultiByte(CP_UTF8, 0, out, -1, back, sizeof back, nullptr, nullptr);
    return {true, std::string(back, m > 0 ? m - 1 : 0)};
}

TEST(SfxNamesTest, RefusesWhatTheEnginesRefuseAndPlacesTheRestAlike) {
    const char* names[] = {
        "a.txt",
        "docs/a.txt",
        "docs\\deep\\b.txt",
        "./x/./y.txt",
        "x//y.txt",
        "folder/",
        "ünïcödé/名前.txt",
        "..",
        "../a",
        "a/../b",
        "a/..",
        "...",
        "/abs",
        "\\abs",
        "//server/share",
        "\\\\?\\C:\\x",
        "C:x",
        "c:/x",
        "con",
        "CON.txt",
        "Nul",
        "aux.tar.gz",
        "prn ",
        "com1",
        "LPT9.log",
        "conin$",
        "CONOUT$",
        "x/com1/y",
        "com10",
        "com\xC2\xB9",
        "LPT\xC2\xB2.txt",
        "com\xC2\xB4",
        "lpt",
        "console",
        "a<b",
        "a>b",
        "a:b",
        "a\"b",
        "a|b",
        "a?b",
        "a*b",
        "tab\there",
        "bell\x07",
        "dot.",
        "space ",
        "x/dot./y",
        "",
        "/",
        "./",
    };
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const zipcore::SafePath engine = zipcore::MakeSafePath(name, '\\', true);
        const Verdict stub = Stub(name);
        EXPECT_EQ(stub.ok, engine.ok);
        if (engine.ok) {
            EXPECT_EQ(stub.path, engine.path);
        }
    }
}

TEST(SfxNamesTest, ComAndLptWithSuperscriptDigitsAreDevicesToo) {
    for (const char* name : {"com\xC2\xB9", "LPT\xC2\xB2.txt", "x/Com\xC2\xB3.log"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(Stub(name).ok);
    }
    EXPECT_TRUE(Stub("com\xC2\xB4").ok); // no other superscript names a port
}

} // namespace
