// Puts the global comparison settings back to their defaults around a test.
#pragma once

#include <gtest/gtest.h>

#include "foldercompare/FolderCompareOptions.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine::test {

class GlobalSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        GetTextComparer().ResetToDefaults();
        GetFolderComparer().ResetToDefaults();
    }
};

}  // namespace corvatine::test
