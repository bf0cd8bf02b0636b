// Builds and reads the rows of a record store through one record buffer of its own.
#pragma once

#include "platform/rtl/Variant.h"

namespace dataaccess {

class TData;

// Builds and reads the rows of a record store through one record buffer of its own.
class TDataHelper {
public:
    explicit TDataHelper(TData& data) : data_(data) {}
    ~TDataHelper() { FreeBuffer(); }
    TDataHelper(const TDataHelper&) = delete;
    TDataHelper& operator=(const TDataHelper&) = delete;

    // A fresh buffer for the store's current layout.
    void AllocBuffer();
    void FreeBuffer();
    // Every field null; complex fields get their objects.
    void InitRecord();
    // The store takes the buffer's values; InitRecord starts the next row.
    void AppendRecord();
    // Reads the next row into the buffer; false at the end.
    bool NextRecord();
    // Field numbers are 1-based.
    rtl::Variant GetFieldValue(int fieldNo) const;
    void SetFieldValue(int fieldNo, const rtl::Variant& value);

private:
    TData& data_;
    void* buffer_ = nullptr;
};

} // namespace dataaccess
