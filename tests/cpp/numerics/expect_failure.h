// Checks that a call fails the way the numerics report failures.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "Corvane/numerics/require.h"

// The call throws the message text `text`.
inline void ExpectFailure(const std::function<void()>& call, const std::string& text) {
    try {
        call();
        ADD_FAILURE() << "expected \"" << text << "\"";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(e.what(), text);
    }
}

// The call is an invalid argument without text (reported as E_INVALIDARG and no description).
inline void ExpectInvalidArgStatus(const std::function<void()>& call) {
    try {
        call();
        ADD_FAILURE() << "expected an invalid argument";
    } catch (const corvane::InvalidArgument& e) {
        EXPECT_STREQ(e.what(), "");
    }
}

// The call is an invalid argument whose text is `text`.
inline void ExpectInvalidArgument(const std::function<void()>& call, const std::string& text) {
    try {
        call();
        ADD_FAILURE() << "expected \"" << text << "\"";
    } catch (const corvane::InvalidArgument& e) {
        EXPECT_EQ(e.what(), text);
    }
}
