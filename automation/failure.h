// What code below the automation boundary throws, and what the boundary makes of it:
//
//   std::runtime_error(text)      -> E_FAIL with the text as description
//   std::invalid_argument(text)   -> E_INVALIDARG with the text as description (none when empty)
//   std::bad_alloc                -> E_OUTOFMEMORY
//   StatusError(code, text)       -> that code (text optional)
//   BareFailure{k}                -> 0x80040000 + k, no description
//   anything else                 -> E_UNEXPECTED
//
// The numerics throw the first three and include nothing of the runtime.
#pragma once

#include <stdexcept>
#include <string>

#include "automation/status.h"

namespace automation {

class StatusError : public std::exception {
public:
    explicit StatusError(HRESULT code, std::string description = {})
        : code_(code), description_(std::move(description)) {}
    HRESULT code() const noexcept { return code_; }
    const std::string& description() const noexcept { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

private:
    HRESULT code_;
    std::string description_;
};

struct BareFailure {
    int number;
};

}  // namespace automation
