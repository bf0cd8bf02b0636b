#include "app/fruSchemaBrowser.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/VeltraneServerFixture.h"

namespace app {
namespace {

class SchemaBrowserTest : public VeltraneServerTest {
protected:
    void SetUp() override {
        VeltraneServerTest::SetUp();
        if (IsSkipped()) return;
        session->Execute("CREATE DATABASE `browse'db`");
        session->Execute("CREATE PROCEDURE `browse'db`.p1()\nBEGIN\n  SET @a = 1;\nEND");
        session->Execute("CREATE FUNCTION `browse'db`.f1() RETURNS varchar(20)\nBEGIN\n  RETURN 'x';\nEND");
    }
    void DropObjects() override { session->Execute("DROP DATABASE IF EXISTS `browse'db`"); }
};

TEST_F(SchemaBrowserTest, DatabasesWithoutTheServersCataloguesAndTheirRoutines) {
    const auto databases = ReadSchemaDatabases(*connection);
    const auto has = [&](const std::string& name) {
        return std::any_of(databases.begin(), databases.end(),
                           [&](const auto& item) { return item.name == name; });
    };
    EXPECT_TRUE(has(settings.database));
    EXPECT_TRUE(has("browse'db"));
    EXPECT_FALSE(has("information_schema"));
    EXPECT_FALSE(has("mysql"));
    EXPECT_EQ(databases.front().kind, TSchemaItemData::skSchema);

    auto routines = ReadSchemaRoutines(*connection, "browse'db");
    std::sort(routines.begin(), routines.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    EXPECT_EQ(routines, (std::vector<TSchemaItemData>{{"f1", "f1: varchar(20)", TSchemaItemData::skFunction},
                                                      {"p1", "p1", TSchemaItemData::skProcedure}}));
    EXPECT_EQ(SchemaItemImage(TSchemaItemData::skFunction), 2);
    EXPECT_EQ(SchemaItemImage(TSchemaItemData::skUnknown), -1);
}

} // namespace
} // namespace app
