// The field definitions of a data set, from which default fields are made.
#pragma once

#include "platform/data/Collection.h"
#include "platform/data/DBTypes.h"

#include <string>
#include <string_view>

namespace data {

class TDataSet;
class TField;
class TFieldDefs;

// The description of one column of a data set, from which a default field is made.
class TFieldDef : public TCollectionItem {
public:
    explicit TFieldDef(TCollection* fieldDefs);

    TFieldDefs* FieldDefs() const;
    TDataSet* DataSet() const;
    const std::string& Name() const { return name_; }
    void SetName(const std::string& name);
    // 1-based column number.
    int FieldNo() const { return fieldNo_; }
    void SetFieldNo(int fieldNo) { fieldNo_ = fieldNo; }
    TFieldType DataType() const { return dataType_; }
    void SetDataType(TFieldType type);
    int Size() const { return size_; }
    void SetSize(int size);
    int Precision() const { return precision_; }
    void SetPrecision(int precision);
    bool Required() const { return attributes_.Contains(faRequired); }
    void SetRequired(bool required);
    TFieldAttributes Attributes() const { return attributes_; }
    void SetAttributes(TFieldAttributes attributes);
    // The server column's MySQL type code and unsigned flag, handed to the field; -1 when unknown.
    int MySQLType() const { return mySQLType_; }
    bool MySQLUnsigned() const { return mySQLUnsigned_; }
    void SetMySQLType(int typeCode, bool isUnsigned);

    // A field of the data set's class for this type, named and sized after the definition, in the
    // data set's field list. EDatabaseError "Field '%s' is of an unknown type" when there is no class.
    TField* CreateField(TComponent* owner);

    void Assign(const TPersistent* source) override;

protected:
    std::string GetDisplayName() const override { return name_; }

private:
    std::string name_;
    int fieldNo_ = 0;
    TFieldType dataType_ = ftUnknown;
    int size_ = 0;
    int precision_ = 0;
    TFieldAttributes attributes_;
    int mySQLType_ = -1;
    bool mySQLUnsigned_ = false;
};

// The field definitions of a data set. Any change marks them as not up to date.
class TFieldDefs : public TCollection {
public:
    explicit TFieldDefs(TDataSet* dataSet);

    TDataSet* DataSet() const { return dataSet_; }
    TFieldDef* Items(int index) const { return static_cast<TFieldDef*>(TCollection::Items(index)); }
    TFieldDef* operator[](int index) const { return Items(index); }
    TFieldDef* AddFieldDef() { return static_cast<TFieldDef*>(TCollection::Add()); }
    // A new definition numbered after the last one.
    TFieldDef* Add(const std::string& name, TFieldType dataType, int size = 0, bool required = false);
    int IndexOf(std::string_view name) const;
    TFieldDef* Find(std::string_view name) const; // EDatabaseError "Field '%s' not found"

    bool Updated() const { return updated_; }
    void SetUpdated(bool value) { updated_ = value; }
    // Reads the definitions from the data set (without opening it).
    void Update();
    // Hidden columns (faHiddenCol) get default fields too.
    bool HiddenFields() const { return hiddenFields_; }
    void SetHiddenFields(bool value) { hiddenFields_ = value; }

protected:
    void Update(TCollectionItem* item) override { updated_ = false; }

private:
    TDataSet* dataSet_;
    bool updated_ = false;
    bool hiddenFields_ = false;
};

} // namespace data
