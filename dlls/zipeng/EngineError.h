// A failure that ends the operation, with the code and the text the callback reports.
#pragma once

#include "base/EngineRecords.h"

#include <stdexcept>
#include <string>

namespace zipeng {

class EngineError : public std::runtime_error {
public:
    EngineError(keng::ErrorCode code, const std::string& text)
        : std::runtime_error(text), code_(code) {}
    keng::ErrorCode code() const { return code_; }

private:
    keng::ErrorCode code_;
};

} // namespace zipeng
