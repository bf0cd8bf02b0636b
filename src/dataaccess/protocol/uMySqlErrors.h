// Client error codes and messages of the wire protocol, and its exception.
#pragma once

#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

#include <initializer_list>
#include <string>

namespace dataaccess {

// Client error codes the wire protocol raises; texts in MySqlErrorMessage.
inline constexpr int kCrUnknownError = 2000;
inline constexpr int kCrConnHostError = 2003;
inline constexpr int kCrUnknownHost = 2005;
inline constexpr int kCrServerGone = 2006;
inline constexpr int kCrServerLost = 2013;
inline constexpr int kCrNamedPipeWaitError = 2016;
inline constexpr int kCrNamedPipeOpenError = 2017;
inline constexpr int kCrMalformedPacket = 2027;
inline constexpr int kCrLastError = 2047;
// Server-side codes that the packet layer raises itself.
inline constexpr int kErNetPacketsOutOfOrder = 1156;
inline constexpr int kErNetUncompressError = 1157;

// The table text for 2000 to 2047, the empty text for any other code.
std::string MySqlErrorMessage(int code);

// The error every part of the wire protocol raises. The message is the code's table text (formatted
// when arguments are given), then CR LF and the detail when there is one; a server error has no table
// text, so its message is CR LF and the server's own text.
class EMySqlException : public rtl::Exception {
public:
    explicit EMySqlException(int code);
    EMySqlException(int code, const std::string& detail);
    EMySqlException(int code, const std::string& detail, std::initializer_list<rtl::FormatArg> args);

    int ErrorCode() const { return errorCode_; }
    const char* ClassName() const override { return "EMySqlException"; }

private:
    int errorCode_;
};

} // namespace dataaccess
