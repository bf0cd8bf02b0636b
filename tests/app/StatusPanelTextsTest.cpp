#include "app/uStatusPanelTexts.h"

#include <gtest/gtest.h>

namespace app {
namespace {

// Every character 6 pixels wide, images 16.
TStatusPanelTexts Panels() {
    return TStatusPanelTexts(16, [](const std::string& text) { return static_cast<int>(text.size()) * 6; });
}

TEST(StatusPanelTextsTest, FormatsAndWidths) {
    TStatusPanelTexts panels = Panels();
    EXPECT_EQ(panels.Panel(spCaret).width, 80);
    panels.SetCaretPos({0, 0});
    EXPECT_EQ(panels.Panel(spCaret).text, "  1:  1  ");
    panels.SetCaretPos({4, 11});
    EXPECT_EQ(panels.Panel(spCaret).text, "  12:  5  ");
    EXPECT_EQ(panels.Panel(spCaret).width, 80);

    panels.SetServerText("10.11.6-MariaDB");
    EXPECT_EQ(panels.Panel(spServer).text, " 10.11.6-MariaDB ");
    EXPECT_EQ(panels.Panel(spServer).width, 17 * 6 + 8);
    panels.SetDatabaseText("sakila");
    EXPECT_EQ(panels.Panel(spDatabase).text, " sakila  ");
    EXPECT_EQ(panels.Panel(spDatabase).width, 16 + 9 * 6 + 8);

    panels.SetServerText("");
    panels.SetDatabaseText("");
    EXPECT_EQ(panels.Panel(spServer).width, 0);
    EXPECT_EQ(panels.Panel(spDatabase).width, 0);
}

TEST(StatusPanelTextsTest, TheNoticeIsHiddenUntilShownAndOnlyItIsHit) {
    TStatusPanelTexts panels = Panels();
    EXPECT_EQ(panels.Panel(spNotice).width, 0);
    EXPECT_FALSE(panels.NoticeHit(0));
    panels.ShowUpdateNotice(true);
    EXPECT_EQ(panels.Panel(spNotice).text, "New version available. Click here to go to Download page.");
    const int width = panels.Panel(spNotice).width;
    EXPECT_EQ(width, 16 + 57 * 6 + 8);
    EXPECT_TRUE(panels.NoticeHit(0));
    EXPECT_TRUE(panels.NoticeHit(width - 1));
    EXPECT_FALSE(panels.NoticeHit(width));
    panels.ShowUpdateNotice(false);
    EXPECT_EQ(panels.Panel(spNotice).width, 0);
    EXPECT_FALSE(panels.NoticeHit(0));
}

} // namespace
} // namespace app
