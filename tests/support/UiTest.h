#pragma once

#include <gtest/gtest.h>

namespace uitest {

// Creates the process's QApplication on the offscreen platform, once; later calls do nothing.
// Every UI test executable gets one before its first test (a global test environment), so tests
// only call this when they run outside GoogleTest's main.
void EnsureApplication();

// Runs the Qt events that are waiting (posted events, deferred deletes), without waiting for more.
void ProcessEvents();

// A fixture for tests that need the application: it exists before the first test of the suite.
class UiTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }
};

} // namespace uitest
