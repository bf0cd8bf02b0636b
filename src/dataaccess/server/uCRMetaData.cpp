#include "dataaccess/server/uCRMetaData.h"

#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/store/uDataTypes.h"
#include "dataaccess/store/uDataUtils.h"
#include "platform/rtl/Exception.h"

#include <initializer_list>
#include <string_view>
#include <vector>

namespace dataaccess {
namespace {

constexpr uint32_t kNameLength = 100;
constexpr uint32_t kTypeLength = 50;

constexpr TMetaDataField Text(const char* name, uint32_t length = kNameLength) {
    return {name, dtString, length};
}
constexpr TMetaDataField Integer(const char* name) {
    return {name, dtInt32, 0};
}
constexpr TMetaDataField Memo(const char* name) {
    return {name, dtMemo, 0};
}

std::string TrimLower(std::string_view text) {
    return AnsiLower(TrimMetaDataText(text));
}

} // namespace

std::string TrimMetaDataText(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return std::string();
    const size_t last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

TCRMetaData::TCRMetaData(std::unique_ptr<TCRRecordSet> recordSet)
    : memData_(std::make_unique<TMemData>()), memDataHelper_(*memData_), recordSet_(std::move(recordSet)),
      recordSetHelper_(*recordSet_) {
    memData_->SetAutoInitFields(false);
    recordSet_->SetProp(prFetchAll, true);
    recordSet_->SetProp(prFlatBuffers, false);
}

TCRMetaData::~TCRMetaData() = default;

TData& TCRMetaData::GetMetaData(TCRConnection* connection, TCRTransaction* transaction,
                                const std::string& kind, const rtl::TStringList& restrictions) {
    recordSet_->SetConnection(connection);
    recordSet_->SetTransaction(transaction);
    return GetMetaData(TrimLower(kind), restrictions);
}

TData& TCRMetaData::GetMetaData(const std::string& kind, const rtl::TStringList& restrictions) {
    if (kind.empty() || kind == "metadatakinds") return QueryMetaDataKinds();
    if (kind == "restrictions") return QueryRestrictions(restrictions);
    if (kind == "tables") return QueryTables(restrictions);
    if (kind == "columns") return QueryColumns(restrictions);
    if (kind == "procedures") return QueryProcedures(restrictions);
    if (kind == "procedureparameters") return QueryProcedureParameters(restrictions);
    if (kind == "indexes") return QueryIndexes(restrictions);
    if (kind == "indexcolumns") return QueryIndexColumns(restrictions);
    if (kind == "constraints") return QueryConstraints(restrictions);
    if (kind == "databases") return QueryDatabases(restrictions);
    if (kind == "datatypes") return QueryDataTypes(restrictions);
    if (kind == "users") return QueryUsers(restrictions);
    if (kind == "roles") return QueryRoles(restrictions);
    if (kind == "userdefinedtypes") return QueryUserDefinedTypes(restrictions);
    if (kind == "packages") return QueryPackages(restrictions);
    throw rtl::Exception(SUnsupportedMetaDataKind);
}

std::unique_ptr<TData> TCRMetaData::ReleaseAnswer(TData& answer) {
    if (&answer == memData_.get()) {
        memDataHelper_.FreeBuffer();
        return std::move(memData_);
    }
    RTL_ASSERT(&answer == recordSet_.get());
    recordSetHelper_.FreeBuffer();
    return std::move(recordSet_);
}

void TCRMetaData::GetMetaDataKinds(rtl::TStringList& list) const {
    list.Clear();
    for (const char* kind : {"MetaDataKinds", "Restrictions", "Tables", "Columns", "Procedures",
                             "ProcedureParameters", "Indexes", "IndexColumns", "Constraints"})
        list.Add(kind);
}

void TCRMetaData::GetRestrictions(rtl::TStringList& list, const std::string& kind) const {
    list.Clear();
    std::vector<const char*> names;
    if (kind == "restrictions")
        names = {"METADATA_NAME"};
    else if (kind == "tables")
        names = {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE"};
    else if (kind == "columns")
        names = {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "COLUMN_NAME"};
    else if (kind == "procedures")
        names = {"PROCEDURE_CATALOG", "PROCEDURE_SCHEMA", "PROCEDURE_NAME", "PROCEDURE_TYPE"};
    else if (kind == "procedureparameters")
        names = {"PROCEDURE_CATALOG", "PROCEDURE_SCHEMA", "PROCEDURE_NAME", "PARAMETER_NAME"};
    else if (kind == "indexes" || kind == "indexcolumns")
        names = {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "INDEX_NAME"};
    else if (kind == "constraints")
        names = {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "CONSTRAINT_NAME", "CONSTRAINT_TYPE"};
    for (const char* name : names)
        list.Add(name);
}

TData& TCRMetaData::QueryMetaDataKinds() {
    MetaDataKindsLayout();
    OpenMemData();
    rtl::TStringList kinds;
    GetMetaDataKinds(kinds);
    for (int i = 0; i < kinds.Count(); ++i) {
        memDataHelper_.InitRecord();
        memDataHelper_.SetFieldValue(1, kinds[i]);
        memDataHelper_.AppendRecord();
    }
    return MemDataAnswer();
}

TData& TCRMetaData::QueryRestrictions(const rtl::TStringList& restrictions) {
    RestrictionsLayout();
    OpenMemData();
    const auto addRows = [this](const std::string& kind, const std::string& shownKind) {
        rtl::TStringList names;
        GetRestrictions(names, kind);
        for (int i = 0; i < names.Count(); ++i) {
            memDataHelper_.InitRecord();
            memDataHelper_.SetFieldValue(1, shownKind);
            memDataHelper_.SetFieldValue(2, names[i]);
            memDataHelper_.AppendRecord();
        }
    };
    // The restriction is METADATA_NAME, as the layout and the restriction list name it; the older
    // spelling METAINFO_NAME is read as well.
    std::string kind = restrictions.Values("METADATA_NAME");
    if (kind.empty()) kind = restrictions.Values("METAINFO_NAME");
    kind = TrimLower(kind);
    if (!kind.empty()) {
        addRows(kind, kind);
    } else {
        rtl::TStringList kinds;
        GetMetaDataKinds(kinds);
        for (int i = 0; i < kinds.Count(); ++i)
            addRows(AnsiLower(kinds[i]), kinds[i]);
    }
    return MemDataAnswer();
}

TData& TCRMetaData::QueryDatabases(const rtl::TStringList&) {
    throw rtl::Exception(SUnsupportedMetaDataKind);
}

TData& TCRMetaData::QueryDataTypes(const rtl::TStringList&) {
    throw rtl::Exception(SUnsupportedMetaDataKind);
}

TData& TCRMetaData::QueryUsers(const rtl::TStringList&) {
    throw rtl::Exception(SUnsupportedMetaDataKind);
}

TData& TCRMetaData::QueryRoles(const rtl::TStringList&) {
    throw rtl::Exception(SUnsupportedMetaDataKind);
}

TData& TCRMetaData::QueryUserDefinedTypes(const rtl::TStringList&) {
    throw rtl::Exception(SUnsupportedMetaDataKind);
}

TData& TCRMetaData::QueryPackages(const rtl::TStringList&) {
    throw rtl::Exception(SUnsupportedMetaDataKind);
}

// ---- Layouts

void TCRMetaData::SetLayout(std::initializer_list<TMetaDataField> fields) {
    memData_->Close();
    memData_->ClearFields();
    for (const TMetaDataField& def : fields) {
        auto field = memData_->GetFieldDescClass()();
        field->FieldName = def.Name;
        field->ServerName = def.Name;
        field->TypeCode = static_cast<uint16_t>(def.DataType);
        field->ValueLength = def.Length;
        switch (def.DataType) {
        case dtString:
            field->ByteSize = def.Length + 1;
            break;
        case dtInt32:
            field->ByteSize = 4;
            break;
        case dtMemo:
            field->ByteSize = kReferenceSize;
            break;
        default:
            RTL_ASSERT_MSG(false, "Metadata layouts hold text, integer and memo fields");
        }
        field->FieldNumber = static_cast<uint16_t>(memData_->FieldCount() + 1);
        memData_->Fields().Add(std::move(field));
    }
    memData_->InitFields();
}

void TCRMetaData::MetaDataKindsLayout() {
    SetLayout({Text("METADATA_NAME", kTypeLength)});
}

void TCRMetaData::RestrictionsLayout() {
    SetLayout({Text("METADATA_NAME", kTypeLength), Text("RESTRICTION_NAME", kTypeLength)});
}

void TCRMetaData::TablesLayout() {
    SetLayout(
        {Text("TABLE_CATALOG"), Text("TABLE_SCHEMA"), Text("TABLE_NAME"), Text("TABLE_TYPE", kTypeLength)});
}

void TCRMetaData::ColumnsLayout() {
    SetLayout({Text("TABLE_CATALOG"), Text("TABLE_SCHEMA"), Text("TABLE_NAME"), Text("COLUMN_NAME"),
               Integer("POSITION"), Text("DATA_TYPE", kTypeLength), Integer("DATA_LENGTH"),
               Integer("DATA_PRECISION"), Integer("DATA_SCALE"), Integer("NULLABLE"), Memo("DEFAULT_VALUE")});
}

void TCRMetaData::ProceduresLayout() {
    SetLayout({Text("PROCEDURE_CATALOG"), Text("PROCEDURE_SCHEMA"), Text("PROCEDURE_NAME"),
               Text("PROCEDURE_TYPE", kTypeLength)});
}

void TCRMetaData::ProcedureParametersLayout() {
    SetLayout({Text("PROCEDURE_CATALOG"), Text("PROCEDURE_SCHEMA"), Text("PROCEDURE_NAME"),
               Text("PARAMETER_NAME"), Integer("POSITION"), Text("DIRECTION", 10),
               Text("DATA_TYPE", kTypeLength), Integer("DATA_LENGTH"), Integer("DATA_PRECISION"),
               Integer("DATA_SCALE")});
}

void TCRMetaData::IndexesLayout() {
    SetLayout({Text("TABLE_CATALOG"), Text("TABLE_SCHEMA"), Text("TABLE_NAME"), Text("INDEX_CATALOG"),
               Text("INDEX_SCHEMA"), Text("INDEX_NAME"), Integer("UNIQUE")});
}

void TCRMetaData::IndexColumnsLayout() {
    SetLayout({Text("TABLE_CATALOG"), Text("TABLE_SCHEMA"), Text("TABLE_NAME"), Text("INDEX_CATALOG"),
               Text("INDEX_SCHEMA"), Text("INDEX_NAME"), Text("COLUMN_NAME"), Integer("COLUMN_POSITION"),
               Text("SORT_ORDER", 4)});
}

void TCRMetaData::ConstraintsLayout() {
    SetLayout({Text("TABLE_CATALOG"), Text("TABLE_SCHEMA"), Text("TABLE_NAME"), Text("CONSTRAINT_NAME"),
               Text("CONSTRAINT_TYPE"), Text("INDEX_CATALOG"), Text("INDEX_SCHEMA"), Text("INDEX_NAME")});
}

void TCRMetaData::DatabasesLayout() {
    SetLayout({Text("DATABASE_NAME")});
}

void TCRMetaData::OpenMemData() {
    memData_->Open();
    memDataHelper_.AllocBuffer();
}

void TCRMetaData::SetValue(const char* field, const rtl::Variant& value) {
    memDataHelper_.SetFieldValue(memData_->FieldDescByName(field).FieldNumber, value);
}

TData& TCRMetaData::MemDataAnswer() {
    memData_->SetToBegin();
    return *memData_;
}

} // namespace dataaccess
