// The extraction request as read from UnzParams, every text read within its buffer's size.
#pragma once

#include "base/EngineRecords.h"

#include <optional>
#include <string>
#include <vector>

namespace unzeng {

struct Request {
    void* owner = nullptr; // window owning the password prompt
    void* caller = nullptr;
    keng::EngineCallbackFn callback = nullptr;
    bool test = false;
    bool update = false;
    bool freshen = false;
    bool dirNames = false;
    bool overwrite = false;
    bool askOverwrite = false; // ask the program about each existing file (without overwrite)
    bool verbose = false;
    std::string archiveName;
    std::optional<std::string> password; // empty when PasswordText is empty
    std::vector<std::string> specs;      // empty, or "*.*" among them: everything
};

// Reads the record. On a record that cannot be used returns nothing and sets `problem`.
std::optional<Request> ReadRequest(const keng::UnzParams& params, std::string& problem);

} // namespace unzeng
