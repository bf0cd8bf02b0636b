#include "app/fruSQL.h"

#include <gtest/gtest.h>

#include "app/VeltraneServerFixture.h"
#include "core/uDBAConnection.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"

namespace app {
namespace {

using SQLWindowTest = VeltraneServerTest;

std::string Text(const std::u16string& text) {
    return rtl::Utf16ToUtf8(text);
}

TEST_F(SQLWindowTest, WithoutASessionItRunsLikeAPlainClient) {
    auto rows = ExecuteAtStop(*veltrane, u"SELECT 1 AS one UNION SELECT 2");
    ASSERT_EQ(rows.messages.size(), 1u);
    EXPECT_EQ(Text(rows.messages[0]).rfind("2 row(s) returned (", 0), 0u) << Text(rows.messages[0]);
    ASSERT_TRUE(rows.result);
    EXPECT_EQ(rows.result->GetDataSet()->Fields()[0]->FieldName(), "one");

    auto rowless = ExecuteAtStop(*veltrane, u"SET @sqlwindow = 1");
    ASSERT_EQ(rowless.messages.size(), 1u);
    EXPECT_EQ(Text(rowless.messages[0]).rfind("0 row(s) affected (", 0), 0u) << Text(rowless.messages[0]);
    EXPECT_FALSE(rowless.result);
}

TEST_F(SQLWindowTest, FailuresBecomeMessageLines) {
    auto missing = ExecuteAtStop(*veltrane, u"SELECT * FROM sqlwindow_nope");
    ASSERT_EQ(missing.messages.size(), 1u);
    EXPECT_NE(Text(missing.messages[0]).find("1146"), std::string::npos) << Text(missing.messages[0]);
    EXPECT_EQ(Text(missing.messages[0]).rfind("Error: ", 0), std::string::npos) << "the server's own text";

    auto refused = ExecuteAtStop(*veltrane, u"LEAVE x");
    ASSERT_EQ(refused.messages.size(), 1u);
    EXPECT_EQ(Text(refused.messages[0]).rfind("Error: ", 0), 0u) << Text(refused.messages[0]);
}

TEST_F(SQLWindowTest, AtAStopLocalVariablesAreMirroredBothWays) {
    CompileMain("BEGIN\n  DECLARE i INT DEFAULT 41;\n  SET @after = i;\nEND");
    veltrane->Start(true);
    veltrane->StepInto();
    ASSERT_TRUE(veltrane->IsRunning());

    auto read = ExecuteAtStop(*veltrane, u"SELECT i + 1");
    ASSERT_TRUE(read.result);
    data::TDataSet& rows = *read.result->GetDataSet();
    EXPECT_EQ(rows.Fields()[0]->DisplayLabel(), "i + 1") << "the local name, not its session variable";
    EXPECT_EQ(rows.Fields()[0]->AsString(), "42");

    ExecuteAtStop(*veltrane, u"SET i = 7");
    EXPECT_EQ(veltrane->EvaluateForDisplay(u"i", true), u"7");
}

TEST(SQLWindowIntroTest, TeachesTheKeysAndTheDelimiter) {
    const std::u16string intro = SQLWindowIntroText();
    EXPECT_EQ(intro.substr(0, 44), u"Press Ctrl+Enter to execute the statement.\r\n");
    EXPECT_NE(intro.find(u"separate statements. \r\nFor example:"), std::u16string::npos);
    EXPECT_EQ(intro.substr(intro.size() - 16), u"\r\n   delimiter ;");
}

} // namespace
} // namespace app
