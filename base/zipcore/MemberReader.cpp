#include "base/zipcore/MemberReader.h"

#include "base/zipcore/Inflater.h"
#include "base/zipcore/ZipFormat.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

namespace zipcore {

namespace {

constexpr std::size_t kInputBuffer = 1 << 18;

} // namespace

struct DecoderScratch::State {
    std::vector<std::uint8_t> input;
    std::unique_ptr<Inflater> inflater; // made at the first compressed member
    std::unique_ptr<AesCipher> aes;
    std::string aesForm; // the password form whose authentication code last matched
};

DecoderScratch::DecoderScratch(std::unique_ptr<AesCipher> aes) : state_(std::make_unique<State>()) {
    state_->aes = std::move(aes);
}
DecoderScratch::~DecoderScratch() = default;

namespace {

std::optional<AesField> AesFieldOf(const Member& member) {
    const std::string_view block = FindExtraField(member.extra, kAesExtraId);
    AesField field;
    if (!ParseAesField(reinterpret_cast<const unsigned char*>(block.data()), block.size(), &field))
        return std::nullopt;
    return field;
}

} // namespace

std::uint16_t DataMethod(const Member& member) {
    if (member.method != kMethodAes) return member.method;
    const auto field = AesFieldOf(member);
    return field ? field->method : member.method;
}

bool HasCrc(const Member& member) {
    if (member.method != kMethodAes) return true;
    const auto field = AesFieldOf(member);
    return !field || field->version != 2;
}

std::string UnsupportedReason(const Member& member) {
    if (member.flags & kFlagStrongEncryption)
        return "uses PKWARE strong encryption (method " + std::to_string(member.method) + ")";
    if (member.method == kMethodAes && !AesFieldOf(member))
        return "is AES-encrypted without a valid AES extra field (method 99)";
    const std::uint16_t method = DataMethod(member);
    if (!IsMethodSupported(method))
        return "is compressed with an unsupported method: " + std::string(MethodName(method)) +
               " (method " + std::to_string(method) + ")";
    return {};
}

MemberDecoder::MemberDecoder(ByteSource& src, const Member& member, const MemberDataSpan& span,
                             Passwords passwords, DecoderScratch* scratch)
    : src_(src), member_(member), method_(DataMethod(member)), inputOffset_(span.dataOffset),
      inputRemaining_(span.dataSize) {
    if (!scratch) {
        ownScratch_ = std::make_unique<DecoderScratch>();
        scratch = ownScratch_.get();
    }
    scratch_ = scratch->state_.get();
    if (std::string why = UnsupportedReason(member); !why.empty())
        throw MemberError(MemberError::Kind::Unsupported, QuoteName(member.name) + " " + why);

    if (member.NeedsPassword()) {
        if (passwords.empty())
            throw MemberError(MemberError::Kind::NeedPassword,
                              QuoteName(member.name) + " is encrypted and needs a password");
    }
    if (member.method == kMethodAes) {
        StartAes(passwords, *AesFieldOf(member));
    } else if (member.IsEncrypted()) {
        if (inputRemaining_ < kEncryptionHeaderSize) Corrupt("too short for its encryption header");
        std::uint8_t header[kEncryptionHeaderSize];
        ReadExact(src_, inputOffset_, header, sizeof header, "data of " + QuoteName(member.name));
        inputOffset_ += kEncryptionHeaderSize;
        inputRemaining_ -= kEncryptionHeaderSize;
        const std::uint8_t check = EncryptionCheckByte(member.flags, member.crc, member.dosTime);
        std::vector<std::size_t> fitting;
        for (std::size_t i = 0; i < passwords.size(); ++i) {
            PkKeys keys(passwords[i]);
            if (CheckEncryptionHeader(keys, header, check)) fitting.push_back(i);
        }
        if (fitting.empty())
            throw MemberError(MemberError::Kind::WrongPassword,
                              "wrong password for " + QuoteName(member.name));
        // The check byte lets one wrong password in 256 through. When several forms of the
        // password pass it, a wrong one may come before the right one: the form whose data
        // decodes to the stated size and CRC is the password. This costs a second decoding,
        // and only in that rare case.
        std::size_t chosen = fitting.front();
        if (fitting.size() > 1) {
            for (const std::size_t i : fitting) {
                const ExtractResult trial =
                    ExtractMember(src, member, OneForm(&passwords[i]),
                                  [](const std::uint8_t*, std::size_t) { return true; });
                if (trial.status == ExtractResult::Status::Ok) {
                    chosen = i;
                    break;
                }
            }
        }
        keys_.emplace(passwords[chosen]);
        CheckEncryptionHeader(*keys_, header, check);
    }

    if (method_ == kMethodStored) {
        if (inputRemaining_ != member.uncompressedSize)
            Corrupt("stored with a compressed size different from its size");
    } else {
        if (!scratch_->inflater) scratch_->inflater = std::make_unique<Inflater>();
        scratch_->inflater->Reset(method_ == kMethodDeflate64);
        inflating_ = true;
    }
    // The buffer only grows, so a scratch reaches its final size after a few members.
    const auto want =
        static_cast<std::size_t>(std::min<std::uint64_t>(inputRemaining_, kInputBuffer));
    if (scratch_->input.size() < want) scratch_->input.resize(want);
}

MemberDecoder::~MemberDecoder() = default;

// Salt and password verification value come first, the authentication code last; the data
// between is decrypted as it is read (Fill) and authenticated at the end (Authenticate).
void MemberDecoder::StartAes(Passwords passwords, const AesField& field) {
    const std::string name = QuoteName(member_.name);
    if (!scratch_->aes)
        throw MemberError(MemberError::Kind::Unsupported,
                          name + " is AES-encrypted, and this system offers no AES");
    if (inputRemaining_ < AesOverhead(field.strength)) Corrupt("too short for its AES encryption");
    std::uint8_t head[16 + kAesVerifierSize];
    const std::size_t salt = AesSaltSize(field.strength);
    ReadExact(src_, inputOffset_, head, salt + kAesVerifierSize, "data of " + name);
    AesCipher& aes = *scratch_->aes;
    std::size_t begun = passwords.size(); // the form the cipher holds keys for
    const auto begin = [&](std::size_t i) {
        std::uint8_t verifier[kAesVerifierSize];
        if (!aes.Begin(passwords[i].data(), passwords[i].size(), field.strength, head, verifier))
            AesFailed();
        begun = i;
        return verifier[0] == head[salt] && verifier[1] == head[salt + 1];
    };
    inputOffset_ += salt + kAesVerifierSize;
    inputRemaining_ -= AesOverhead(field.strength);
    const auto use = [&](std::size_t i) {
        if (begun != i) begin(i);
        aesForm_ = &passwords[i];
        aes_ = &aes;
    };
    // The form that authenticated the last member goes first and alone when it fits: the
    // members of an archive share one, and each other form costs a key derivation.
    for (std::size_t i = 0; i < passwords.size(); ++i)
        if (!scratch_->aesForm.empty() && passwords[i] == scratch_->aesForm && begin(i))
            return use(i);

    std::vector<std::size_t> fitting;
    for (std::size_t i = 0; i < passwords.size(); ++i)
        if (begin(i)) fitting.push_back(i);
    if (fitting.empty())
        throw MemberError(MemberError::Kind::WrongPassword, "wrong password for " + name);
    // The verification value lets one wrong password in 65,536 through. When several forms of
    // the password pass it, the form whose authentication code matches is the password; this
    // reads the data once more, only in that rare case. When none matches, the first is used
    // and the member fails at its end as damaged.
    if (fitting.size() > 1)
        for (const std::size_t i : fitting) {
            begin(i);
            const bool right = AuthenticatesWith(aes);
            begun = passwords.size(); // the trial used the keys up
            if (right) return use(i);
        }
    use(fitting.front());
}

// Runs the member's encrypted data through the cipher, leaving the decoder's position alone,
// and compares the authentication code.
bool MemberDecoder::AuthenticatesWith(AesCipher& aes) {
    std::vector<std::uint8_t> buffer(
        static_cast<std::size_t>(std::min<std::uint64_t>(inputRemaining_, kInputBuffer)));
    std::uint64_t at = inputOffset_, left = inputRemaining_;
    while (left > 0) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
        ReadExact(src_, at, buffer.data(), n, "data of " + QuoteName(member_.name));
        if (!aes.Decrypt(buffer.data(), n)) AesFailed();
        at += n;
        left -= n;
    }
    return AuthCodeMatches(aes, at);
}

// The code stored at `at` against the one the cipher computed over the data it was given.
bool MemberDecoder::AuthCodeMatches(AesCipher& aes, std::uint64_t at) {
    std::uint8_t stored[kAesAuthCodeSize], computed[kAesAuthCodeSize];
    ReadExact(src_, at, stored, sizeof stored, "data of " + QuoteName(member_.name));
    if (!aes.AuthCode(computed)) AesFailed();
    return std::memcmp(stored, computed, sizeof stored) == 0;
}

void MemberDecoder::AesFailed() const {
    throw MemberError(MemberError::Kind::Unsupported,
                      QuoteName(member_.name) + ": the system's AES cryptography failed");
}

// Every encrypted byte goes through the authentication, also any the decompressor left.
void MemberDecoder::Authenticate() {
    while (Fill() > 0)
        inputPos_ = inputLen_;
    if (!AuthCodeMatches(*aes_, inputOffset_))
        Corrupt("the authentication code does not match: the data was damaged or altered");
    scratch_->aesForm = *aesForm_;
}

void MemberDecoder::Corrupt(const std::string& what) const {
    throw MemberError(MemberError::Kind::Corrupt, QuoteName(member_.name) + ": " + what);
}

std::size_t MemberDecoder::Fill() {
    std::vector<std::uint8_t>& input = scratch_->input;
    if (inputPos_ < inputLen_) return inputLen_ - inputPos_;
    if (inputRemaining_ == 0) return 0;
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(inputRemaining_, input.size()));
    const std::size_t got = src_.ReadAt(inputOffset_, input.data(), want);
    if (got != want) Corrupt("the archive ends inside its data");
    if (keys_) keys_->Decrypt(input.data(), got);
    if (aes_ && !aes_->Decrypt(input.data(), got)) AesFailed();
    inputOffset_ += got;
    inputRemaining_ -= got;
    inputPos_ = 0;
    inputLen_ = got;
    return got;
}

std::size_t MemberDecoder::ReadStored(std::uint8_t* out, std::size_t capacity) {
    std::size_t done = 0;
    while (done < capacity && Fill() > 0) {
        const std::size_t n = std::min(capacity - done, inputLen_ - inputPos_);
        std::memcpy(out + done, scratch_->input.data() + inputPos_, n);
        inputPos_ += n;
        done += n;
    }
    return done;
}

// Asks for at most one byte past the stated size, which is enough to notice excess data.
std::size_t MemberDecoder::Allowed(std::size_t capacity) const {
    const std::uint64_t remaining = member_.uncompressedSize - produced_;
    const std::uint64_t allowed = remaining == UINT64_MAX ? remaining : remaining + 1;
    return static_cast<std::size_t>(std::min<std::uint64_t>({capacity, allowed, UINT_MAX}));
}

std::size_t MemberDecoder::ReadDeflated(std::uint8_t* out, std::size_t capacity) {
    struct Pull final : InflateInput {
        MemberDecoder& d;
        explicit Pull(MemberDecoder& decoder) : d(decoder) {}
        std::size_t More(const std::uint8_t** data) override {
            const std::size_t n = d.Fill();
            *data = d.scratch_->input.data() + d.inputPos_;
            d.inputPos_ = d.inputLen_;
            return n;
        }
    } pull(*this);
    if (finished_) return 0;
    const std::size_t limit = Allowed(capacity);
    std::size_t n = 0;
    Inflater& inflater = *scratch_->inflater;
    switch (inflater.Read(pull, out, limit, &n)) {
    case Inflater::Status::End:
        finished_ = true;
        break;
    case Inflater::Status::Error:
        Corrupt(inflater.Problem());
    case Inflater::Status::More:
        break;
    }
    if (n > member_.uncompressedSize - produced_) Corrupt("more data than its stated size");
    return n;
}

std::size_t MemberDecoder::Read(std::uint8_t* out, std::size_t capacity) {
    if (capacity == 0) return 0;
    const std::size_t n = inflating_ ? ReadDeflated(out, capacity) : ReadStored(out, capacity);
    produced_ += n;
    if (n == 0 || (inflating_ && finished_)) CheckEnd();
    return n;
}

void MemberDecoder::CheckEnd() {
    if (checked_) return;
    checked_ = true;
    if (produced_ != member_.uncompressedSize)
        Corrupt("size " + std::to_string(produced_) + " differs from the stated " +
                std::to_string(member_.uncompressedSize));
    if (aes_) Authenticate();
}

ExtractResult ExtractMember(ByteSource& src, const Member& member, Passwords passwords,
                            const DataSink& sink, std::size_t chunk, DecoderScratch* scratch) {
    ExtractResult result;
    try {
        const MemberDataSpan span = LocateData(src, member);
        MemberDecoder decoder(src, member, span, passwords, scratch);
        std::vector<std::uint8_t> buffer(std::max<std::size_t>(chunk, 1));
        std::uint32_t crc = 0;
        while (const std::size_t n = decoder.Read(buffer.data(), buffer.size())) {
            crc = Crc32(crc, buffer.data(), n);
            if (!sink(buffer.data(), n)) {
                result.status = ExtractResult::Status::Cancelled;
                result.size = decoder.Produced();
                return result;
            }
        }
        result.size = decoder.Produced();
        result.crc = crc;
        if (HasCrc(member) && crc != member.crc) {
            result.status = ExtractResult::Status::CrcMismatch;
            result.message = QuoteName(member.name) + ": CRC error" +
                             (member.IsEncrypted() ? " (or a wrong password)" : "");
            return result;
        }
        result.status = ExtractResult::Status::Ok;
    } catch (const MemberError& e) {
        result.error = e.kind();
        result.message = e.what();
    } catch (const FormatError& e) {
        result.error = MemberError::Kind::Corrupt;
        result.message = e.what();
    }
    return result;
}

} // namespace zipcore
