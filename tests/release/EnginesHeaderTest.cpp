// The header shipped for other callers of the engines is the program's own record layout, and
// a C compiler lays it out as the C++ one does.
#include "base/EngineRecords.h"

#include <gtest/gtest.h>

#include <cstddef>

extern "C" size_t KelvoraEnginesSizeInC(int which);

namespace {

TEST(EnginesHeader, CAndCppAgreeOnTheRecords) {
    const std::size_t cpp[] = {sizeof(keng::ZipParams),
                               sizeof(keng::UnzParams),
                               sizeof(keng::CallbackData),
                               offsetof(keng::ZipParams, ArchiveName),
                               offsetof(keng::UnzParams, ArchiveName),
                               offsetof(keng::CallbackData, MessageText)};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(KelvoraEnginesSizeInC(i), cpp[i]) << i;
    // Pointers are the machine's own size and sit where the header says, unaligned on x64.
    EXPECT_EQ(offsetof(keng::ZipParams, Callback), sizeof(void*) == 8 ? 20u : 12u);
    EXPECT_EQ(sizeof(keng::ZipParams),
              offsetof(keng::ZipParams, FileSpecs) + keng::kMaxFileSpecs * sizeof(char*));
}

} // namespace
