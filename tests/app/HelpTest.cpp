#include <gtest/gtest.h>

#include <filesystem>

#include "app/fruHelpSystem.h"
#include "app/HelpFolderFixture.h"
#include "app/uHelpElements.h"
#include "app/uHelpGenerator.h"
#include "app/VeltraneServerFixture.h"
#include "support/ErrorText.h"

namespace app {
namespace {

TEST_F(HelpFolderTest, CategoriesAndTopicsGoByTheirExactIdAndNamesMayHoldCommas) {
    WriteStandard();
    THelpManager help(folder);
    help.Load();
    ASSERT_TRUE(help.Loaded());
    EXPECT_EQ(help.Version(), "10.11.0-test");
    ASSERT_EQ(help.Root().ChildCount(), 1);
    THelpCategory& contents = help.Root().Child(0);
    ASSERT_EQ(contents.ChildCount(), 2);
    EXPECT_EQ(contents.Child(0).Name(), "Functions, Operators");
    EXPECT_EQ(contents.Child(0).Child(0).Name(), "Strings");
    ASSERT_EQ(contents.TopicCount(), 1) << "category 12's topic is not category 1's";
    EXPECT_EQ(contents.Topic(0).Name(), "JOINED");
    EXPECT_EQ(help.FindCategory("strings")->Id(), 5);
    EXPECT_EQ(help.FindTopic("joins, subqueries, and set")->Category().Name(), "Data Types");
    EXPECT_EQ(help.FindTopic(102)->Name(), "CONCAT");

    THelpTopics found;
    help.Search("join", found);
    ASSERT_EQ(found.Count(), 1) << "JOINED and Joins, are other words";
    EXPECT_EQ(found.Item(0).Name(), "LEFT JOIN");

    THelpKeyword* join = help.FindKeyword("Join");
    ASSERT_TRUE(join);
    ASSERT_EQ(join->Topics().Count(), 1) << "a relation to a missing topic is skipped";
    EXPECT_EQ(join->Topics().Item(0).Id(), 100);
    EXPECT_EQ(help.KeywordCount(), 2);
}

TEST_F(HelpFolderTest, MissingOrMalformedFilesLeaveTheHelpUnloaded) {
    THelpManager missing(folder + "/nowhere");
    missing.Load();
    EXPECT_FALSE(missing.Loaded());

    WriteStandard();
    Write("topic", "1,101\r\n");
    THelpManager malformed(folder);
    malformed.Load();
    EXPECT_FALSE(malformed.Loaded());

    WriteStandard();
    Write("category", "0,1,Contents\r\n1,1,Itself\r\n");
    THelpManager cyclic(folder);
    cyclic.Load();
    EXPECT_EQ(cyclic.Categories().Count(), 1);

    WriteStandard();
    Write("keyword", "7\r\n");
    THelpManager keywords(folder);
    keywords.Load();
    EXPECT_TRUE(keywords.Loaded());
    EXPECT_EQ(testsupport::ErrorMessageOf([&] { keywords.FindKeyword("JOIN"); }),
              "Cannot read help structure");
}

TEST(HelpTopicsTest, NoDuplicatesAndACaseSensitiveSort) {
    THelpCategory category(nullptr, 1, "c");
    THelpTopic& b = category.AddTopic(1, "b");
    THelpTopic& upper = category.AddTopic(2, "Z");
    THelpTopics topics;
    topics.Add(b);
    topics.Add(upper);
    topics.Add(b);
    topics.Sort();
    ASSERT_EQ(topics.Count(), 2);
    EXPECT_EQ(topics.Item(0).Name(), "Z");
}

class HelpServerTest : public VeltraneServerTest {
protected:
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string folder = (std::filesystem::temp_directory_path() / "help-from-server").string();
};

TEST_F(HelpServerTest, TheServersHelpTablesComeBackWhole) {
    std::filesystem::remove_all(folder);
    GenerateHelpFiles(*connection, folder);
    THelpManager help(folder);
    help.Load();
    ASSERT_TRUE(help.Loaded());
    EXPECT_EQ(help.Version(), session->Scalar("SELECT VERSION()"));
    EXPECT_EQ(std::to_string(help.Topics().Count()),
              session->Scalar("SELECT COUNT(*) FROM mysql.help_topic"));
    THelpTopics found;
    help.Search("JOIN", found);
    ASSERT_GT(found.Count(), 0);
    const std::string content = help.TopicContent(found.Item(0));
    ASSERT_NE(content.find("\r\n"), std::string::npos);
    for (auto lf = content.find('\n'); lf != std::string::npos; lf = content.find('\n', lf + 1))
        ASSERT_EQ(content[lf - 1], '\r') << "the server's LF breaks are written as CR LF";
    EXPECT_GT(help.KeywordCount(), 0);
}

TEST_F(HelpFolderTest, TopicPagesLinkKeywordsTopicsAndAddressesAndEscapeTheRest) {
    WriteStandard();
    Write("keyword", "7,JOIN\r\n8,SELECT\r\n");
    Write("topic_content/102",
          "  CONCAT(str1,str2)\r\nSyntax:\r\nSELECT CONCAT(a) FROM t;\r\n"
          "NOTE: a <b> tag & more. See [HELP LEFT JOIN] and [HELP CONCAT].\r\n"
          "Also https://example.org/a?b=1 here.\r\nURL: http://example.org/concat.html\r\n");
    THelpManager help(folder);
    help.Load();
    THelpPages pages(help);
    const std::string content = pages.FormatContent(*help.FindTopic("CONCAT"));
    EXPECT_NE(content.find("\r\n<h2>Syntax</h2>\r\n"), std::string::npos) << content;
    EXPECT_NE(content.find("<span id=\"keyword\"><a href=\"cmd://keyword_8\">SELECT</a></span>"),
              std::string::npos)
        << content;
    EXPECT_NE(content.find("\r\nNOTE: a &lt;b&gt; tag &amp; more."), std::string::npos) << content;
    EXPECT_NE(content.find("<span id=\"internal_link\"><a href=\"cmd://topic_100\">LEFT JOIN</a></span>"),
              std::string::npos)
        << content;
    EXPECT_NE(content.find("and <b>CONCAT</b>."), std::string::npos)
        << "a topic does not link to itself: " << content;
    EXPECT_NE(content.find("<a href=\"https://example.org/a?b=1\">https://example.org/a?b=1</a>"),
              std::string::npos)
        << content;
    EXPECT_NE(content.find("<a href=\"http://example.org/concat.html\">Online documentation for CONCAT</a>"),
              std::string::npos)
        << content;

    const std::string page = pages.Topic(*help.FindTopic("CONCAT"));
    EXPECT_NE(
        page.find("<span id=\"navigation\"><a href=\"cmd://cat_1\">Contents</a> / <a href=\"cmd://cat_12\">"
                  "Functions, Operators</a> / <a href=\"cmd://cat_5\">Strings</a></span><pre>"),
        std::string::npos)
        << page;
}

TEST_F(HelpFolderTest, SearchOpensASingleTopicAndListsSeveral) {
    WriteStandard();
    Write("topic_content/100", "LEFT JOIN text");
    THelpManager help(folder);
    help.Load();
    THelpPages pages(help);
    EXPECT_NE(pages.Search(" join ").find("<h1>LEFT JOIN</h1>"), std::string::npos);
    const std::string listed = pages.Search("Contents");
    EXPECT_NE(listed.find("<h1>CONTENTS</h1>"), std::string::npos);
    EXPECT_NE(listed.find("<li><a href=\"cmd://cat_12\">Functions, Operators</a></li>"), std::string::npos);
    EXPECT_NE(listed.find("<li><a href=\"cmd://topic_101\">JOINED</a></li>"), std::string::npos);
    EXPECT_EQ(pages.Search("nothing at all"), THelpPages::NotFound());
    EXPECT_NE(pages.Contents().find("<h1>Contents</h1>"), std::string::npos);

    THelpManager unloaded(folder + "/nowhere");
    unloaded.Load();
    EXPECT_EQ(THelpPages(unloaded).Contents(), THelpPages::Error());
    EXPECT_EQ(THelpPages(unloaded).Search("join"), THelpPages::Error())
        << "the page that offers to make help";
}

TEST(HelpLinkTest, CommandsAreReadAndEverythingElseIsAPage) {
    const std::pair<const char*, THelpLink> cases[] = {
        {"cmd://regenerate", {THelpLink::hlRegenerate}},
        {"cmd://REGENERATE/", {THelpLink::hlRegenerate}},
        {"cmd://cat_12", {THelpLink::hlCategory, 12}},
        {"cmd://topic_7", {THelpLink::hlTopic, 7}},
        {"cmd://keyword_3", {THelpLink::hlKeyword, 3}},
        {"cmd://topic_x", {THelpLink::hlUnknown}},
        {"cmd://other", {THelpLink::hlUnknown}},
        {"http://example.org", {THelpLink::hlExternal}},
        {"https://example.org/a", {THelpLink::hlExternal}},
        {"ftp://example.org/a", {THelpLink::hlExternal}},
        {"file:///tmp/page.html", {THelpLink::hlPage}},
        {"file:///tmp/page.html#", {THelpLink::hlBack}},
    };
    for (const auto& [address, expected] : cases) {
        const THelpLink link = ParseHelpLink(address);
        EXPECT_EQ(link.kind, expected.kind) << address;
        EXPECT_EQ(link.id, expected.id) << address;
    }
}

} // namespace
} // namespace app
