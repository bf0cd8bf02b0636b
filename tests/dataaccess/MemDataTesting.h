#pragma once

#include "dataaccess/store/uBcd.h"
#include "dataaccess/store/uMemData.h"
#include "dataaccess/store/uSQLTimeStamp.h"
#include "platform/rtl/Variant.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace dataaccess::testing {

// Bytes a field of `type` takes for `length` characters or bytes.
inline uint32_t FieldSize(uint16_t type, uint32_t length) {
    switch (type) {
    case dtString:
    case dtGuid:
        return length + 1;
    case dtWideString:
        return (length + 1) * 2;
    case dtInt8:
        return length ? length : 1; // 1 or 2 bytes
    case dtInt16:
    case dtUInt16:
    case dtBoolean:
        return 2;
    case dtInt32:
    case dtUInt32:
        return 4;
    case dtBytes:
        return length;
    case dtVarBytes:
        return length + kVarBytesLengthSize;
    case dtFMTBCD:
        return kBcdSize;
    case dtSQLTimeStamp:
        return kSQLTimeStampSize;
    case dtBlob:
    case dtMemo:
    case dtWideMemo:
    case dtVariant:
    case dtExtString:
    case dtExtVarBytes:
    case dtExtWideString:
        return kReferenceSize;
    default:
        return 8;
    }
}

struct FieldDef {
    std::string name;
    uint16_t type;
    uint32_t length = 0;
    uint16_t scale = 0;
    bool fixed = false;
    uint8_t role = frData;
};

inline FieldDef Calculated(std::string name, uint16_t type, uint32_t length = 0) {
    return {std::move(name), type, length, 0, false, frCalculated};
}

// A record store whose fields come from defs and whose rows, when it opens, from a fill function.
class TestStore : public TMemData {
public:
    explicit TestStore(std::vector<FieldDef> defs) : defs_(std::move(defs)) { InitFields(); }

    std::function<void(TestStore&)> OnOpen;

protected:
    void InternalInitFields() override {
        for (const FieldDef& def : defs_) {
            auto field = GetFieldDescClass()();
            field->FieldName = def.name;
            field->ServerName = def.name;
            field->TypeCode = def.type;
            field->ValueLength = def.length;
            field->ByteSize = FieldSize(def.type, def.length);
            field->DecimalPlaces = def.scale;
            field->FixedChar = def.fixed;
            field->FieldRole = def.role;
            field->FieldNumber = static_cast<uint16_t>(Fields().Count() + 1);
            Fields().Add(std::move(field));
        }
    }
    void InternalOpen() override {
        if (OnOpen) OnOpen(*this);
    }

private:
    std::vector<FieldDef> defs_;
};

// A record buffer of a store, freed at the end of the scope.
class Buffer {
public:
    explicit Buffer(TData& data) : data_(data), record_(data.NewRecordBuffer()) { data.InitRecord(record_); }
    ~Buffer() { data_.DisposeRecordBuffer(record_); }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    void* get() const { return record_; }
    operator void*() const { return record_; }

private:
    TData& data_;
    void* record_;
};

// Appends a row; a Null value leaves the field null.
inline void AddRow(TMemData& store, const std::vector<rtl::Variant>& values) {
    Buffer buffer(store);
    store.CreateComplexFields(buffer, true);
    for (size_t i = 0; i < values.size(); ++i)
        store.WriteFieldAsVariant(static_cast<int>(i + 1), buffer, values[i]);
    try {
        store.AppendRecord(buffer);
    } catch (...) {
        store.FreeComplexFields(buffer, true); // the row never became the store's
        throw;
    }
}

inline rtl::Variant CurrentValue(TMemData& store, const std::string& field) {
    Buffer buffer(store);
    store.GetRecord(buffer);
    return store.ReadFieldAsVariant(store.FieldDescByName(field).FieldNumber, buffer);
}

// The field's values of the visible rows, first to last.
inline std::vector<rtl::Variant> Column(TMemData& store, const std::string& field) {
    std::vector<rtl::Variant> values;
    Buffer buffer(store);
    const int fieldNo = store.FieldDescByName(field).FieldNumber;
    store.SetToBegin();
    for (store.GetNextRecord(buffer); !store.IsEof(); store.GetNextRecord(buffer))
        values.push_back(store.ReadFieldAsVariant(fieldNo, buffer));
    return values;
}

inline std::vector<int64_t> Ids(TMemData& store, const std::string& field = "ID") {
    std::vector<int64_t> ids;
    for (const rtl::Variant& value : Column(store, field))
        ids.push_back(value.IsNull() ? -1 : value.AsInt64());
    return ids;
}

// Visible rows carry the numbers 1..count in list order; hidden ones carry order 0.
inline void ExpectConsistentNumbers(TMemData& store) {
    int expected = 0;
    for (PItemHeader item = store.FirstItem(); item; item = item->Next) {
        if (store.IsOmitted(item)) {
            EXPECT_EQ(item->Order, 0);
        } else {
            EXPECT_EQ(item->Order + store.RecordNoOffset(), ++expected);
        }
    }
    EXPECT_EQ(store.GetRecordCount(), expected);
}

// Makes the row whose ID field equals `id` current.
inline void GoToId(TMemData& store, int64_t id) {
    Buffer buffer(store);
    const int fieldNo = store.FieldDescByName("ID").FieldNumber;
    store.SetToBegin();
    for (store.GetNextRecord(buffer); !store.IsEof(); store.GetNextRecord(buffer))
        if (store.ReadFieldAsVariant(fieldNo, buffer).AsInt64() == id) return;
    FAIL() << "no row " << id;
}

} // namespace dataaccess::testing
