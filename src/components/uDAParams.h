// Statement parameters with blob, wide-text and 64-bit values, and their info for SQL generation.
#pragma once

#include "platform/data/Collection.h"
#include "platform/data/Params.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace rtl {
class TStream;
}

namespace dataaccess {
class TBlob;
class TSharedObject;
} // namespace dataaccess

namespace data {
class TField;
}

namespace components {

// A statement parameter whose blob and memo values live in a shared blob, with wide strings, 64-bit
// integers, a sub-type and the national-character flag. A blob value keeps its own null flag: an
// empty blob that was given a value is an empty string, not NULL.
class TDAParam : public data::TParam {
public:
    explicit TDAParam(data::TCollection* params);
    ~TDAParam() override;

    // ---- Value object
    dataaccess::TSharedObject* GetValueObject() const { return valueObject_; }
    // Shares `object` (one more reference); the raw value becomes the marker "Object".
    virtual void SetValueObject(dataaccess::TSharedObject* object);
    virtual bool IsBlobDataType(data::TFieldType type) const {
        return type == data::ftBlob || type == data::ftMemo;
    }
    virtual bool IsObjectDataType(data::TFieldType type) const { return IsBlobDataType(type); }
    bool IsObject() const { return IsObjectDataType(DataType()); }

    // ---- Type and size
    // A blob type gets a new empty blob; leaving one releases it. The sub-type goes back to 0.
    void SetDataType(data::TFieldType type) override;
    // Characters or bytes of a string or byte value; 0 takes the value's length.
    int Size() const { return size_; }
    void SetSize(int value) { size_ = value; }
    uint16_t SubType() const { return subType_; }
    void SetSubType(uint16_t value) { subType_ = value; }
    bool NationalFlag() const { return nationalFlag_; }
    void SetNationalFlag(bool value) { nationalFlag_ = value; }

    // ---- Values
    rtl::Variant GetValue() const override;
    void SetValue(const rtl::Variant& value) override;
    bool GetIsNull() const override;
    void Clear() override;
    std::string GetAsString() const override;
    void SetAsString(const std::string& value) override;
    std::u16string AsWideString() const;
    void SetAsWideString(const std::u16string& value);
    int64_t AsLargeInt() const;
    void SetAsLargeInt(int64_t value);
    // Bytes carried in an 8-bit string.
    void SetAsBlob(const std::string& bytes);
    void SetAsMemo(const std::string& text);
    void SetText(const std::string& value) override;
    // The blob of a blob or memo parameter (an untyped parameter becomes ftBlob); null otherwise.
    dataaccess::TBlob* GetBlobObject();
    void SetBlobObject(dataaccess::TBlob* blob);
    dataaccess::TBlob* GetMemoObject();
    void SetMemoObject(dataaccess::TBlob* blob);
    // Null state of a blob value read back from the server.
    void SetObjectNull(bool value) { objectNull_ = value; }

    // ---- Copying
    void Assign(const data::TPersistent* source) override;
    // From a framework parameter: type, value (a TDAParam's blob is shared by Assign), name, direction.
    void AssignParam(const data::TParam* param);
    void AssignField(const data::TField* field);
    // Fixed-length strings become ftFixedChar (wide: ftFixedWideChar); a memo longer than 255
    // characters becomes ftString.
    virtual void AssignFieldValue(const data::TField* field, const rtl::Variant& value);
    // Only for ftBlob, ftMemo, ftOraBlob and ftOraClob: "Data type is not supported" otherwise.
    virtual void LoadFromStream(rtl::TStream& stream, data::TFieldType type);

protected:
    void AssignTo(data::TPersistent* dest) const override;
    virtual void CreateObject();
    virtual void FreeObject();

private:
    dataaccess::TBlob* Blob() const;
    void SetBlobText(const std::string& text);

    int size_ = 0;
    uint16_t subType_ = 0;
    dataaccess::TSharedObject* valueObject_ = nullptr;
    bool objectNull_ = true;
    bool nationalFlag_ = false;
};

// The parameters of a command.
class TDAParams : public data::TParams {
public:
    explicit TDAParams(data::TPersistent* owner = nullptr);

    TDAParam* Items(int index) const { return static_cast<TDAParam*>(TParams::Items(index)); }
    TDAParam* operator[](int index) const { return Items(index); }
    TDAParam* FindParam(std::string_view name) const {
        return static_cast<TDAParam*>(TParams::FindParam(name));
    }
    TDAParam* ParamByName(std::string_view name) const {
        return static_cast<TDAParam*>(TParams::ParamByName(name));
    }
    // A blob or memo parameter gets its blob.
    TDAParam* CreateParam(data::TFieldType dataType, const std::string& name, data::TParamType paramType);
    // Off while a batch fills parameters: changes are not passed on.
    bool NotifyUpdates() const { return notifyUpdates_; }
    void SetNotifyUpdates(bool value) { notifyUpdates_ = value; }
    // Tells every value object that the connection goes away.
    void NotifyDisconnect();

protected:
    void Update(data::TCollectionItem* item) override;

private:
    bool notifyUpdates_ = true;
};

// Which field and which of its values (old or new) a parameter of a generated statement stands for.
class TDAParamInfo : public data::TCollectionItem {
public:
    explicit TDAParamInfo(data::TCollection* collection) : TCollectionItem(collection) {}

    data::TField* Field = nullptr;
    bool Old = false;
    // The record's index inside a batched statement; -1 outside a batch.
    int RecIndex = -1;
};

class TDAParamsInfo : public data::TCollection {
public:
    explicit TDAParamsInfo(TItemClass itemClass = &ItemClassOf<TDAParamInfo>) : TCollection(itemClass) {}
    TDAParamInfo* Items(int index) const { return static_cast<TDAParamInfo*>(TCollection::Items(index)); }
};

// Sets the raw value to NULL or to an empty string, leaving the type alone.
void SetNullOrEmptyValue(data::TParam* param, bool isNull);
// A parameter type whose value is text of a fixed or varying length, 8-bit or wide (not a memo).
bool IsTextParamType(data::TFieldType type);

} // namespace components
