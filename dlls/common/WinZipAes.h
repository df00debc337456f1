// WinZip AES encryption of one member (AE-1 and AE-2) with the system's own cryptography:
// CNG's PBKDF2-HMAC-SHA1 derives the keys, AES in ECB mode encrypts the counter blocks
// (counter mode: a little-endian counter from 1), HMAC-SHA1 authenticates the encrypted
// data. bcrypt.dll is loaded at first use, so the engines and the self-extractor still start
// where it is missing; they then report AES members as undecodable. Free of the C++ library
// and of exceptions, since the self-extractor uses it too.
#pragma once

#include "base/zipcore/AesFormat.h"

#include <windows.h>

#include <bcrypt.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace kaes {

using zipcore::AesKeySize;
using zipcore::AesSaltSize;
using zipcore::kAesAuthCodeSize;
using zipcore::kAesIterations;
using zipcore::kAesVerifierSize;

namespace detail {

struct Api {
    decltype(&BCryptOpenAlgorithmProvider) open;
    decltype(&BCryptSetProperty) setProperty;
    decltype(&BCryptGenerateSymmetricKey) generateKey;
    decltype(&BCryptEncrypt) encrypt;
    decltype(&BCryptDestroyKey) destroyKey;
    decltype(&BCryptDeriveKeyPBKDF2) pbkdf2;
    decltype(&BCryptCreateHash) createHash;
    decltype(&BCryptHashData) hashData;
    decltype(&BCryptFinishHash) finishHash;
    decltype(&BCryptDestroyHash) destroyHash;
    decltype(&BCryptGenRandom) random;
    BCRYPT_ALG_HANDLE aes;  // ECB
    BCRYPT_ALG_HANDLE hmac; // SHA-1 with the HMAC flag
    bool ready;
};

// The provider handles live as long as the process: opening them costs more than a member.
inline Api* LoadApi() {
    static Api api{};
    static LONG state = 0; // 0 not tried, 1 loading, 2 done
    if (InterlockedCompareExchange(&state, 1, 0) == 0) {
        if (HMODULE dll = LoadLibraryW(L"bcrypt.dll")) {
            auto get = [dll](auto& fn, const char* name) {
                fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(
                    reinterpret_cast<void*>(GetProcAddress(dll, name)));
                return fn != nullptr;
            };
            const bool all =
                get(api.open, "BCryptOpenAlgorithmProvider") &
                get(api.setProperty, "BCryptSetProperty") &
                get(api.generateKey, "BCryptGenerateSymmetricKey") &
                get(api.encrypt, "BCryptEncrypt") & get(api.destroyKey, "BCryptDestroyKey") &
                get(api.pbkdf2, "BCryptDeriveKeyPBKDF2") & get(api.createHash, "BCryptCreateHash") &
                get(api.hashData, "BCryptHashData") & get(api.finishHash, "BCryptFinishHash") &
                get(api.destroyHash, "BCryptDestroyHash") & get(api.random, "BCryptGenRandom");
            api.ready = all && api.open(&api.aes, BCRYPT_AES_ALGORITHM, nullptr, 0) == 0 &&
                        api.setProperty(
                            api.aes, BCRYPT_CHAINING_MODE,
                            reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_ECB)),
                            sizeof(BCRYPT_CHAIN_MODE_ECB), 0) == 0 &&
                        api.open(&api.hmac, BCRYPT_SHA1_ALGORITHM, nullptr,
                                 BCRYPT_ALG_HANDLE_HMAC_FLAG) == 0;
        }
        InterlockedExchange(&state, 2);
    }
    while (InterlockedCompareExchange(&state, 2, 2) != 2)
        Sleep(0);
    return api.ready ? &api : nullptr;
}

} // namespace detail

// Whether this system can do WinZip AES at all.
inline bool Available() {
    return detail::LoadApi() != nullptr;
}

// Fills the buffer with random bytes from the system (salts); false when it cannot.
inline bool RandomBytes(std::uint8_t* out, std::size_t n) {
    detail::Api* api = detail::LoadApi();
    return api &&
           api->random(nullptr, out, static_cast<ULONG>(n), BCRYPT_USE_SYSTEM_PREFERRED_RNG) == 0;
}

// One member's keys and running state. Begin, then Decrypt (or Encrypt) the data in order,
// then AuthCode.
class MemberCipher {
public:
    MemberCipher() = default;
    ~MemberCipher() { Close(); }
    MemberCipher(const MemberCipher&) = delete;
    MemberCipher& operator=(const MemberCipher&) = delete;

    // Derives the keys from the password and salt; `verifier` receives the password
    // verification value. False when the system's cryptography refused.
    bool Begin(const char* password, std::size_t passwordLength, int strength,
               const std::uint8_t* salt, std::uint8_t verifier[kAesVerifierSize]) {
        Close();
        detail::Api* api = detail::LoadApi();
        const std::size_t keySize = AesKeySize(strength);
        if (!api || keySize == 0) return false;
        api_ = api;
        std::uint8_t derived[2 * 32 + kAesVerifierSize];
        const ULONG derivedSize = static_cast<ULONG>(2 * keySize + kAesVerifierSize);
        bool ok = api->pbkdf2(api->hmac, reinterpret_cast<PUCHAR>(const_cast<char*>(password)),
                              static_cast<ULONG>(passwordLength), const_cast<PUCHAR>(salt),
                              static_cast<ULONG>(AesSaltSize(strength)), kAesIterations, derived,
                              derivedSize, 0) == 0 &&
                  api->generateKey(api->aes, &key_, nullptr, 0, derived,
                                   static_cast<ULONG>(keySize), 0) == 0 &&
                  api->createHash(api->hmac, &hash_, nullptr, 0, derived + keySize,
                                  static_cast<ULONG>(keySize), 0) == 0;
        verifier[0] = derived[2 * keySize];
        verifier[1] = derived[2 * keySize + 1];
        SecureZeroMemory(derived, sizeof derived);
        for (std::uint8_t& b : counter_)
            b = 0;
        used_ = sizeof stream_;
        if (!ok) Close();
        return ok;
    }

    // Authenticates, then decrypts, the next bytes of the member's data in place.
    bool Decrypt(std::uint8_t* data, std::size_t n) {
        return Authenticate(data, n) && Apply(data, n);
    }
    // Encrypts the next bytes of the data in place and authenticates what it wrote.
    bool Encrypt(std::uint8_t* data, std::size_t n) {
        return Apply(data, n) && Authenticate(data, n);
    }

    // The authentication code of everything encrypted or decrypted since Begin.
    bool AuthCode(std::uint8_t out[kAesAuthCodeSize]) {
        if (!hash_) return false;
        std::uint8_t mac[20];
        const bool ok = api_->finishHash(hash_, mac, sizeof mac, 0) == 0;
        for (std::size_t i = 0; i < kAesAuthCodeSize; ++i)
            out[i] = mac[i];
        Close();
        return ok;
    }

private:
    bool Authenticate(const std::uint8_t* data, std::size_t n) {
        return hash_ &&
               api_->hashData(hash_, const_cast<PUCHAR>(data), static_cast<ULONG>(n), 0) == 0;
    }

    // XORs the key stream: AES of the little-endian block counter, made a batch at a time
    // since each call into CNG costs far more than one block.
    bool Apply(std::uint8_t* data, std::size_t n) {
        if (!key_) return false;
        while (n > 0) {
            if (used_ == sizeof stream_ && !NextStream()) return false;
            const std::size_t k = n < sizeof stream_ - used_ ? n : sizeof stream_ - used_;
            for (std::size_t i = 0; i < k; ++i)
                data[i] ^= stream_[used_ + i];
            used_ += k;
            data += k;
            n -= k;
        }
        return true;
    }
    bool NextStream() {
        for (std::size_t block = 0; block < sizeof stream_; block += 16) {
            for (std::size_t i = 0; i < 16 && ++counter_[i] == 0; ++i) {
            }
            for (std::size_t i = 0; i < 16; ++i)
                stream_[block + i] = counter_[i];
        }
        ULONG written = 0;
        used_ = 0;
        return api_->encrypt(key_, stream_, sizeof stream_, nullptr, nullptr, 0, stream_,
                             sizeof stream_, &written, 0) == 0 &&
               written == sizeof stream_;
    }
    void Close() {
        if (key_) api_->destroyKey(key_);
        if (hash_) api_->destroyHash(hash_);
        key_ = nullptr;
        hash_ = nullptr;
        SecureZeroMemory(stream_, sizeof stream_);
    }

    detail::Api* api_ = nullptr;
    BCRYPT_KEY_HANDLE key_ = nullptr;
    BCRYPT_HASH_HANDLE hash_ = nullptr;
    std::uint8_t counter_[16] = {};
    std::uint8_t stream_[65536]; // large: under Wine each call into CNG costs much
    std::size_t used_ = sizeof stream_;
};

} // namespace kaes
