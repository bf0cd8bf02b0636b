#include "dataaccess/mysql/uMyError.h"

#include <cctype>
#include <charconv>

namespace dataaccess {

namespace {

constexpr int32_t kErParseError = 1064;

// The last run of digits in the text, or 0.
int32_t LastNumber(const std::string& text) {
    size_t end = text.size();
    while (end > 0 && !std::isdigit(static_cast<unsigned char>(text[end - 1])))
        --end;
    size_t start = end;
    while (start > 0 && std::isdigit(static_cast<unsigned char>(text[start - 1])))
        --start;
    int32_t number = 0;
    if (std::from_chars(text.data() + start, text.data() + end, number).ec != std::errc()) return 0;
    return number;
}

} // namespace

EMyError::EMyError(int32_t errorCode, std::string sqlState, std::string message)
    : EDAError(errorCode, std::move(message)), sqlState_(std::move(sqlState)) {
    if (errorCode == kErParseError) errorLine_ = LastNumber(Message());
}

bool EMyError::IsConnectionLostError() const {
    switch (ErrorCode()) {
    case 1053:
    case 2002: // what the client library reports for a refused TCP connection
    case 2003:
    case 2006:
    case 2013:
        return true;
    default:
        return false;
    }
}

bool EMyError::IsDuplicateKeyError() const {
    return ErrorCode() == 1062;
}

} // namespace dataaccess
