// The abstract server metadata: rows of one metadata kind in a fixed column layout.
#pragma once

#include "dataaccess/server/uCRRecordSet.h"
#include "dataaccess/store/uDataHelper.h"
#include "dataaccess/store/uMemData.h"
#include "platform/rtl/StringList.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

namespace dataaccess {

class TCRConnection;
class TCRTransaction;

inline constexpr const char* SUnsupportedMetaDataKind = "Unsupported metadata kind";
inline constexpr const char* SRestrictionMustBeSet = "%s restriction must be set";

// One column of a fixed layout: a text (with its length), 32-bit integer or memo field.
struct TMetaDataField {
    const char* Name;
    int DataType;
    uint32_t Length = 0;
};

// A kind or restriction value without the blanks and line breaks around it.
std::string TrimMetaDataText(std::string_view text);

// Answers schema questions (tables, columns, routines and their parameters, indexes, constraints,
// databases) as rows with fixed column names, whatever the server. A question is a metadata kind
// narrowed by restrictions, "name=value" lines. The answer is either the record set of a catalog
// query whose columns carry the fixed names, or the record store of this object filled row by row;
// it stays valid until the next question.
class TCRMetaData {
public:
    explicit TCRMetaData(std::unique_ptr<TCRRecordSet> recordSet);
    virtual ~TCRMetaData();
    TCRMetaData(const TCRMetaData&) = delete;
    TCRMetaData& operator=(const TCRMetaData&) = delete;

    // The kind is trimmed and lower-cased; the record set works on `connection` and `transaction`.
    TData& GetMetaData(TCRConnection* connection, TCRTransaction* transaction, const std::string& kind,
                       const rtl::TStringList& restrictions);
    // `kind` in lower case; "Unsupported metadata kind" for a kind nobody answers.
    virtual TData& GetMetaData(const std::string& kind, const rtl::TStringList& restrictions);

    // Hands the store of the last answer over to the caller; this object answers no further
    // question afterwards.
    std::unique_ptr<TData> ReleaseAnswer(TData& answer);

    virtual void GetMetaDataKinds(rtl::TStringList& list) const;
    // The restriction names of `kind` (lower case).
    virtual void GetRestrictions(rtl::TStringList& list, const std::string& kind) const;

    virtual TData& QueryMetaDataKinds();
    virtual TData& QueryRestrictions(const rtl::TStringList& restrictions);
    virtual TData& QueryTables(const rtl::TStringList& restrictions) = 0;
    virtual TData& QueryColumns(const rtl::TStringList& restrictions) = 0;
    virtual TData& QueryProcedures(const rtl::TStringList& restrictions) = 0;
    virtual TData& QueryProcedureParameters(const rtl::TStringList& restrictions) = 0;
    virtual TData& QueryIndexes(const rtl::TStringList& restrictions) = 0;
    virtual TData& QueryIndexColumns(const rtl::TStringList& restrictions) = 0;
    virtual TData& QueryConstraints(const rtl::TStringList& restrictions) = 0;
    virtual TData& QueryDatabases(const rtl::TStringList& restrictions);
    virtual TData& QueryDataTypes(const rtl::TStringList& restrictions);
    virtual TData& QueryUsers(const rtl::TStringList& restrictions);
    virtual TData& QueryRoles(const rtl::TStringList& restrictions);
    virtual TData& QueryUserDefinedTypes(const rtl::TStringList& restrictions);
    virtual TData& QueryPackages(const rtl::TStringList& restrictions);

    // The record store's fields for each kind; the store is closed and left without rows.
    virtual void MetaDataKindsLayout();
    virtual void RestrictionsLayout();
    virtual void TablesLayout();
    virtual void ColumnsLayout();
    virtual void ProceduresLayout();
    virtual void ProcedureParametersLayout();
    virtual void IndexesLayout();
    virtual void IndexColumnsLayout();
    virtual void ConstraintsLayout();
    virtual void DatabasesLayout();

    TMemData& MemData() const { return *memData_; }
    TCRRecordSet& RecordSet() const { return *recordSet_; }
    // The comparison operator of restriction conditions.
    const std::string& Operator() const { return operator_; }

protected:
    // Closes the record store and gives it these fields, numbered by position.
    void SetLayout(std::initializer_list<TMetaDataField> fields);
    // Opens the record store empty after a layout, ready for rows through MemDataHelper.
    void OpenMemData();
    // A field of the row being built in MemDataHelper; a null value leaves the field null.
    void SetValue(const char* field, const rtl::Variant& value);
    // The record store after its rows were added, at its first row.
    TData& MemDataAnswer();

    TDataHelper& MemDataHelper() { return memDataHelper_; }
    TDataHelper& RecordSetHelper() { return recordSetHelper_; }

private:
    std::unique_ptr<TMemData> memData_;
    TDataHelper memDataHelper_;
    std::unique_ptr<TCRRecordSet> recordSet_;
    TDataHelper recordSetHelper_;
    std::string operator_ = "=";
};

} // namespace dataaccess
