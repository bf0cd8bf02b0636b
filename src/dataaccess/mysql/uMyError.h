// The error of a failed MySQL call.
#pragma once

#include "dataaccess/store/uDAError.h"

#include <string>

namespace dataaccess {

// A failed MySQL call: error number, the SQLSTATE the client library reported (empty for
// statement-handle errors) and the message.
class EMyError : public EDAError {
public:
    EMyError(int32_t errorCode, std::string sqlState, std::string message);

    const char* ClassName() const override { return "EMyError"; }

    const std::string& SqlState() const { return sqlState_; }
    // For a syntax error (1064): the line number the message ends with; 0 otherwise.
    int32_t ErrorLine() const { return errorLine_; }

    // Server shutdown (1053), can't connect (2002, 2003), server gone (2006), lost during a query (2013).
    bool IsConnectionLostError() const override;
    bool IsDuplicateKeyError() const override;

private:
    std::string sqlState_;
    int32_t errorLine_ = 0;
};

} // namespace dataaccess
