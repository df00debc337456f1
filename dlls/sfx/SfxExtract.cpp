#include "dlls/sfx/SfxExtract.h"

#include "base/FileTimes.h"
#include "base/PasswordForms.h"
#include "base/TempNames.h"
#include "dlls/common/WinZipAes.h"
#include "dlls/sfx/SfxNames.h"
#include "base/zipcore/Inflater.h"
#include "base/zipcore/ZipFormat.h"

namespace sfx {

namespace {

constexpr std::uint32_t kChunk = 1 << 16;
constexpr int kPathCapacity = 2048;

// The zip format's CRC-32, from a table made at first use (zlib's would cost its inflate too).
const std::uint32_t* CrcTable() {
    static std::uint32_t table[256];
    if (!table[1])
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
    return table;
}

std::uint32_t CrcStep(std::uint32_t crc, std::uint8_t b) {
    return CrcTable()[(crc ^ b) & 0xFF] ^ (crc >> 8);
}

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
        k0_ = CrcStep(k0_, p);
        k1_ = (k1_ + (k0_ & 0xFF)) * 134775813u + 1;
        k2_ = CrcStep(k2_, static_cast<std::uint8_t>(k1_ >> 24));
    }
    std::uint32_t k0_ = 0x12345678, k1_ = 0x23456789, k2_ = 0x34567890;
};

// The member's stored data in chunks, decrypted.
class Source final : public zipcore::InflateInput {
public:
    Source(Archive& archive, std::uint64_t position, std::uint64_t left, std::uint8_t* buffer)
        : archive_(archive), position_(position), left_(left), buffer_(buffer) {}
    std::size_t More(const std::uint8_t** data) override {
        if (left_ == 0 || failed) return 0;
        const std::uint32_t n = static_cast<std::uint32_t>(left_ < kChunk ? left_ : kChunk);
        if (!archive_.ReadAt(position_, buffer_, n) || (aes && !aes->Decrypt(buffer_, n))) {
            failed = true;
            return 0;
        }
        if (keys)
            for (std::uint32_t i = 0; i < n; ++i)
                buffer_[i] = keys->Decrypt(buffer_[i]);
        position_ += n;
        left_ -= n;
        *data = buffer_;
        return n;
    }
    std::uint64_t Position() const { return position_; }

    Keys* keys = nullptr;
    kaes::MemberCipher* aes = nullptr;
    bool failed = false;

private:
    Archive& archive_;
    std::uint64_t position_, left_;
    std::uint8_t* buffer_;
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

constexpr wchar_t kTempPrefix[] = L"~ku"; // as the extraction engine's

} // namespace

void Unpacker::SweepFolder(const wchar_t* folder) {
    if (lstrcmpiW(folder, swept_) == 0) return;
    int at = 0;
    swept_[0] = 0;
    if (!Append(swept_, at, folder)) return;
    wchar_t pattern[kPathCapacity], file[kPathCapacity];
    int n = 0;
    if (!Append(pattern, n, folder) || !Append(pattern, n, kTempPrefix) ||
        !Append(pattern, n, L"*.tmp"))
        return;
    WIN32_FIND_DATAW fd;
    const HANDLE find = FindFirstFileW(pattern, &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        int f = 0;
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            ktemp::IsTempName(fd.cFileName, kTempPrefix) && Append(file, f, folder) &&
            Append(file, f, fd.cFileName))
            DeleteFileW(file); // fails while another run is writing it
    } while (FindNextFileW(find, &fd));
    FindClose(find);
}

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
    Release(inflater_);
    SecureZeroMemory(password_, sizeof password_);
    SecureZeroMemory(&forms_, sizeof forms_);
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
    if ((e.flags & zipcore::kFlagStrongEncryption) ||
        (e.method == zipcore::kMethodAes && !e.aes.version) ||
        !zipcore::IsMethodSupported(e.DataMethod()))
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

    // The temporary file's name is short whatever the member's (base/TempNames.h); leftovers of
    // a killed run in this folder go first.
    temp[slash + 1] = 0;
    SweepFolder(temp);
    HANDLE out = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_FILE_EXISTS;
    for (int i = 0; i < 64 && out == INVALID_HANDLE_VALUE && error == ERROR_FILE_EXISTS; ++i) {
        seed_ = seed_ * 1664525u + 1013904223u;
        wsprintfW(temp + slash + 1, L"%s%08lx.tmp", kTempPrefix, static_cast<unsigned long>(seed_));
        out = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
        error = out == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    }
    if (out == INVALID_HANDLE_VALUE) {
        // The system's reason, which a long path must not crowd out.
        wchar_t why[400] = L"it cannot be written: ";
        const int n = Length(why);
        DWORD got = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, why + n, 400 - n, nullptr);
        while (got > 0 && (why[n + got - 1] == L'\r' || why[n + got - 1] == L'\n' ||
                           why[n + got - 1] == L'.' || why[n + got - 1] == L' '))
            why[n + --got] = 0;
        if (got == 0) why[n - 2] = 0;
        return Refuse(Outcome::Failed, why);
    }

    Data result = Data::WrongPassword;
    for (bool retry = false; result == Data::WrongPassword; retry = true) {
        if (e.NeedsPassword() && (!havePassword_ || retry)) {
            havePassword_ = !noPassword_ && questions_.Password(password_, sizeof password_, retry);
            noPassword_ = !havePassword_;
            if (!havePassword_) break;
            kpass::PasswordFormsOf(password_, lstrlenA(password_), forms_);
        }
        result = Copy(e, start, out, 0);
        // The check lets a wrong form of the password through now and then (one in 256, for
        // AES one in 65,536): when the data then fails, the later forms get their turn.
        while (
            e.NeedsPassword() && usedForm_ + 1 < forms_.count &&
            (result == Data::Damaged || result == Data::NotAuthentic || result == Data::CrcError)) {
            SetFilePointer(out, 0, nullptr, FILE_BEGIN);
            SetEndOfFile(out);
            const Data again = Copy(e, start, out, usedForm_ + 1);
            if (again == Data::WrongPassword) break; // no later form fits: the failure stands
            result = again;
        }
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
    case Data::NotAuthentic:
        return Refuse(Outcome::Failed,
                      L"its authentication code does not match: the data is damaged or altered");
    case Data::NoAes:
        return Refuse(Outcome::Failed, L"it is AES-encrypted, and this system offers no AES");
    case Data::CrcError:
        return Refuse(Outcome::Failed, L"its CRC does not match: the data is damaged");
    case Data::WriteError:
        return Refuse(Outcome::Failed, L"it cannot be written (is the disk full?)");
    case Data::Cancelled:
        break;
    }
    return Outcome::Cancelled;
}

// Decrypts, inflates and writes the member's data, checking its size and CRC (and for AES
// its authentication code).
Unpacker::Data Unpacker::Copy(const Entry& e, std::uint64_t start, HANDLE out, int firstForm) {
    usedForm_ = firstForm; // also when the data fails before any form is tried
    if (!in_) in_ = static_cast<unsigned char*>(Allocate(kChunk));
    if (!out_) out_ = static_cast<unsigned char*>(Allocate(kChunk));
    if (!inflater_)
        inflater_ = static_cast<zipcore::Inflater*>(Allocate(sizeof(zipcore::Inflater)));
    if (!in_ || !out_ || !inflater_) return Data::WriteError;

    std::uint64_t pos = start, left = e.compressedSize;
    // Each form of the password (kpass::PasswordForms) from firstForm on; the first the member's
    // check accepts decrypts it.
    Keys keys("");
    kaes::MemberCipher aes;
    bool fits = !e.NeedsPassword();
    if (e.aes.version) {
        const int strength = e.aes.strength;
        const std::size_t salt = zipcore::AesSaltSize(strength);
        std::uint8_t head[16 + zipcore::kAesVerifierSize], verifier[zipcore::kAesVerifierSize];
        if (left < zipcore::AesOverhead(strength) ||
            !archive_.ReadAt(pos, head, static_cast<std::uint32_t>(salt) + 2))
            return Data::Damaged;
        for (int i = firstForm; i < forms_.count && !fits; ++i) {
            if (!aes.Begin(forms_.text[i], forms_.length[i], strength, head, verifier))
                return Data::NoAes;
            fits = verifier[0] == head[salt] && verifier[1] == head[salt + 1];
            usedForm_ = i;
        }
        pos += salt + zipcore::kAesVerifierSize;
        left -= zipcore::AesOverhead(strength);
    } else if (e.IsEncrypted()) {
        std::uint8_t header[12];
        if (left < sizeof header || !archive_.ReadAt(pos, header, sizeof header))
            return Data::Damaged;
        const std::uint8_t check = (e.flags & zipcore::kFlagDataDescriptor)
                                       ? static_cast<std::uint8_t>(e.dosTime >> 8)
                                       : static_cast<std::uint8_t>(e.crc >> 24);
        for (int i = firstForm; i < forms_.count && !fits; ++i) {
            usedForm_ = i;
            keys = Keys(forms_.text[i]);
            std::uint8_t last = 0;
            for (const std::uint8_t b : header)
                last = keys.Decrypt(b);
            fits = last == check;
        }
        pos += sizeof header;
        left -= sizeof header;
    }
    if (!fits) return Data::WrongPassword;

    Source source(archive_, pos, left, in_);
    if (e.aes.version)
        source.aes = &aes;
    else if (e.IsEncrypted())
        source.keys = &keys;
    const bool stored = e.DataMethod() == zipcore::kMethodStored;
    inflater_->Reset(e.DataMethod() == zipcore::kMethodDeflate64);
    std::uint64_t produced = 0;
    std::uint32_t crc = 0xFFFFFFFFu;
    Data result = Data::Ok;
    for (bool done = false; !done && result == Data::Ok;) {
        const std::uint8_t* data = out_;
        std::size_t got = 0;
        if (stored) {
            got = source.More(&data);
            done = got == 0;
        } else {
            const auto status = inflater_->Read(source, out_, kChunk, &got);
            done = status == zipcore::Inflater::Status::End;
            if (status == zipcore::Inflater::Status::Error) result = Data::Damaged;
        }
        produced += got;
        if (source.failed || produced > e.uncompressedSize) result = Data::Damaged;
        if (result != Data::Ok) break;
        for (std::size_t i = 0; i < got; ++i)
            crc = CrcStep(crc, data[i]);
        DWORD wrote = 0;
        if (got &&
            (!WriteFile(out, data, static_cast<DWORD>(got), &wrote, nullptr) || wrote != got))
            result = Data::WriteError;
        else if (!questions_.Progress(produced))
            result = Data::Cancelled;
    }
    if (result != Data::Ok) return result;
    if (produced != e.uncompressedSize) return Data::Damaged;
    if (e.aes.version) {
        // What the decompressor left unread is authenticated too.
        const std::uint8_t* rest = nullptr;
        while (source.More(&rest) > 0) {
        }
        std::uint8_t stored[zipcore::kAesAuthCodeSize], computed[zipcore::kAesAuthCodeSize];
        if (source.failed || !archive_.ReadAt(source.Position(), stored, sizeof stored))
            return Data::Damaged;
        if (!aes.AuthCode(computed)) return Data::NoAes;
        for (std::size_t i = 0; i < sizeof stored; ++i)
            if (stored[i] != computed[i]) return Data::NotAuthentic;
        if (e.aes.version == 2) return Data::Ok; // AE-2 stores no CRC
    }
    return ~crc == e.crc ? Data::Ok : Data::CrcError;
}

} // namespace sfx
