// The base error of the data-access layer.
#pragma once

#include "platform/data/DataError.h"

#include <cstdint>
#include <string>

namespace data {
class TComponent;
}

namespace dataaccess {

// The base error of the data-access layer: a database error with the server's or client's error
// number and the component on whose behalf the failing call ran.
class EDAError : public data::EDatabaseError {
public:
    EDAError(int32_t errorCode, std::string message)
        : data::EDatabaseError(std::move(message)), errorCode_(errorCode) {}

    const char* ClassName() const override { return "EDAError"; }

    int32_t ErrorCode() const { return errorCode_; }
    // Not owned; set by whoever raises the error.
    data::TComponent* Component() const { return component_; }
    void SetComponent(data::TComponent* component) { component_ = component; }

    virtual bool IsConnectionLostError() const { return false; }
    virtual bool IsDuplicateKeyError() const { return false; }

private:
    int32_t errorCode_;
    data::TComponent* component_ = nullptr;
};

} // namespace dataaccess
