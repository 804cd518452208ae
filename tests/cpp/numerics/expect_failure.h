// Checks that a call fails the way the numerics report failures.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "automation/failure.h"

// The call throws the message text `text`.
inline void ExpectFailure(const std::function<void()>& call, const std::string& text) {
    try {
        call();
        ADD_FAILURE() << "expected \"" << text << "\"";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(e.what(), text);
    }
}

// The call fails with E_INVALIDARG and no description.
inline void ExpectInvalidArgStatus(const std::function<void()>& call) {
    try {
        call();
        ADD_FAILURE() << "expected E_INVALIDARG";
    } catch (const automation::StatusError& e) {
        EXPECT_EQ(e.code(), automation::E_INVALIDARG);
        EXPECT_TRUE(e.description().empty());
    }
}
