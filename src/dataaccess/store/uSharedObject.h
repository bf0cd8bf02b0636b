// Reference-counted objects that record slots point to.
#pragma once

#include "platform/rtl/Variant.h"

#include <cstdint>

namespace dataaccess {

// A reference-counted object that record slots point to. It starts with one owner; Release by the
// last owner deletes it.
class TSharedObject {
public:
    TSharedObject() = default;
    TSharedObject(const TSharedObject&) = delete;
    TSharedObject& operator=(const TSharedObject&) = delete;

    void AddRef() { ++refCount_; }
    // A count already at 0 or below fails the assertion "<class>.Free RefCount = <count>".
    void Release();
    int32_t RefCount() const { return refCount_; }
    // The object is its own handle.
    void* GetHandle() { return this; }

    // Called when the owner disconnects from the server.
    virtual void Disconnect() {}
    virtual const char* ClassName() const { return "TSharedObject"; }

protected:
    virtual ~TSharedObject() = default;

    int32_t refCount_ = 1;
};

// Holds the value of a variant field.
class TVariantObject : public TSharedObject {
public:
    TVariantObject() = default;
    explicit TVariantObject(rtl::Variant value) : Value(std::move(value)) {}

    const char* ClassName() const override { return "TVariantObject"; }

    rtl::Variant Value;
};

} // namespace dataaccess
