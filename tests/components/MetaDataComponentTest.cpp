#include "components/uMyConnection.h"
#include "components/uMyMetaData.h"
#include "ComponentsTestSupport.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace components {
namespace {

using testsupport::ErrorMessageOf;
using testsupport::RawSession;

using testing::NewConnection;

TEST(MetaDataComponentErrorTest, OpeningWithoutConnectionIsRefused) {
    TMyMetaData metaData;
    metaData.SetMetaDataKind("tables");
    EXPECT_EQ(ErrorMessageOf([&] { metaData.Open(); }), "Connection is not defined");
    EXPECT_FALSE(metaData.Active());
}

// A metadata data set over a table of its own with a primary key, a two-column unique key and
// column defaults.
class MetaDataComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto settings = VELTRANE_REQUIRE_SERVER();
        database = settings.database;
        table = std::string("MetaData_") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        raw = std::make_unique<RawSession>(settings, settings.database);
        raw->Execute("DROP TABLE IF EXISTS " + table);
        raw->Execute("CREATE TABLE " + table +
                     " (id INT PRIMARY KEY, a INT NOT NULL DEFAULT 7, b VARCHAR(10) NOT NULL, c TEXT,"
                     " UNIQUE KEY ab (a, b))");
        connection = NewConnection(settings);
        metaData = std::make_unique<TMyMetaData>();
        metaData->SetConnection(connection.get());
    }

    void TearDown() override {
        metaData.reset();
        connection.reset();
        if (raw) raw->Execute("DROP TABLE IF EXISTS " + table);
    }

    void Restrict(const std::string& lines) {
        rtl::TStringList list;
        list.SetText(lines);
        metaData->SetRestrictions(list);
    }

    std::vector<std::string> Column(const char* name) {
        std::vector<std::string> values;
        for (metaData->First(); !metaData->Eof(); metaData->Next())
            values.push_back(metaData->FieldByName(name)->AsString());
        return values;
    }

    std::string database;
    std::string table;
    std::unique_ptr<RawSession> raw;
    std::unique_ptr<TMyConnection> connection;
    std::unique_ptr<TMyMetaData> metaData;
};

TEST_F(MetaDataComponentTest, ReadsTablesColumnsAndUniqueIndexColumnsWithRestrictions) {
    metaData->SetMetaDataKind("tables");
    Restrict("table_schema=" + database + "\r\ntable_name=" + table);
    metaData->Open();
    EXPECT_EQ(Column("TABLE_NAME"), std::vector<std::string>{table});

    metaData->SetMetaDataKind("Columns");
    metaData->Open();
    EXPECT_EQ(Column("COLUMN_NAME"), (std::vector<std::string>{"id", "a", "b", "c"}));
    metaData->First();
    metaData->Next();
    EXPECT_EQ(metaData->FieldByName("DEFAULT_VALUE")->AsString(), "7");

    metaData->SetMetaDataKind("indexcolumns");
    Restrict("table_schema=" + database + "\r\ntable_name=" + table + "\r\nunique=1");
    metaData->Open();
    EXPECT_EQ(Column("INDEX_NAME"), (std::vector<std::string>{"PRIMARY", "ab", "ab"}));
    EXPECT_EQ(Column("COLUMN_NAME"), (std::vector<std::string>{"id", "a", "b"}));
    // The connection is used only while the rows are read.
    EXPECT_EQ(connection->ConnectCount(), 0);
}

TEST_F(MetaDataComponentTest, UnknownKindIsRefusedAndTheDataSetStaysUsable) {
    metaData->SetMetaDataKind("nosuchkind");
    EXPECT_EQ(ErrorMessageOf([&] { metaData->Open(); }), "Unsupported metadata kind");
    EXPECT_FALSE(metaData->Active());
    EXPECT_EQ(connection->ConnectCount(), 0);
    metaData->SetMetaDataKind("metadatakinds");
    metaData->Open();
    EXPECT_GT(metaData->RecordCount(), 0);
}

TEST_F(MetaDataComponentTest, RestrictionsOrNewKindClose) {
    metaData->SetMetaDataKind("tables");
    Restrict("table_schema=" + database + "\r\ntable_name=" + table);
    metaData->Open();
    metaData->SetMetaDataKind("tables");
    EXPECT_TRUE(metaData->Active());
    metaData->Restrictions().Add("table_type=BASE TABLE");
    EXPECT_FALSE(metaData->Active());
    metaData->Open();
    metaData->SetMetaDataKind("columns");
    EXPECT_FALSE(metaData->Active());
}

TEST_F(MetaDataComponentTest, ClosesWhenTheConnectionDisconnectsOrGoesAway) {
    metaData->SetMetaDataKind("databases");
    metaData->Open();
    EXPECT_FALSE(Column("DATABASE_NAME").empty());
    connection->Connect();
    connection->Disconnect();
    EXPECT_FALSE(metaData->Active());
    metaData->Open();
    connection.reset();
    EXPECT_FALSE(metaData->Active());
    EXPECT_EQ(metaData->Connection(), nullptr);
}

} // namespace
} // namespace components
