// What happens to a member's data after compressing: encryption (traditional PKWARE, or WinZip
// AES-256 with the system's cryptography) and, for a large file that deflate did not shrink,
// the change to storing it. Small members are sealed in memory; a member written in pieces is
// sealed where it lies in the new archive, read back block by block.
#pragma once

#include "dlls/zipeng/FileIo.h"
#include "dlls/zipeng/MemberHeaders.h"

#include <cstdint>
#include <string>

namespace zipeng {

enum class Encryption { None, Traditional, Aes256 };

// AES format version 5.1 as the reader's minimum.
constexpr std::uint16_t kVersionAes = 51;
// Below this size an AES member is written AE-2, without its CRC, which would give such
// short content away (the WinZip format's advice).
constexpr std::uint64_t kAe2Below = 20;

// Bytes the encryption puts before and after the data.
std::uint64_t EncryptionOverhead(Encryption e);
std::uint64_t EncryptionHead(Encryption e);

// Sets the flag, version and, for AES, method 99 with the AES field (AE-1 or AE-2 by size;
// AE-2 stores CRC 0) on headers describing the plain member. `extra` is the member's extra
// field without the AES block; call again when the method or size changes.
void MarkEncrypted(HeaderFields& h, Encryption e, const std::string& extra);

// Encrypts compressed data in memory: returns the head, the encrypted data and the tail.
// `h` as MarkEncrypted left it (its CRC and time make the traditional check byte).
std::string SealInMemory(const HeaderFields& h, Encryption e, const std::string& password,
                         std::string& data);

// Encrypts `size` bytes at `dataStart` where they lie, writes the head into the room left
// before them and appends the tail (the output must stand at their end).
void SealInPlace(OutputFile& out, const HeaderFields& h, Encryption e, const std::string& password,
                 std::uint64_t dataStart, std::uint64_t size);

// Turns the deflate stream of `size` bytes at `dataStart` into the data itself, in place,
// and cuts the output after it; returns the data's size. For streams no smaller than their
// data, as incompressible files give: the bytes ahead never overtake the stream still unread
// by more than deflate's few bytes of growth, which are held in memory meanwhile.
std::uint64_t StoreInPlace(OutputFile& out, std::uint64_t dataStart, std::uint64_t size);

} // namespace zipeng
