// The engine, a folder for archives and a folder to extract into, for each test.
#pragma once

#include "tests/dlls/unzeng/EngineHarness.h"
#include "tests/dlls/unzeng/TestFiles.h"

#include <gtest/gtest.h>

namespace unzeng_test {

class ExtractFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(engine.Loaded()) << "KUNZENG.DLL not beside the test"; }

    // Extracts `archive` into `out`.
    Options Into(const std::string& archive) {
        Options o;
        o.archive = archive;
        o.folder = out.Path();
        return o;
    }

    Engine engine;
    testing_support::TempFolder work;
    testing_support::TempFolder out;
};

} // namespace unzeng_test
