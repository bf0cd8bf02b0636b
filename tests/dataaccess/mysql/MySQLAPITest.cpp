#include "dataaccess/mysql/uMySQLAPI.h"
#include "dataaccess/store/uDataTypes.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mariadb/mysql.h>

#include <utility>
#include <vector>

namespace dataaccess {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Pair;

// An API whose client version and options are scripted.
class TFakeMySQLAPI : public TMySQLAPI {
public:
    std::string version = "3.3.20";
    std::vector<std::pair<int, unsigned int>> options;

    std::string mysql_get_client_info() override { return version; }
    int mysql_options(PMYSQL_CON, int option, const void* arg) override {
        options.emplace_back(option, *static_cast<const unsigned int*>(arg));
        return 0;
    }
};

TEST(MySQLAPITest, InitAcceptsTheLibrariesWithThePublishedLayout) {
    for (const char* version : {"3.3.20", "3.1.0", "10.11.19", "11.4.2"}) {
        SCOPED_TRACE(version);
        TFakeMySQLAPI api;
        api.version = version;
        api.Init();
        EXPECT_EQ(api.ClientVersion(), version);
        EXPECT_EQ(api.Layout(), mlNative);
        EXPECT_TRUE(api.IsProtocol41());
    }
}

TEST(MySQLAPITest, InitRejectsOtherClientVersions) {
    for (const char* version : {"2.3.0", "5.0.45", "6.0.0", "4.1.22"}) {
        SCOPED_TRACE(version);
        TFakeMySQLAPI api;
        api.version = version;
        try {
            api.Init();
            ADD_FAILURE() << "accepted";
        } catch (const rtl::Exception& e) {
            EXPECT_EQ(e.Message(), "Invalid client version");
        }
    }
    TFakeMySQLAPI api;
    api.version = "abc";
    EXPECT_THROW(api.Init(), rtl::EConversionError);
}

TEST(MySQLAPITest, ColumnsCannotBeReadBeforeTheLayoutIsKnown) {
    TFakeMySQLAPI api;
    TMYSQL_FIELD field;
    EXPECT_THROW(
        {
            try {
                api.ReadFieldDesc(nullptr, 0, false, field);
            } catch (const rtl::Exception& e) {
                EXPECT_EQ(e.Message(), "Invalid client version");
                throw;
            }
        },
        rtl::Exception);
}

TEST(MySQLAPITest, OperationsWithoutAnImplementationRaiseAbstractError) {
    TFakeMySQLAPI api;
    try {
        api.mysql_ping(nullptr);
        FAIL() << "no error";
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "Abstract Error");
    }
    EXPECT_THROW(api.StmtExecuteParams(nullptr, {}, false), rtl::Exception);
}

TEST(MySQLAPITest, TimeoutsOfZeroMeanOneYear) {
    TFakeMySQLAPI api;
    api.Init();
    SetMySQLTimeouts(api, nullptr, 0);
    SetMySQLTimeouts(api, nullptr, 20);
    EXPECT_THAT(api.options,
                ElementsAre(Pair(MYSQL_OPT_READ_TIMEOUT, 31536000u), Pair(MYSQL_OPT_WRITE_TIMEOUT, 31536000u),
                            Pair(MYSQL_OPT_READ_TIMEOUT, 20u), Pair(MYSQL_OPT_WRITE_TIMEOUT, 20u)));
}

TEST(MySQLAPITest, ParseServerVersion) {
    struct Case {
        const char* text;
        int major, minor, release;
    };
    for (const Case& c : {Case{"5.0.45-community-nt", 5, 0, 45}, Case{"4.1.0-alpha", 4, 1, 0},
                          Case{"10.11.19-MariaDB-0+deb12u1", 10, 11, 19}, Case{"3.3.20", 3, 3, 20}}) {
        SCOPED_TRACE(c.text);
        const TMySqlVersion v = ParseServerVersion(c.text);
        EXPECT_EQ(v.Major, c.major);
        EXPECT_EQ(v.Minor, c.minor);
        EXPECT_EQ(v.Release, c.release);
    }
    for (const char* bad : {"abc", "5", "5.x.1", "5.1"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(ParseServerVersion(bad), rtl::EConversionError);
    }
}

TEST(MySQLAPITest, InternalTypeToMySqlType) {
    const std::vector<std::pair<int, int>> table = {
        {dtInt8, MYSQL_TYPE_TINY},
        {dtBoolean, MYSQL_TYPE_TINY},
        {dtInt16, MYSQL_TYPE_SHORT},
        {dtInt32, MYSQL_TYPE_LONG},
        {dtUInt16, MYSQL_TYPE_LONG},
        {dtUInt32, MYSQL_TYPE_LONG},
        {dtFloat, MYSQL_TYPE_DOUBLE},
        {dtDate, MYSQL_TYPE_DATE},
        {dtTime, MYSQL_TYPE_TIME},
        {dtDateTime, MYSQL_TYPE_DATETIME},
        {dtInt64, MYSQL_TYPE_LONGLONG},
        {dtUnknown, MYSQL_TYPE_VAR_STRING},
        {dtString, MYSQL_TYPE_VAR_STRING},
        {dtBlob, MYSQL_TYPE_VAR_STRING},
        {dtMemo, MYSQL_TYPE_VAR_STRING},
        {dtExtString, MYSQL_TYPE_VAR_STRING},
        {dtBytes, MYSQL_TYPE_VAR_STRING},
        {dtVarBytes, MYSQL_TYPE_VAR_STRING},
        {dtExtVarBytes, MYSQL_TYPE_VAR_STRING},
        {dtWideString, MYSQL_TYPE_VAR_STRING},
        {dtExtWideString, MYSQL_TYPE_VAR_STRING},
        {dtBCD, MYSQL_TYPE_VAR_STRING},
        {dtFMTBCD, MYSQL_TYPE_VAR_STRING},
        {dtWideMemo, MYSQL_TYPE_VAR_STRING},
    };
    for (const auto& [internal, mysql] : table)
        EXPECT_EQ(InternalTypeToMySqlType(internal), mysql) << internal;
    for (const int unknown : {12, 15, 19, 29, 31, 99}) {
        try {
            InternalTypeToMySqlType(unknown);
            ADD_FAILURE() << unknown << " mapped";
        } catch (const rtl::EAssertionFailed& e) {
            EXPECT_THAT(e.Message(),
                        HasSubstr(rtl::Format("Invalid internal field type $%X (%d)", unknown, unknown)));
        }
    }
}

TEST(MySQLAPITest, DateTimeToMySqlTime) {
    const MYSQL_TIME t = DateTimeToMySqlTime(rtl::EncodeDate(2024, 2, 29) + rtl::EncodeTime(13, 14, 15, 678));
    EXPECT_EQ(t.year, 2024u);
    EXPECT_EQ(t.month, 2u);
    EXPECT_EQ(t.day, 29u);
    EXPECT_EQ(t.hour, 13u);
    EXPECT_EQ(t.minute, 14u);
    EXPECT_EQ(t.second, 15u);
    EXPECT_EQ(t.second_part, 678000u);
    EXPECT_EQ(t.neg, 0);
    EXPECT_EQ(t.time_type, MYSQL_TIMESTAMP_DATETIME);
}

// Rows of the client library are arrays of column pointers, none for NULL.
TEST(MySQLAPITest, RowAccessorsReadColumnPointers) {
    TFakeMySQLAPI api;
    char first[] = "hello";
    char* columns[] = {first, nullptr};
    const auto row = reinterpret_cast<PMYSQL_ROW>(columns);
    EXPECT_FALSE(api.FieldIsNull(row, 0));
    EXPECT_TRUE(api.FieldIsNull(row, 1));

    std::string text;
    api.GetFieldString(row, 0, text);
    EXPECT_EQ(text, "hello");
    char buffer[8] = "xxxxxxx";
    api.CopyFieldStrAt(row, 0, buffer, 1, 3);
    EXPECT_STREQ(buffer, "xhel");
    api.CopyFieldValueAt(row, 0, buffer, 4, 2);
    EXPECT_EQ(std::string(buffer, 7), std::string("xhelhex", 7));
    int offset = -1;
    EXPECT_EQ(api.GetFieldBufOffset(row, 0, offset, 5), first);
    EXPECT_EQ(offset, 0);
}

} // namespace
} // namespace dataaccess
