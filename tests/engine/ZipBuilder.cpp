#include "tests/engine/ZipBuilder.h"

#include "base/Handle.h"
#include "base/LongPaths.h"

#include <windows.h>

#include <stdexcept>

namespace testing_support {

ZipBuilder& ZipBuilder::Raw(const std::string& s) {
    bytes.insert(bytes.end(), s.begin(), s.end());
    return *this;
}
ZipBuilder& ZipBuilder::Zeros(size_t n) {
    bytes.insert(bytes.end(), n, 0);
    return *this;
}
ZipBuilder& ZipBuilder::U16(std::uint16_t v) {
    bytes.push_back(v & 0xFF);
    bytes.push_back(v >> 8);
    return *this;
}
ZipBuilder& ZipBuilder::U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes.push_back((v >> (8 * i)) & 0xFF);
    return *this;
}

static std::uint32_t Or(std::uint32_t v, size_t fallback) {
    return v == 0xFFFFFFFF ? static_cast<std::uint32_t>(fallback) : v;
}

// The ZIP64 block of a member of 4 GiB or more: its uncompressed size, then the data's size.
static std::string Zip64Block(const LocalMember& m) {
    std::string block("\x01\x00\x10\x00", 4);
    for (std::uint64_t v : {m.zip64Uncompressed, std::uint64_t{m.data.size()}})
        for (int i = 0; i < 8; ++i)
            block.push_back(static_cast<char>(v >> (8 * i)));
    return block;
}

size_t ZipBuilder::Local(const LocalMember& m) {
    size_t at = bytes.size();
    std::string extra = m.extra;
    if (m.zip64Uncompressed) extra = Zip64Block(m) + extra;
    U32(0x04034B50).U16(m.zip64Uncompressed ? 45 : 20).U16(m.flag | (m.streamed ? 8 : 0));
    U16(m.method).U32(m.dosTime).U32(m.streamed ? 0 : m.crc);
    if (m.streamed)
        U32(0).U32(0);
    else if (m.zip64Uncompressed)
        U32(0xFFFFFFFF).U32(0xFFFFFFFF);
    else
        U32(Or(m.compressedSize, m.data.size())).U32(Or(m.uncompressedSize, m.data.size()));
    U16(m.nameLengthOverride >= 0 ? m.nameLengthOverride : m.name.size());
    U16(extra.size());
    Raw(m.name).Raw(extra).Raw(m.data);
    if (m.streamed) {
        U32(0x08074B50).U32(m.crc);
        U32(Or(m.compressedSize, m.data.size())).U32(Or(m.uncompressedSize, m.data.size()));
    }
    return at;
}

ZipBuilder& ZipBuilder::Central(const LocalMember& m, std::uint32_t offset) {
    // A member of 4 GiB or more keeps its sizes in the central ZIP64 block too.
    std::string extra = m.centralExtra;
    if (m.zip64Uncompressed) extra = Zip64Block(m) + extra;
    U32(0x02014B50).U16(m.versionMadeBy).U16(20).U16(m.flag | (m.streamed ? 8 : 0));
    U16(m.method).U32(m.dosTime).U32(m.crc);
    if (m.zip64Uncompressed)
        U32(0xFFFFFFFF).U32(0xFFFFFFFF);
    else
        U32(Or(m.compressedSize, m.data.size())).U32(Or(m.uncompressedSize, m.data.size()));
    U16(m.name.size()).U16(extra.size()).U16(0).U16(0).U16(0).U32(0).U32(offset);
    return Raw(m.name).Raw(extra);
}

ZipBuilder& ZipBuilder::EndRecord(std::uint16_t entries, std::uint32_t cdSize,
                                  std::uint32_t cdOffset) {
    return U32(0x06054B50).U16(0).U16(0).U16(entries).U16(entries).U32(cdSize).U32(cdOffset).U16(0);
}

ZipBuilder& ZipBuilder::Archive(const std::vector<LocalMember>& members) {
    std::vector<size_t> offsets;
    for (auto& m : members)
        offsets.push_back(Local(m));
    size_t cd = bytes.size();
    for (size_t i = 0; i < members.size(); ++i)
        Central(members[i], offsets[i]);
    return EndRecord(members.size(), bytes.size() - cd, cd);
}

void ZipBuilder::WriteTo(const std::string& path) const {
    WriteFileBytes(path, std::string(bytes.begin(), bytes.end()));
}

TempFolder::TempFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static int counter = 0;
    for (;;) {
        path_ = std::string(base) + "kvt" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(++counter) + "\\";
        if (CreateDirectoryA(path_.c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("no temp folder");
    }
}

// Wide, so files named in any script go too.
static void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    ui::FindHandle h(FindFirstFileW((dir + L"*").c_str(), &fd));
    if (h) {
        do {
            std::wstring n = fd.cFileName;
            if (n == L"." || n == L"..") continue;
            std::wstring full = dir + n;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full + L"\\");
            } else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(h.Get(), &fd));
    }
    RemoveDirectoryW(dir.c_str());
}

// The \\?\ form also reaches files and folders named like devices (aux, nul.txt).
TempFolder::~TempFolder() {
    wchar_t wide[MAX_PATH * 2] = {};
    MultiByteToWideChar(CP_ACP, 0, path_.c_str(), -1, wide, MAX_PATH * 2);
    RemoveTree(L"\\\\?\\" + std::wstring(wide));
}

// Through the wide calls with the long form, so paths in any script and of any length go.
std::string ReadFileBytes(const std::string& path) {
    ui::FileHandle f(CreateFileW(kname::LongPath(path).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                 nullptr));
    std::string data;
    if (!f) return data;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(f.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        data.append(buffer, got);
    return data;
}

void WriteFileBytes(const std::string& path, const std::string& data) {
    ui::FileHandle f(CreateFileW(kname::LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD wrote = 0;
    if (!f || !WriteFile(f.Get(), data.data(), static_cast<DWORD>(data.size()), &wrote, nullptr) ||
        wrote != data.size())
        throw std::runtime_error("cannot write " + path);
}

} // namespace testing_support
