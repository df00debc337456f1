// The decoders' AES (zipcore::AesCipher) done by the system's cryptography.
#pragma once

#include "dlls/common/WinZipAes.h"
#include "base/zipcore/MemberReader.h"

#include <memory>

namespace kaes {

class SystemCipher final : public zipcore::AesCipher {
public:
    bool Begin(const char* password, std::size_t passwordLength, int strength,
               const std::uint8_t* salt, std::uint8_t verifier[kAesVerifierSize]) override {
        return cipher_.Begin(password, passwordLength, strength, salt, verifier);
    }
    bool Decrypt(std::uint8_t* data, std::size_t n) override { return cipher_.Decrypt(data, n); }
    bool AuthCode(std::uint8_t out[kAesAuthCodeSize]) override { return cipher_.AuthCode(out); }

private:
    MemberCipher cipher_;
};

// A cipher for one thread's decoder scratch; null where the system has no CNG.
inline std::unique_ptr<zipcore::AesCipher> SystemAes() {
    if (!Available()) return nullptr;
    return std::make_unique<SystemCipher>();
}

} // namespace kaes
