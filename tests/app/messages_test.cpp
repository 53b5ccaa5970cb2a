#include "core/messages.h"

#include "support/test_env.h"

class MessagesTest : public VelmoraTest {};

TEST_F(MessagesTest, ShowsTableTextUnderProgramCaption) {
    ShowMessage(52);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Velmora_USB");
    EXPECT_EQ(messages.shown[0].text, "Sorry, Invalid directory");
}

TEST_F(MessagesTest, SharedTextsAndEmptyCodes) {
    EXPECT_EQ(MessageText(14), MessageText(15));
    EXPECT_EQ(MessageText(20), "Unable to load INI file, please delete and try again");
    EXPECT_EQ(MessageText(27), MessageText(20));
    EXPECT_EQ(MessageText(28), "Unable to save INI file, please check disk space");
    EXPECT_EQ(MessageText(41), "");
    ShowMessage(999);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Velmora_USB");
    EXPECT_EQ(messages.shown[0].text, "");
}

TEST_F(MessagesTest, CodeFiftyShowsCallersText) {
    ShowMessage(50, "Error 5 trying to read CAMIO data from USB\n");
    EXPECT_EQ(MessageTexts().back(), "Error 5 trying to read CAMIO data from USB\n");
}

TEST_F(MessagesTest, CheckStatusPassesNonNegativeAndReportsNegative) {
    EXPECT_EQ(CheckStatus(0), 0);
    EXPECT_EQ(CheckStatus(17), 17);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(CheckStatus(-5), -1);
    EXPECT_EQ(MessageTexts().back(), "ERROR -5 ");
}
