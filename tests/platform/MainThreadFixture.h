#pragma once
// Base fixture for tests that use the main-thread queue: the test's thread is the main thread,
// and nothing queued by one test leaks into the next.
#include <gtest/gtest.h>

#include <functional>

#include "platform/MainLoop.h"
#include "platform/MainThread.h"

class MainThreadFixture : public ::testing::Test {
protected:
    // Fail-safe only: tests wait for conditions, never for a time span.
    static constexpr uint32_t generousTimeoutMs = 20000;

    void SetUp() override { InitMainThread(); }
    void TearDown() override
    {
        while (ProcessMainThreadQueue()) {
        }
    }

    static bool ServeUntil(const std::function<bool()>& done)
    {
        return ProcessMessagesUntil(done, generousTimeoutMs);
    }
};
