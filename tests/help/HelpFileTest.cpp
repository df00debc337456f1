// The help file beside the program, as Windows help shows it: Wine's help viewer opens it,
// shows the contents page for the program's request, and finds each topic by its name.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string ProgramDir() {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    return std::string(exe, std::strrchr(exe, '\\') + 1);
}

std::string HelpFile() {
    return ProgramDir() + "Kelvora98.hlp";
}

struct Search {
    DWORD process;
    HWND found;
    std::string text;
};

BOOL CALLBACK FindText(HWND child, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    char cls[64] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (!strstr(CharUpperA(cls), "RICHEDIT")) return TRUE;
    LRESULT n = SendMessageA(child, WM_GETTEXTLENGTH, 0, 0);
    if (n <= 0) return TRUE;
    std::string text(static_cast<size_t>(n) + 1, '\0');
    SendMessageA(child, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(strlen(text.c_str()));
    s->text += text;
    return TRUE;
}

BOOL CALLBACK FindHelpWindow(HWND top, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(top, &pid);
    if (!IsWindowVisible(top)) return TRUE;
    char cls[64] = {};
    GetClassNameA(top, cls, sizeof cls);
    // By process when it is known, else by the help viewer's window class (its caption is
    // the viewer's own until a page names it).
    if (s->process ? pid != s->process : strcmp(cls, "MS_WINHELP") != 0) return TRUE;
    s->text.clear();
    EnumChildWindows(top, FindText, lp);
    if (s->text.empty()) return TRUE;
    s->found = top;
    s->process = pid;
    return FALSE;
}

// The text the help viewer shows, once it shows any (up to 20 seconds).
Search WaitForHelpText(DWORD process) {
    Search s{process, nullptr, {}};
    for (int i = 0; i < 200 && !s.found; ++i) {
        Sleep(100);
        s.process = process;
        EnumWindows(FindHelpWindow, reinterpret_cast<LPARAM>(&s));
    }
    return s;
}

void EndProcess(DWORD pid) {
    if (HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
        TerminateProcess(h, 0);
        WaitForSingleObject(h, 5000);
        CloseHandle(h);
    }
}

TEST(HelpFileTest, TheProgramsContentsRequestShowsTheContentsPage) {
    ASSERT_NE(GetFileAttributesA(HelpFile().c_str()), INVALID_FILE_ATTRIBUTES);
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(WinHelpA(owner, HelpFile().c_str(), HELP_CONTENTS, 0));
    Search s = WaitForHelpText(0);
    ASSERT_TRUE(s.found) << "no help window with text";
    EXPECT_NE(s.text.find("Kelvora 98 Help"), std::string::npos) << s.text;
    for (const char* entry :
         {"Opening an archive", "Extracting files", "Adding files", "Deleting files",
          "Self-extracting archives", "Options and browser integration", "The wizard"})
        EXPECT_NE(s.text.find(entry), std::string::npos) << entry;
    WinHelpA(owner, HelpFile().c_str(), HELP_QUIT, 0);
    EndProcess(s.process);
    DestroyWindow(owner);
}

struct TopicCase {
    const char* name;
    const char* heading;
    const char* phrase;
};

class HelpTopicTest : public ::testing::TestWithParam<TopicCase> {};

TEST_P(HelpTopicTest, OpensByItsName) {
    const TopicCase& c = GetParam();
    std::string cmd = std::string("winhlp32.exe -i ") + c.name + " \"" + HelpFile() + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi));
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    Search s = WaitForHelpText(pi.dwProcessId);
    EndProcess(pi.dwProcessId);
    ASSERT_TRUE(s.found) << c.name;
    EXPECT_EQ(s.text.rfind(c.heading, 0), 0u) << s.text.substr(0, 80);
    EXPECT_NE(s.text.find(c.phrase), std::string::npos) << s.text;
}

INSTANTIATE_TEST_SUITE_P(
    Topics, HelpTopicTest,
    ::testing::Values(TopicCase{"extracting", "Extracting files",
                                "never writes outside the chosen folder"},
                      TopicCase{"selfextracting", "Self-extracting archives", "Convert ZIP to EXE"},
                      TopicCase{"wizard", "The wizard: your first archive", "four steps"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
