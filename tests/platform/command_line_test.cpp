#include "platform/command_line.h"

#include <gtest/gtest.h>

namespace {

using Words = std::vector<std::string>;

TEST(CommandLineTest, SplitsOnSpacesAndKeepsQuotedWordsWhole) {
    EXPECT_EQ(SplitCommandLine("PRINTIMG.EXE PRINT /data/x.bmp"), (Words{"PRINTIMG.EXE", "PRINT", "/data/x.bmp"}));
    EXPECT_EQ(SplitCommandLine("  a   b  "), (Words{"a", "b"}));
    EXPECT_EQ(SplitCommandLine("xdg-open \"/my data/Velmora.hlp\""), (Words{"xdg-open", "/my data/Velmora.hlp"}));
    EXPECT_EQ(SplitCommandLine("a \"\""), (Words{"a", ""}));
    EXPECT_TRUE(SplitCommandLine("").empty());
}

TEST(CommandLineTest, QuotedWordsComeBackUnchanged) {
    for (const std::string word : {"plain", "with space", "quote\"inside", "back\\slash", "'single'", "$(rm -rf x)"}) {
        const Words words = SplitCommandLine("prog " + QuoteCommandWord(word) + " tail");
        ASSERT_EQ(words.size(), 3u) << word;
        EXPECT_EQ(words[1], word);
    }
}

}  // namespace
