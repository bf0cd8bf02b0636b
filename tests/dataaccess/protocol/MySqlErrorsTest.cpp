#include "dataaccess/protocol/uMySqlErrors.h"

#include <gtest/gtest.h>

#include <set>

namespace dataaccess {
namespace {

TEST(MySqlErrorsTest, TableCoversTheClientCodesOnly) {
    EXPECT_EQ(MySqlErrorMessage(2000), "Unknown MySQL error");
    EXPECT_EQ(MySqlErrorMessage(2013), "Lost connection to MySQL server during query");
    EXPECT_EQ(MySqlErrorMessage(2027), "Malformed packet");
    EXPECT_EQ(MySqlErrorMessage(2047), "Invalid connection handle");
    EXPECT_EQ(MySqlErrorMessage(1999), "");
    EXPECT_EQ(MySqlErrorMessage(2048), "");
    EXPECT_EQ(MySqlErrorMessage(1156), "");
    std::set<std::string> texts;
    for (int code = 2000; code <= 2047; ++code)
        texts.insert(MySqlErrorMessage(code));
    EXPECT_EQ(texts.size(), 48u); // no code lost or shifted onto a neighbour's text
}

TEST(MySqlErrorsTest, MessageComposition) {
    struct Case {
        EMySqlException error;
        std::string message;
    };
    const Case cases[] = {
        {EMySqlException(2003, "Socket error on connect. WSAGetLastError return 111($6F)", {"db1", 10061}),
         "Can't connect to MySQL server on 'db1' (10061)\r\nSocket error on connect. WSAGetLastError return "
         "111($6F)"},
        // Without arguments the placeholders stay.
        {EMySqlException(2017, "No such file or directory"),
         "Can't open named pipe to host: %s  pipe: %s (%s)\r\nNo such file or directory"},
        {EMySqlException(2006), "MySQL server has gone away"},
        {EMySqlException(2003, "", {"h", 1}), "Can't connect to MySQL server on 'h' (1)"},
        // Server errors have no table text: CR LF, then the server's own.
        {EMySqlException(1045, "#28000Access denied"), "\r\n#28000Access denied"},
        {EMySqlException(1157), ""},
        {EMySqlException(2005, "", {std::string(70, 'h'), 3}),
         "Unknown MySQL Server Host '" + std::string(64, 'h') + "' (3)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.error.Message(), c.message) << c.error.ErrorCode();
    EXPECT_EQ(cases[0].error.ErrorCode(), 2003);
    EXPECT_STREQ(cases[0].error.ClassName(), "EMySqlException");
}

} // namespace
} // namespace dataaccess
