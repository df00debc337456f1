// A test folder that is also the current directory, so patterns can be relative and
// stored names predictable, plus helpers to lay out files in it.
#pragma once

#include "EngineHarness.h"
#include "tests/engine/ZipBuilder.h"
#include "base/Handle.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace zipeng_test {

class EngineFixture : public ::testing::Test {
protected:
    void SetUp() override {
        char cwd[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, cwd);
        savedCwd_ = cwd;
        ASSERT_TRUE(SetCurrentDirectoryA(tmp_.Path().c_str()));
        archive_ = tmp_.File("out.zip");
    }
    void TearDown() override { SetCurrentDirectoryA(savedCwd_.c_str()); }

    // Creates the file (and its folders) below the test folder.
    std::string Make(const std::string& relative, const std::string& data) {
        const std::string path = tmp_.File(relative);
        for (size_t i = tmp_.Path().size(); i < path.size(); ++i)
            if (path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
        testing_support::WriteFileBytes(path, data);
        return path;
    }
    std::string MakeFolder(const std::string& relative) {
        const std::string path = tmp_.File(relative);
        for (size_t i = tmp_.Path().size(); i <= path.size(); ++i)
            if (i == path.size() || path[i] == '\\')
                CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
        return path;
    }
    std::string Bytes(const std::string& path) const {
        return testing_support::ReadFileBytes(path);
    }
    std::vector<std::string> TempFiles() const { return FilesIn(tmp_.Path(), "~kz*.tmp"); }

    testing_support::TempFolder tmp_;
    std::string archive_;

private:
    std::string savedCwd_;
};

} // namespace zipeng_test
