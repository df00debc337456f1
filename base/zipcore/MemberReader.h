// Decoding a member's data: stored, deflated or Deflate64 (both by our Inflater),
// optionally behind traditional PKWARE or WinZip AES encryption. Pull-style decoding
// (MemberDecoder) for pipelines, and a push-style helper (ExtractMember) that also checks size and
// CRC.
#pragma once

#include "base/zipcore/AesFormat.h"
#include "base/zipcore/CentralDirectory.h"
#include "base/zipcore/PkCrypt.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zipcore {

// Why a member cannot be decoded.
class MemberError : public FormatError {
public:
    enum class Kind {
        Unsupported,   // method or encryption this library does not decode
        NeedPassword,  // encrypted and no password given
        WrongPassword, // the encryption header does not fit the password
        Corrupt,       // the data is damaged, truncated or longer than stated
    };
    MemberError(Kind kind, const std::string& text) : FormatError(text), kind_(kind) {}
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// Why a member cannot be decoded before reading its data: an unsupported method (also under
// AES encryption), strong encryption, an AES field we do not know. Empty when it can be
// decoded. Names the method and its number.
std::string UnsupportedReason(const Member& member);

// The method of the member's data: for AES members the one in their AES field.
std::uint16_t DataMethod(const Member& member);
// Whether the member's CRC is to be checked: AE-2 members store none.
bool HasCrc(const Member& member);

// WinZip AES for one member at a time, done by the platform's cryptography: Begin derives
// the keys from the password and salt and gives the password verification value; Decrypt
// authenticates and decrypts the data in order; AuthCode ends the member. False: the
// platform failed.
class AesCipher {
public:
    virtual ~AesCipher() = default;
    virtual bool Begin(const char* password, std::size_t passwordLength, int strength,
                       const std::uint8_t* salt, std::uint8_t verifier[kAesVerifierSize]) = 0;
    virtual bool Decrypt(std::uint8_t* data, std::size_t n) = 0;
    virtual bool AuthCode(std::uint8_t out[kAesAuthCodeSize]) = 0;
};

// The inflate state and input buffer a decoder works with. A thread that decodes many members
// keeps one and lends it to each decoder in turn, so small members cost no allocations.
class DecoderScratch {
public:
    // Without a cipher, AES members are reported as undecodable.
    explicit DecoderScratch(std::unique_ptr<AesCipher> aes = nullptr);
    ~DecoderScratch();
    DecoderScratch(const DecoderScratch&) = delete;
    DecoderScratch& operator=(const DecoderScratch&) = delete;

private:
    friend class MemberDecoder;
    struct State;
    std::unique_ptr<State> state_;
};

// The byte forms of one password, tried in turn against an encrypted member's check (the
// encryption header's last byte, the AES password verification value): the first that fits
// decrypts the data, unless several fit, when the one whose data checks out is taken. Empty: no
// password was given.
using Passwords = std::span<const std::string>;

// A password given as one form, or none (null).
inline Passwords OneForm(const std::string* password) {
    return password ? Passwords(password, 1) : Passwords();
}

class MemberDecoder {
public:
    // Throws MemberError (Unsupported, NeedPassword, WrongPassword, Corrupt). The passwords
    // are used only when the member is encrypted. A scratch, if given, must outlive the
    // decoder and serve one decoder at a time.
    MemberDecoder(ByteSource& src, const Member& member, const MemberDataSpan& span,
                  Passwords passwords, DecoderScratch* scratch = nullptr);
    ~MemberDecoder();
    MemberDecoder(const MemberDecoder&) = delete;
    MemberDecoder& operator=(const MemberDecoder&) = delete;

    // Fills up to `capacity` bytes of uncompressed data; returns 0 only at the end, after the
    // size was checked against the stated one. Throws MemberError(Corrupt). Never produces
    // more than the stated uncompressed size.
    std::size_t Read(std::uint8_t* out, std::size_t capacity);
    std::uint64_t Produced() const { return produced_; }

private:
    std::size_t Fill(); // more raw (decrypted) input; returns the bytes available
    std::size_t ReadStored(std::uint8_t* out, std::size_t capacity);
    std::size_t ReadDeflated(std::uint8_t* out, std::size_t capacity);
    void StartAes(Passwords passwords, const AesField& field);
    bool AuthenticatesWith(AesCipher& aes); // with the form it has begun
    bool AuthCodeMatches(AesCipher& aes, std::uint64_t at);
    [[noreturn]] void AesFailed() const;
    void Authenticate();
    void CheckEnd();
    [[noreturn]] void Corrupt(const std::string& what) const;
    std::size_t Allowed(std::size_t capacity) const; // capacity up to one byte past the size

    ByteSource& src_;
    const Member& member_;
    std::optional<PkKeys> keys_;
    AesCipher* aes_ = nullptr;             // the scratch's, while this member uses it
    const std::string* aesForm_ = nullptr; // the password form its keys come from
    std::uint16_t method_;
    std::uint64_t inputOffset_;    // next raw byte to read
    std::uint64_t inputRemaining_; // raw bytes not yet read
    std::uint64_t produced_ = 0;
    std::unique_ptr<DecoderScratch> ownScratch_; // when none was lent
    DecoderScratch::State* scratch_;
    std::size_t inputPos_ = 0, inputLen_ = 0;
    bool inflating_ = false;
    bool finished_ = false;
    bool checked_ = false;
};

// The CRC-32 of the data, continued from `crc` (0 to start).
std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t n);

struct ExtractResult {
    enum class Status { Ok, CrcMismatch, Cancelled, Failed };
    Status status = Status::Failed;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::optional<MemberError::Kind> error; // with Failed
    std::string message;                    // with CrcMismatch and Failed
};

// Receives the member's uncompressed data in order; returns false to stop (cancel).
using DataSink = std::function<bool(const std::uint8_t* data, std::size_t n)>;

// Decodes the member into the sink in pieces of at most `chunk` bytes and checks its CRC.
ExtractResult ExtractMember(ByteSource& src, const Member& member, Passwords passwords,
                            const DataSink& sink, std::size_t chunk = 1 << 16,
                            DecoderScratch* scratch = nullptr);
inline ExtractResult ExtractMember(ByteSource& src, const Member& member,
                                   const std::string* password, const DataSink& sink,
                                   std::size_t chunk = 1 << 16, DecoderScratch* scratch = nullptr) {
    return ExtractMember(src, member, OneForm(password), sink, chunk, scratch);
}

} // namespace zipcore
