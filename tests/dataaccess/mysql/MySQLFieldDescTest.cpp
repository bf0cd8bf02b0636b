#include "dataaccess/DirectSwitch.h"
#include "dataaccess/mysql/uMyHelpers.h"
#include "dataaccess/mysql/uMySQLConnection.h"
#include "dataaccess/mysql/uMySQLFieldDesc.h"
#include "dataaccess/mysql/uMySQLRecordset.h"
#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/store/uDataTypes.h"
#include "dataaccess/TestConnection.h"
#include "platform/rtl/Utf.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mariadb/mysql.h>

#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace dataaccess {
namespace {

// ---- Decoders

std::u16string Decode(std::string_view text) {
    std::u16string out(text.size() + 1, u'?');
    const int bytes = DecodeUtf8(text, out.data(), static_cast<int>(out.size() * 2), false);
    out.resize(static_cast<size_t>(bytes) / 2);
    return out;
}

TEST(MySQLFieldDescTest, DecodeUtf8) {
    EXPECT_EQ(Decode("abc"), u"abc");
    EXPECT_EQ(Decode("\xD0\x9F\xD1\x80\xD0\xB8"), u"\u041F\u0440\u0438");
    EXPECT_EQ(Decode("\xE2\x82\xAC"), u"\u20AC");
    EXPECT_EQ(Decode("a\xF0\x9F\x98\x80z"), u"a\xD83D\xDE00z"); // a four-byte character: a surrogate pair

    const struct {
        const char* bytes;
        const char* error;
    } bad[] = {
        {"\xE2\x82", "incomplete multibyte char"},
        {"\xF0\x9F\x98", "incomplete multibyte char"},
        {"\xE2\x28\xAC", "malformed trail byte or out of range char"},
        {"\xE2\x82\x28", "malformed trail byte"},
        {"\xC0\x80", "malformed trail byte or out of range char"},     // overlong
        {"\xE0\x80\x80", "malformed trail byte or out of range char"}, // overlong
        {"\xED\xA0\x80", "malformed trail byte or out of range char"}, // a surrogate
        {"\x80", "malformed trail byte or out of range char"},
        {"\xF5\x80\x80\x80", "malformed trail byte or out of range char"},
    };
    for (const auto& c : bad)
        EXPECT_EQ(testsupport::ErrorMessageOf([&] { Decode(c.bytes); }), c.error) << c.bytes;

    // The terminator takes the last unit's place when the room runs out.
    char16_t room[3] = {u'x', u'x', u'x'};
    EXPECT_EQ(DecodeUtf8("abcd", room, 6, true), 6);
    EXPECT_EQ(std::u16string(room, 3), std::u16string(u"ab\0", 3));
    EXPECT_EQ(DecodeUtf8("a", room, 6, true), 4);
    EXPECT_EQ(room[0], u'a');
    EXPECT_EQ(room[1], 0);
}

TEST(MySQLFieldDescTest, ParseTextFloat) {
    EXPECT_EQ(ParseTextFloat("1e3"), 1000.0);
    EXPECT_EQ(ParseTextFloat("-.5"), -0.5);
    EXPECT_EQ(ParseTextFloat("+2.5E+2"), 250.0);
    EXPECT_EQ(ParseTextFloat("12345678901234567890"), 12345678901234567890.0);
    EXPECT_DOUBLE_EQ(ParseTextFloat("0.1"), 0.1);
    EXPECT_EQ(testsupport::ErrorMessageOf([] { ParseTextFloat("1,5"); }),
              "'1,5' is not a valid floating point value");
    EXPECT_EQ(testsupport::ErrorMessageOf([] { ParseTextFloat("-"); }),
              "'-' is not a valid floating point value");
    EXPECT_EQ(testsupport::ErrorMessageOf([] { ParseTextFloat("1e+"); }), "'+' is not a valid integer value");
    EXPECT_EQ(testsupport::ErrorMessageOf([] { ParseTextFloat("2e1x"); }),
              "'1x' is not a valid integer value");
}

TEST(MySQLFieldDescTest, ParseTextDateTime) {
    const struct {
        int type;
        const char* text;
        uint32_t length;
        rtl::TDateTime expected;
    } cases[] = {
        {MYSQL_TYPE_DATE, "2024-02-29", 10, rtl::EncodeDate(2024, 2, 29)},
        {MYSQL_TYPE_DATETIME, "2005-01-02 03:04:05", 19,
         rtl::EncodeDate(2005, 1, 2) + rtl::EncodeTime(3, 4, 5, 0)},
        {MYSQL_TYPE_DATETIME, "2005-01-02 03:04:05.250000", 26,
         rtl::EncodeDate(2005, 1, 2) + rtl::EncodeTime(3, 4, 5, 250)},
        {MYSQL_TYPE_TIMESTAMP, "20050102030405", 14,
         rtl::EncodeDate(2005, 1, 2) + rtl::EncodeTime(3, 4, 5, 0)},
        {MYSQL_TYPE_TIMESTAMP, "69", 2, rtl::EncodeDate(2069, 1, 1)},
        {MYSQL_TYPE_TIMESTAMP, "70", 2, rtl::EncodeDate(1970, 1, 1)},
        {MYSQL_TYPE_TIMESTAMP, "050102", 6, rtl::EncodeDate(2005, 1, 2)},
        // TIMESTAMP(n) of current servers: the fraction after the seconds.
        {MYSQL_TYPE_TIMESTAMP, "2024-05-06 07:08:09.123", 23,
         rtl::EncodeDate(2024, 5, 6) + rtl::EncodeTime(7, 8, 9, 123)},
        {MYSQL_TYPE_TIMESTAMP, "2024-05-06 07:08:09", 19,
         rtl::EncodeDate(2024, 5, 6) + rtl::EncodeTime(7, 8, 9, 0)},
        {MYSQL_TYPE_TIME, "-01:30:00", 10, -0.0625},
        {MYSQL_TYPE_TIME, "100:00:00", 10, 100.0 / 24},
        {MYSQL_TYPE_DATETIME, "1899-12-29 06:00:00", 19, -1.25},
    };
    for (const auto& c : cases) {
        rtl::TDateTime value = 0;
        ASSERT_TRUE(ParseTextDateTime(c.type, c.text, c.length, "f", value)) << c.text;
        EXPECT_DOUBLE_EQ(value, c.expected) << c.text;
    }
    rtl::TDateTime value;
    EXPECT_FALSE(ParseTextDateTime(MYSQL_TYPE_DATE, "0000-00-00", 10, "f", value));
    EXPECT_FALSE(ParseTextDateTime(MYSQL_TYPE_DATETIME, "2024-02-30 00:00:00", 19, "f", value));
    EXPECT_EQ(testsupport::ErrorMessageOf(
                  [&] { ParseTextDateTime(MYSQL_TYPE_TIME, "123456:00:00", 10, "t", value); }),
              "Wrong time format. Field t, value 123456:00:00");
    EXPECT_THAT(
        testsupport::ErrorMessageOf([&] { ParseTextDateTime(MYSQL_TYPE_TIMESTAMP, "1", 1, "f", value); }),
        ::testing::HasSubstr("Invalid FIELD_TYPE_TIMESTAMP Field.Length (1)"));
}

// ---- Column types against a real table

using testing::ConnectTestConnection;

class MySQLColumnTypesTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings_ = VELTRANE_REQUIRE_SERVER();
        raw_ = std::make_unique<testsupport::RawSession>(settings_, settings_.database);
        // Tests run in parallel: a table of each test's own.
        table_ = std::string("coltypes_") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        raw_->Execute("DROP TABLE IF EXISTS " + table_);
        raw_->Execute(
            "CREATE TABLE " + table_ +
            " (flag TINYINT(1), small SMALLINT UNSIGNED, mid INT UNSIGNED, big BIGINT, "
            "ubig BIGINT UNSIGNED, money DECIMAL(10,2), d DATE, dt DATETIME(6), ts TIMESTAMP(3) NULL, "
            "t TIME, y YEAR, name VARCHAR(10), memo TEXT, binmemo TEXT COLLATE utf8mb4_bin, doc JSON, "
            "raw BLOB, e ENUM('a','b'), b BIT(1), nothing INT) CHARSET utf8mb4");
        raw_->Execute(
            "INSERT INTO " + table_ +
            " VALUES (1, 65535, 4294967295, -9223372036854775808, 18446744073709551615, "
            "12345678.91, '2024-02-29', '2024-02-29 10:11:12.123456', '2024-05-06 07:08:09.123', "
            "'-01:30:00', "
            "2024, '\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82', 'text', 'bin text', '{\"k\": 1}', "
            "x'00FF', 'b', b'1', NULL)");
    }
    void TearDown() override {
        if (raw_) raw_->Execute("DROP TABLE IF EXISTS " + table_);
    }

    // Opens the table with the options and gives each column's internal type and value.
    struct Column {
        int type;
        rtl::Variant value;
    };
    std::map<std::string, Column> Read(bool useUnicode, bool enableBoolean, bool enableBCD) {
        auto connection = ConnectTestConnection(settings_, useUnicode);
        TMySQLRecordset rs;
        rs.SetConnection(connection.get());
        rs.SetProp(prCreateConnection, false);
        rs.SetProp(prEnableBoolean, enableBoolean);
        rs.MyCommand().SetProp(prEnableBCD, enableBCD);
        rs.SetSQL("SELECT * FROM " + table_);
        rs.Open();
        std::map<std::string, Column> columns;
        void* record = TBlockManager::ItemRecord(rs.FirstItem());
        for (int i = 1; i <= rs.FieldCount(); ++i) {
            const TFieldDesc& field = rs.Fields().Items(i - 1);
            columns[field.FieldName] = {field.TypeCode, rs.IsFieldNull(i, record)
                                                            ? rtl::Variant::Null()
                                                            : rs.ReadFieldAsVariant(i, record)};
        }
        rs.Close();
        return columns;
    }

    testsupport::ServerSettings settings_;
    std::unique_ptr<testsupport::RawSession> raw_;
    std::string table_;
};

TEST_F(MySQLColumnTypesTest, TypesAndValues) {
    auto c = Read(false, true, false);
    const struct {
        const char* name;
        int type;
        rtl::Variant value;
    } expected[] = {
        {"flag", dtBoolean, true},
        {"small", dtUInt16, 65535},
        {"mid", dtUInt32, int64_t{4294967295}},
        {"big", dtInt64, std::numeric_limits<int64_t>::min()},
        {"ubig", dtString, std::string("18446744073709551615")},
        {"money", dtFloat, 12345678.91},
        {"d", dtDate, rtl::Variant::FromDateTime(rtl::EncodeDate(2024, 2, 29))},
        // DATETIME(6) keeps milliseconds only.
        {"dt", dtDateTime,
         rtl::Variant::FromDateTime(rtl::EncodeDate(2024, 2, 29) + rtl::EncodeTime(10, 11, 12, 123))},
        {"ts", dtDateTime,
         rtl::Variant::FromDateTime(rtl::EncodeDate(2024, 5, 6) + rtl::EncodeTime(7, 8, 9, 123))},
        {"y", dtUInt16, 2024},
        {"name", dtString, std::string("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82")},
        {"memo", dtMemo, std::string("text")},
        {"binmemo", dtMemo, std::string("bin text")},
        {"doc", dtMemo, std::string("{\"k\": 1}")},
        {"raw", dtBlob, std::string("\x00\xFF", 2)},
        {"e", dtString, std::string("b")},
        {"b", dtInt64, 1},
        {"nothing", dtInt32, rtl::Variant::Null()},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        ASSERT_TRUE(c.count(e.name));
        EXPECT_EQ(c[e.name].type, e.type);
        EXPECT_EQ(c[e.name].value, e.value) << c[e.name].value.AsString();
    }
    EXPECT_EQ(c["t"].type, dtTime);
    EXPECT_DOUBLE_EQ(c["t"].value.AsDouble(), -0.0625);

    // Options that change the type.
    auto other = Read(false, false, true);
    EXPECT_EQ(other["flag"].type, dtInt8);
    EXPECT_EQ(other["flag"].value, rtl::Variant(1));
    EXPECT_EQ(other["money"].type, dtBCD);
    EXPECT_DOUBLE_EQ(other["money"].value.AsDouble(), 12345678.91);

    // Unicode: wide strings and memos, the same text.
    auto wide = Read(true, true, false);
    EXPECT_EQ(wide["name"].type, dtWideString);
    EXPECT_EQ(wide["name"].value.AsWideString(), u"\u041F\u0440\u0438\u0432\u0435\u0442");
    EXPECT_EQ(wide["memo"].type, dtWideMemo);
    EXPECT_EQ(wide["doc"].type, dtWideMemo);
    EXPECT_EQ(wide["raw"].type, dtBlob);
}

TEST_F(MySQLColumnTypesTest, UnicodeLengthsCountCharacters) {
    auto connection = ConnectTestConnection(settings_, true);
    TMySQLRecordset rs;
    rs.SetConnection(connection.get());
    rs.SetProp(prCreateConnection, false);
    rs.SetSQL("SELECT name FROM " + table_);
    rs.InitFields();
    EXPECT_EQ(rs.FieldDescByName("name").ValueLength, 10u);
    EXPECT_EQ(rs.FieldDescByName("name").ByteSize, 22u);
}

TEST_F(MySQLColumnTypesTest, ZeroDates) {
    raw_->Execute("DROP TABLE IF EXISTS coltypes_zero; CREATE TABLE coltypes_zero (d DATE, dt DATETIME)");
    raw_->Execute(
        "SET SESSION sql_mode = ''; INSERT INTO coltypes_zero VALUES ('0000-00-00', '0000-00-00 00:00:00')");
    auto connection = ConnectTestConnection(settings_, false);
    for (bool nullForZero : {true, false}) {
        SCOPED_TRACE(nullForZero);
        TMySQLRecordset rs;
        rs.SetConnection(connection.get());
        rs.SetProp(prCreateConnection, false);
        rs.SetProp(prNullForZeroDate, nullForZero);
        rs.SetSQL("SELECT d, dt FROM coltypes_zero");
        rs.Open();
        void* record = TBlockManager::ItemRecord(rs.FirstItem());
        for (int i = 1; i <= 2; ++i) {
            EXPECT_EQ(rs.IsFieldNull(i, record), nullForZero);
            if (!nullForZero) {
                EXPECT_EQ(rs.ReadFieldAsVariant(i, record).AsDateTime(), kMyZeroDate);
            }
        }
        rs.Close();
    }
    raw_->Execute("DROP TABLE coltypes_zero");
}

TEST_F(MySQLColumnTypesTest, TablesOfTheColumns) {
    auto connection = ConnectTestConnection(settings_, false);
    TMySQLRecordset rs;
    rs.SetConnection(connection.get());
    rs.SetProp(prCreateConnection, false);
    rs.SetSQL("SELECT u.small, u.name FROM " + table_ + " AS u");
    rs.Open();
    ASSERT_EQ(rs.TablesInfo().Count(), 1);
    const TCRTableInfo* table = rs.TablesInfo().Items(0);
    EXPECT_EQ(table->TableName(), table_);
    EXPECT_EQ(table->TableAlias(), "u");
    const auto& small = static_cast<const TMySQLFieldDesc&>(rs.FieldDescByName("small"));
    EXPECT_EQ(small.TableInfo(), table);
    EXPECT_EQ(small.ServerName, "small");
    EXPECT_TRUE(small.IsUnsigned);
    EXPECT_EQ(small.MySQLType, MYSQL_TYPE_SHORT);
    rs.Close();
}

// Binary row values in the text form of text rows, as the wire carries them (little-endian).
TEST(MySQLFieldDescTest, BinaryValueAsText) {
    const struct {
        uint8_t type;
        bool isUnsigned;
        std::vector<uint8_t> bytes;
        const char* expected;
    } cases[] = {
        {MYSQL_TYPE_TINY, false, {0xFF}, "-1"},
        {MYSQL_TYPE_TINY, true, {0xFF}, "255"},
        {MYSQL_TYPE_SHORT, false, {0x00, 0x80}, "-32768"},
        {MYSQL_TYPE_YEAR, false, {0xE8, 0x07}, "2024"},
        {MYSQL_TYPE_LONG, true, {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
        {MYSQL_TYPE_INT24, false, {0xFE, 0xFF, 0xFF, 0xFF}, "-2"},
        {MYSQL_TYPE_LONGLONG, true, std::vector<uint8_t>(8, 0xFF), "18446744073709551615"},
        {MYSQL_TYPE_LONGLONG, false, {42, 0, 0, 0, 0, 0, 0, 0}, "42"},
        {MYSQL_TYPE_FLOAT, false, {0xCD, 0xCC, 0x8C, 0x3F}, "1.1"},
        {MYSQL_TYPE_DOUBLE, false, {0, 0, 0, 0, 0, 0, 0x04, 0xC0}, "-2.5"},
        {MYSQL_TYPE_DATE, false, {0xE8, 0x07, 2, 29}, "2024-02-29"},
        {MYSQL_TYPE_DATE, false, {}, "0000-00-00"},
        {MYSQL_TYPE_DATETIME, false, {0xE8, 0x07, 1, 2, 3, 4, 5}, "2024-01-02 03:04:05"},
        {MYSQL_TYPE_DATETIME, false, {0xE8, 0x07, 1, 2}, "2024-01-02 00:00:00"},
        {MYSQL_TYPE_TIMESTAMP,
         false,
         {0xE8, 0x07, 1, 2, 3, 4, 5, 0x40, 0xE2, 0x01, 0},
         "2024-01-02 03:04:05.123456"},
        {MYSQL_TYPE_TIME, false, {1, 1, 0, 0, 0, 1, 30, 0}, "-25:30:00"},
        {MYSQL_TYPE_TIME, false, {0, 0, 0, 0, 0, 0, 0, 1, 0x20, 0xA1, 0x07, 0}, "00:00:01.500000"},
        {MYSQL_TYPE_TIME, false, {}, "00:00:00"},
        {MYSQL_TYPE_NEWDECIMAL, false, {'-', '1', '.', '5'}, "-1.5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BinaryValueAsText(c.type, c.isUnsigned, c.bytes.data(), c.bytes.size()), c.expected)
            << int{c.type} << " " << c.expected;
}

// The record set takes OptimizedBigInt and DecimalPrecision from its connection.
TEST_F(MySQLColumnTypesTest, ConnectionOptionsChooseTheTypes) {
    for (const bool on : {false, true}) {
        auto connection = ConnectTestConnection(settings_, false);
        connection->SetProp(prOptimizedBigInt, on);
        connection->SetProp(prDecimalPrecision, on);
        rtl::Variant value;
        ASSERT_TRUE(connection->GetProp(prOptimizedBigInt, value));
        EXPECT_EQ(value.AsBoolean(), on);
        ASSERT_TRUE(connection->GetProp(prDecimalPrecision, value));
        EXPECT_EQ(value.AsBoolean(), on);
        TMySQLRecordset rs;
        rs.SetConnection(connection.get());
        rs.SetProp(prCreateConnection, false);
        rs.MyCommand().SetProp(prEnableBCD, true);
        rs.SetSQL("SELECT 5000000000 AS narrow_int, big, CAST(1 AS DECIMAL(20,2)) AS wide_dec, money FROM " +
                  table_);
        rs.Open();
        EXPECT_EQ(rs.Fields().Items(0).TypeCode, on ? dtInt32 : dtInt64) << on;
        EXPECT_EQ(rs.Fields().Items(1).TypeCode, dtInt64) << on;
        EXPECT_EQ(rs.Fields().Items(2).TypeCode, on ? dtFloat : dtBCD) << on;
        EXPECT_EQ(rs.Fields().Items(3).TypeCode, dtBCD) << on;
        rs.Close();
    }
}

// Required: NOT NULL without a default the server fills in; read-only: the NULL type.
TEST_F(MySQLColumnTypesTest, FieldFlagsComeFromTheColumnFlags) {
    const std::string table = table_ + "_flags";
    raw_->Execute("DROP TABLE IF EXISTS " + table);
    raw_->Execute("CREATE TABLE " + table +
                  " (id INT AUTO_INCREMENT PRIMARY KEY, must INT NOT NULL, defaulted INT NOT NULL DEFAULT 0, "
                  "optional INT, stamp TIMESTAMP NOT NULL)");
    auto connection = ConnectTestConnection(settings_, false);
    TMySQLRecordset rs;
    rs.SetConnection(connection.get());
    rs.SetProp(prCreateConnection, false);
    rs.SetSQL("SELECT *, NULL AS nothing FROM " + table);
    rs.Open();
    std::map<std::string, std::pair<bool, bool>> flags; // required, read-only
    for (int i = 0; i < rs.FieldCount(); ++i) {
        const TFieldDesc& field = rs.Fields().Items(i);
        flags[field.FieldName] = {field.Required, field.ReadOnly};
        EXPECT_FALSE(field.Hidden);
    }
    rs.Close();
    raw_->Execute("DROP TABLE " + table);
    const std::map<std::string, std::pair<bool, bool>> expected = {
        {"id", {false, false}},       {"must", {true, false}},   {"defaulted", {false, false}},
        {"optional", {false, false}}, {"stamp", {false, false}}, {"nothing", {false, true}}};
    EXPECT_EQ(flags, expected);
}

} // namespace
} // namespace dataaccess
