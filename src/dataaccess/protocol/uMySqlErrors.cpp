#include "dataaccess/protocol/uMySqlErrors.h"

#include <iterator>
#include <span>

namespace dataaccess {

namespace {

// Indexed by code - 2000.
constexpr const char* kClientErrors[] = {
    "Unknown MySQL error",
    "Can't create UNIX socket (%d)",
    "Can't connect to local MySQL server through socket '%-.64s' (%d)",
    "Can't connect to MySQL server on '%s' (%d)",
    "Can't create TCP/IP socket (%d)",
    "Unknown MySQL Server Host '%-.64s' (%d)",
    "MySQL server has gone away",
    "Protocol mismatch. Server Version = %d Client Version = %d",
    "MySQL client run out of memory",
    "Wrong host info",
    "Localhost via UNIX socket",
    "%-.64s via TCP/IP",
    "Error in server handshake",
    "Lost connection to MySQL server during query",
    "Commands out of sync;  You can't run this command now",
    "%-.64s via named pipe",
    "Can't wait for named pipe to host: %s  pipe: %s (%s)",
    "Can't open named pipe to host: %s  pipe: %s (%s)",
    "Can't set state of named pipe to host: %s  pipe: %s (%s)",
    "Can't initialize character set %s (path: %s)",
    "Got packet bigger than 'max_allowed_packet'",
    "Embedded server",
    "Error on SHOW SLAVE STATUS:",
    "Error on SHOW SLAVE HOSTS:",
    "Error connecting to slave:",
    "Error connecting to master:",
    "SSL connection error",
    "Malformed packet",
    "Invalid use of null pointer",
    "Statement not prepared",
    "Not all parameters data supplied",
    "Data truncated",
    "No parameters exists in the statement",
    "Invalid parameter number",
    "Can't send long data for non string or binary data types (parameter: %s)",
    "Using unsupported buffer type: %s  (parameter: %s)",
    "Shared memory (%s)",
    "Can't open shared memory. Request event don't create  (%s)",
    "Can't open shared memory. Answer event don't create  (%s)",
    "Can't open shared memory. File mapping don't create  (%s)",
    "Can't open shared memory. Map of memory don't create  (%s)",
    "Can't open shared memory. File mapping don't create for client (%s)",
    "Can't open shared memory. Map of memory don't create for client (%s)",
    "Can't open shared memory. %s event don't create for client (%s)",
    "Can't open shared memory. Server abandoded and don't sent the answer event (%s)",
    "Can't open shared memory. Can't send the request event to server (%s)",
    "Wrong or unknown protocol",
    "Invalid connection handle",
};
static_assert(std::size(kClientErrors) == kCrLastError - kCrUnknownError + 1);

std::string ComposeMessage(int code, const std::string& detail, std::initializer_list<rtl::FormatArg> args) {
    std::string message = MySqlErrorMessage(code);
    if (args.size() > 0) message = rtl::FormatV(message, std::span(args.begin(), args.size()));
    if (!detail.empty()) message += "\r\n" + detail;
    return message;
}

} // namespace

std::string MySqlErrorMessage(int code) {
    if (code < kCrUnknownError || code > kCrLastError) return {};
    return kClientErrors[code - kCrUnknownError];
}

EMySqlException::EMySqlException(int code) : rtl::Exception(MySqlErrorMessage(code)), errorCode_(code) {}

EMySqlException::EMySqlException(int code, const std::string& detail) : EMySqlException(code, detail, {}) {}

EMySqlException::EMySqlException(int code, const std::string& detail,
                                 std::initializer_list<rtl::FormatArg> args)
    : rtl::Exception(ComposeMessage(code, detail, args)), errorCode_(code) {}

} // namespace dataaccess
