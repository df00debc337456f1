#include "dlls/sfx/SfxExtract.h"

#include "dlls/common/FileTimes.h"
#include "dlls/sfx/SfxNames.h"
#include "dlls/zipcore/ZipFormat.h"

#include <zlib.h>

namespace sfx {

namespace {

constexpr std::uint32_t kChunk = 1 << 16;
constexpr int kPathCapacity = 2048;

// Traditional PKWARE decryption (APPNOTE 6.1): three keys fed with the plain bytes.
class Keys {
public:
    explicit Keys(const char* password) {
        for (; *password; ++password)
            Update(static_cast<std::uint8_t>(*password));
    }
    std::uint8_t Decrypt(std::uint8_t c) {
        const std::uint32_t t = (k2_ | 2) & 0xFFFF;
        const std::uint8_t p = static_cast<std::uint8_t>(c ^ ((t * (t ^ 1)) >> 8));
        Update(p);
        return p;
    }

private:
    void Update(std::uint8_t p) {
        const z_crc_t* table = get_crc_table();
        k0_ = table[(k0_ ^ p) & 0xFF] ^ (k0_ >> 8);
        k1_ = (k1_ + (k0_ & 0xFF)) * 134775813u + 1;
        k2_ = table[(k2_ ^ (k1_ >> 24)) & 0xFF] ^ (k2_ >> 8);
    }
    std::uint32_t k0_ = 0x12345678, k1_ = 0x23456789, k2_ = 0x34567890;
};

int Length(const wchar_t* s) {
    int n = 0;
    while (s[n])
        ++n;
    return n;
}

bool Append(wchar_t* dest, int& at, const wchar_t* text) {
    const int n = Length(text);
    if (at + n >= kPathCapacity) return false;
    for (int i = 0; i <= n; ++i)
        dest[at + i] = text[i];
    at += n;
    return true;
}

bool Exists(const wchar_t* path) {
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

void TextLog::Line(std::initializer_list<const wchar_t*> parts) {
    int need = length_ + 3;
    for (const wchar_t* part : parts)
        need += Length(part);
    if (need > capacity_) {
        const int grown = need * 2;
        wchar_t* bigger = static_cast<wchar_t*>(Allocate(sizeof(wchar_t) * grown));
        if (!bigger) return;
        for (int i = 0; i < length_; ++i)
            bigger[i] = text_[i];
        Release(text_);
        text_ = bigger;
        capacity_ = grown;
    }
    for (const wchar_t* part : parts)
        for (; *part; ++part)
            text_[length_++] = *part;
    text_[length_++] = L'\r';
    text_[length_++] = L'\n';
    text_[length_] = 0;
    ++lines_;
}

Unpacker::~Unpacker() {
    Release(in_);
    Release(out_);
    SecureZeroMemory(password_, sizeof password_);
}

Outcome Unpacker::Refuse(Outcome o, const wchar_t* why, const wchar_t* verb) {
    if (!*verb) verb = o == Outcome::Skipped ? L"Skipped" : L"Failed";
    log_.Line({verb, L" \"", name_, L"\": ", why});
    return o;
}

bool MakeFolders(wchar_t* path, int from) {
    // A part that cannot be created (a server or share name) is passed over: only the whole
    // path must end up a folder.
    for (int i = from; path[i]; ++i) {
        if (path[i] != L'\\') continue;
        path[i] = 0;
        CreateDirectoryW(path, nullptr);
        path[i] = L'\\';
    }
    if (CreateDirectoryW(path, nullptr)) return true;
    const DWORD a = GetFileAttributesW(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

Outcome Unpacker::Unpack(const Entry& e) {
    const int n = DecodeName(e, name_, 1023);
    name_[n > 0 ? n : 0] = 0;

    wchar_t rel[kPathCapacity];
    bool folder = false;
    if (const wchar_t* why = SafeRelativePath(name_, n, rel, kPathCapacity, &folder))
        return Refuse(Outcome::Failed, why, L"Refused");
    folder = folder || e.IsDirectory();

    wchar_t path[kPathCapacity];
    int at = 0;
    if (!Append(path, at, root_) || !Append(path, at, L"\\") || !Append(path, at, rel))
        return Refuse(Outcome::Failed, L"the path is too long");
    const int below = Length(root_) + 1;
    if (folder)
        return MakeFolders(path, below) ? Outcome::Folder
                                        : Refuse(Outcome::Failed, L"the folder cannot be created");

    if (e.IsSymlink()) return Refuse(Outcome::Failed, L"it is a symbolic link", L"Refused");
    if ((e.flags & zipcore::kFlagStrongEncryption) || !zipcore::IsMethodSupported(e.method))
        return Refuse(Outcome::Failed, L"it is stored with a method this program cannot unpack");
    if (Exists(path) && !questions_.Overwrite(path))
        return Refuse(Outcome::Skipped, L"a file of that name exists");
    const std::uint64_t start = archive_.DataStart(e);
    if (start == 0) return Refuse(Outcome::Failed, L"its data is damaged");

    wchar_t temp[kPathCapacity + 8];
    for (int i = 0; i < at; ++i)
        temp[i] = path[i];
    const int slash = [&] {
        int s = at;
        while (path[s] != L'\\')
            --s;
        return s;
    }();
    if (slash >= below) {
        path[slash] = 0;
        const bool made = MakeFolders(path, below);
        path[slash] = L'\\';
        if (!made) return Refuse(Outcome::Failed, L"its folder cannot be created");
    }

    HANDLE out = INVALID_HANDLE_VALUE;
    for (int i = 0; i < 100 && out == INVALID_HANDLE_VALUE; ++i) {
        wsprintfW(temp + at, i ? L".~kz%d" : L".~kz", i + 1);
        out = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
        if (out == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (out == INVALID_HANDLE_VALUE) return Refuse(Outcome::Failed, L"it cannot be written");

    Data result = Data::WrongPassword;
    for (bool retry = false; result == Data::WrongPassword; retry = true) {
        if (e.IsEncrypted() && (!havePassword_ || retry)) {
            havePassword_ = !noPassword_ && questions_.Password(password_, sizeof password_, retry);
            noPassword_ = !havePassword_;
            if (!havePassword_) break;
        }
        result = Copy(e, start, out);
        if (result == Data::WrongPassword) {
            SetFilePointer(out, 0, nullptr, FILE_BEGIN);
            SetEndOfFile(out);
        }
    }
    FILETIME time;
    if (result == Data::Ok && kfiletime::FileTimeFromDosTime(e.dosTime, &time))
        SetFileTime(out, nullptr, nullptr, &time);
    CloseHandle(out);
    if (result == Data::Ok) {
        SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
        if (MoveFileExW(temp, path, MOVEFILE_REPLACE_EXISTING)) {
            if (e.IsReadOnly()) SetFileAttributesW(path, FILE_ATTRIBUTE_READONLY);
            return Outcome::Extracted;
        }
    }
    DeleteFileW(temp);
    switch (result) {
    case Data::Ok:
        return Refuse(Outcome::Failed, L"it cannot take its name");
    case Data::WrongPassword:
        return Refuse(Outcome::Failed, L"it is encrypted and the password is missing or wrong");
    case Data::Damaged:
        return Refuse(Outcome::Failed, L"its data is damaged");
    case Data::CrcError:
        return Refuse(Outcome::Failed, L"its CRC does not match: the data is damaged");
    case Data::WriteError:
        return Refuse(Outcome::Failed, L"it cannot be written (is the disk full?)");
    case Data::Cancelled:
        break;
    }
    return Outcome::Cancelled;
}

// Decrypts, inflates and writes the member's data, checking its size and CRC.
Unpacker::Data Unpacker::Copy(const Entry& e, std::uint64_t start, HANDLE out) {
    if (!in_) in_ = static_cast<unsigned char*>(Allocate(kChunk));
    if (!out_) out_ = static_cast<unsigned char*>(Allocate(kChunk));
    if (!in_ || !out_) return Data::WriteError;

    std::uint64_t pos = start, left = e.compressedSize;
    Keys keys(e.IsEncrypted() ? password_ : "");
    if (e.IsEncrypted()) {
        std::uint8_t header[12];
        if (left < sizeof header || !archive_.ReadAt(pos, header, sizeof header))
            return Data::Damaged;
        for (std::uint8_t& b : header)
            b = keys.Decrypt(b);
        const std::uint8_t check = (e.flags & zipcore::kFlagDataDescriptor)
                                       ? static_cast<std::uint8_t>(e.dosTime >> 8)
                                       : static_cast<std::uint8_t>(e.crc >> 24);
        if (header[11] != check) return Data::WrongPassword;
        pos += sizeof header;
        left -= sizeof header;
    }

    z_stream z{};
    const bool deflated = e.method == zipcore::kMethodDeflated;
    if (deflated && inflateInit2(&z, -MAX_WBITS) != Z_OK) return Data::Damaged;
    std::uint64_t produced = 0;
    uLong crc = crc32(0, nullptr, 0);
    Data result = Data::Ok;
    while (result == Data::Ok) {
        if (z.avail_in == 0 && left > 0) {
            const std::uint32_t n = static_cast<std::uint32_t>(left < kChunk ? left : kChunk);
            if (!archive_.ReadAt(pos, in_, n)) {
                result = Data::Damaged;
                break;
            }
            pos += n;
            left -= n;
            if (e.IsEncrypted())
                for (std::uint32_t i = 0; i < n; ++i)
                    in_[i] = keys.Decrypt(in_[i]);
            z.next_in = in_;
            z.avail_in = n;
        }
        const unsigned char* data = in_;
        std::uint32_t got = z.avail_in;
        bool done = left == 0;
        if (deflated) {
            z.next_out = out_;
            z.avail_out = kChunk;
            const int rc = inflate(&z, Z_NO_FLUSH);
            data = out_;
            got = kChunk - z.avail_out;
            done = rc == Z_STREAM_END;
            // Input used up with the stream unfinished: the data is cut short.
            if (rc == Z_BUF_ERROR ? (left == 0 && z.avail_in == 0) : (rc != Z_OK && !done))
                result = Data::Damaged;
        } else {
            z.avail_in = 0;
        }
        produced += got;
        if (produced > e.uncompressedSize) result = Data::Damaged;
        if (result != Data::Ok) break;
        crc = crc32(crc, data, got);
        DWORD wrote = 0;
        if (got && (!WriteFile(out, data, got, &wrote, nullptr) || wrote != got))
            result = Data::WriteError;
        else if (!questions_.Progress(produced))
            result = Data::Cancelled;
        if (done) break;
    }
    if (deflated) inflateEnd(&z);
    if (result != Data::Ok) return result;
    if (produced != e.uncompressedSize) return Data::Damaged;
    return crc == e.crc ? Data::Ok : Data::CrcError;
}

} // namespace sfx
