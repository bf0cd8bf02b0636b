#include "components/uDASQLGenerator.h"

#include "components/uDADataSet.h"
#include "components/uDADataSetService.h"
#include "components/uDAParams.h"
#include "components/uDASQLHelpers.h"
#include "dataaccess/server/uCRRecordSet.h"
#include "dataaccess/server/uCRTableInfo.h"
#include "dataaccess/store/uBlob.h"
#include "dataaccess/store/uDataUtils.h"
#include "dataaccess/store/uFieldDesc.h"
#include "dataaccess/store/uMemData.h"
#include "dataaccess/store/uSortColumn.h"
#include "platform/data/DataError.h"
#include "platform/data/FieldClasses.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/ScopeExit.h"

#include <limits>

namespace components {

using dataaccess::TCRFieldDesc;
using dataaccess::TCRTableInfo;
using dataaccess::TFieldDesc;

namespace {

const TCRTableInfo* TableOf(const TFieldDesc& desc) {
    const auto* crDesc = dynamic_cast<const TCRFieldDesc*>(&desc);
    return crDesc ? crDesc->TableInfo() : nullptr;
}

bool SameTable(const TCRTableInfo* a, const TCRTableInfo* b) {
    return a && b && (a == b || dataaccess::SameTextAnsi(a->TableName(), b->TableName()));
}

} // namespace

TDASQLGenerator::TDASQLGenerator(TDADataSetService* service)
    : TDASQLGenerator(service, &data::TCollection::ItemClassOf<TDAParamInfo>) {}

TDASQLGenerator::TDASQLGenerator(TDADataSetService* service, data::TCollection::TItemClass paramInfoClass)
    : service_(service), paramsInfo_(std::make_unique<TDAParamsInfo>(paramInfoClass)) {
    RTL_ASSERT(service);
    RTL_ASSERT(service->DataSet());
    dataSet_ = service->DADataSet();
}

TDASQLGenerator::~TDASQLGenerator() = default;

int TDASQLGenerator::FieldAliasIndex(const std::string& text) {
    if (text.size() < 2 || text[0] != '_') return -1;
    int value = 0;
    for (size_t i = 1; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9' || value > (std::numeric_limits<int>::max() - 9) / 10) return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

void TDASQLGenerator::Clear() {
    for (std::string* builder : {&headerSB_, &fldSB_, &middleSB_, &fldParamSB_, &condSB_, &footerSB_})
        builder->clear();
    newBuffer_ = oldBuffer_ = nullptr;
}

std::string TDASQLGenerator::AssembleSQL() const {
    return headerSB_ + fldSB_ + middleSB_ + fldParamSB_ + condSB_ + footerSB_;
}

bool TDASQLGenerator::IsBlobDataType(uint16_t dataType) const {
    return dataType == dataaccess::dtBlob || dataType == dataaccess::dtMemo ||
           dataType == dataaccess::dtWideMemo;
}

void* TDASQLGenerator::NewBuffer() {
    if (!newBuffer_) {
        data::TRecordBuffer buffer = nullptr;
        dataSet_->GetActiveRecBuf(buffer);
        newBuffer_ = buffer;
    }
    return newBuffer_;
}

void* TDASQLGenerator::OldBuffer() {
    if (!oldBuffer_) {
        data::TRecordBuffer buffer = nullptr;
        dataSet_->GetOldRecBuf(buffer);
        oldBuffer_ = buffer;
    }
    return oldBuffer_;
}

bool TDASQLGenerator::FieldIsNull(const TFieldDesc& desc, bool old) {
    if (!dataSet_->Active()) return true;
    void* buffer = old ? OldBuffer() : NewBuffer();
    return !buffer || dataSet_->RecordStore()->IsFieldNull(desc.FieldNumber, buffer);
}

bool TDASQLGenerator::FieldModified(const TFieldDesc& desc) {
    if (IsBlobDataType(desc.TypeCode)) {
        const auto* field = dynamic_cast<const data::TBlobField*>(dataSet_->FindField(desc.FieldName));
        if (field && field->Modified()) return true;
        const dataaccess::TBlob* blob = dataSet_->GetBlob(desc);
        return blob && blob->HasRollback();
    }
    auto* store = dynamic_cast<dataaccess::TMemData*>(dataSet_->RecordStore());
    RTL_ASSERT(store);
    return store->CompareFieldValue(OldBuffer(), NewBuffer(), dataaccess::cfBinary, desc) != 0;
}

std::string TDASQLGenerator::ActualFieldName(const TFieldDesc& desc, const TCRTableInfo* table) const {
    std::string name = desc.ServerName;
    const size_t dot = name.find('.');
    if (dot != std::string::npos && SameTable(TableOf(desc), table) &&
        dataaccess::SameTextAnsi(name.substr(0, dot), table->TableName()))
        name.erase(0, dot + 1);
    return name;
}

std::string TDASQLGenerator::FieldNameForCondition(const TFieldDesc& desc, bool forRefresh) const {
    const TCRTableInfo* table = TableOf(desc);
    std::string name = QuoteName(ActualFieldName(desc, table));
    if (((forRefresh && dataSet_->Options().FullRefresh()) || dataSet_->ReadOnly()) && table) {
        const std::string& prefix = table->TableAlias().empty() ? table->TableName() : table->TableAlias();
        name = table->ClassType().NormalizeName(prefix, dataSet_->Options().QuoteNames()) + "." + name;
    }
    return name;
}

int TDASQLGenerator::MaxParamNameLength() const {
    return std::numeric_limits<int>::max();
}

std::string TDASQLGenerator::QuoteName(const std::string& name) const {
    const dataaccess::TTableInfoClass& rules = tableInfo_ ? tableInfo_->ClassType()
                                               : dataSet_->RecordSet()
                                                   ? dataSet_->RecordSet()->GetTableInfoClass()
                                                   : dataaccess::TCRTableInfo::Class();
    return rules.NormalizeName(name, dataSet_->Options().QuoteNames());
}

std::string TDASQLGenerator::QuotedTableName() const {
    return QuoteName(tableInfo_->GetTableNameFull());
}

void TDASQLGenerator::AddParam(std::string& builder, const TFieldDesc& desc, bool old, int recIndex,
                               data::TParamType paramType, TStatementType statementType) {
    std::string prefix = old ? "Old_" : "";
    if (recIndex >= 0) prefix = ParamPrefix() + std::to_string(recIndex) + "_" + prefix;
    std::string name = prefix + desc.FieldName;
    if (name.size() > static_cast<size_t>(MaxParamNameLength()))
        name = prefix + std::to_string(desc.FieldNumber);
    name = QuoteName(name);
    const bool byName =
        statementType == stRefresh && (dataSet_->Params().Count() > 0 || dataSet_->Options().FullRefresh());
    builder += !params_ || !UseParamMarkers() || byName ? ":" + name : "?";
    if (!params_) return;
    params_->CreateParam(data::ftUnknown, name, paramType);
    auto* info = static_cast<TDAParamInfo*>(paramsInfo_->Add());
    info->Field = dataSet_->FindField(desc.FieldName);
    info->Old = old;
    info->RecIndex = recIndex;
}

void TDASQLGenerator::AddKeyCondition(std::string& builder, const TFieldDesc* desc, int recIndex, bool flag,
                                      TStatementType statementType) {
    RTL_ASSERT(desc);
    if (!builder.empty()) builder += " AND ";
    const bool refresh = statementType == stRefresh;
    builder += FieldNameForCondition(*desc, refresh);
    if (!forDesign_ && FieldIsNull(*desc, !refresh)) {
        builder += " IS NULL";
        return;
    }
    builder += " = ";
    AddParam(builder, *desc, !refresh || dataSet_->CachedUpdates(), recIndex, data::ptInput, statementType);
}

void TDASQLGenerator::AddKeyConditions(std::string& builder, TStatementType statementType, int recIndex,
                                       const TKeyAndDataFields& fields, bool flag) {
    if (!fields.KeyFieldDescs.empty()) {
        for (const TFieldDesc* desc : fields.KeyFieldDescs)
            AddKeyCondition(builder, desc, recIndex, flag, statementType);
        return;
    }
    if (TFieldDesc* identity = service_->IdentityField()) {
        AddKeyCondition(builder, identity, recIndex, flag, statementType);
        return;
    }
    if (fields.DataFieldDescs.empty()) data::DatabaseError("Key fields not found");
    for (const TFieldDesc* desc : fields.DataFieldDescs)
        if (!IsBlobDataType(desc->TypeCode)) AddKeyCondition(builder, desc, recIndex, flag, statementType);
    if (builder.empty()) data::DatabaseError("Key fields not found");
}

void TDASQLGenerator::GenerateInsertSQL(const TKeyAndDataFields& fields, bool modifiedFieldsOnly,
                                        int recIndex) {
    for (const TFieldDesc* desc : fields.DataFieldDescs) {
        if (modifiedFieldsOnly && FieldIsNull(*desc, false)) continue;
        if (!fldSB_.empty()) {
            fldSB_ += ", ";
            fldParamSB_ += ", ";
        }
        fldSB_ += QuoteName(ActualFieldName(*desc, tableInfo_));
        AddParam(fldParamSB_, *desc, false, recIndex, data::ptInput, stInsert);
    }
    headerSB_ = "INSERT INTO " + QuotedTableName() + "\r\n  (";
    middleSB_ = ")\r\nVALUES\r\n  (";
    footerSB_ = ")";
}

void TDASQLGenerator::GenerateUpdateSQL(const TKeyAndDataFields& fields, bool modifiedFieldsOnly,
                                        int recIndex) {
    for (const TFieldDesc* desc : fields.DataFieldDescs) {
        if (modifiedFieldsOnly && !FieldModified(*desc)) continue;
        if (!fldSB_.empty()) fldSB_ += ", ";
        fldSB_ += QuoteName(ActualFieldName(*desc, tableInfo_)) + " = ";
        AddParam(fldSB_, *desc, false, recIndex, data::ptInput, stUpdate);
    }
    if (fldSB_.empty()) return;
    headerSB_ = "UPDATE " + QuotedTableName() + "\r\nSET\r\n  ";
    middleSB_ = "\r\nWHERE\r\n  ";
    AddKeyConditions(condSB_, stUpdate, recIndex, fields, modifiedFieldsOnly);
}

void TDASQLGenerator::GenerateDeleteSQL(const TKeyAndDataFields& fields, bool modifiedFieldsOnly,
                                        int recIndex) {
    headerSB_ = "DELETE FROM " + QuotedTableName() + "\r\nWHERE\r\n  ";
    AddKeyConditions(condSB_, stDelete, recIndex, fields, modifiedFieldsOnly);
}

const std::string& TDASQLGenerator::TableAliasOrName(const TCRTableInfo& table) {
    return table.TableAlias().empty() ? table.TableName() : table.TableAlias();
}

void TDASQLGenerator::AddFieldToRefreshSQL(const TFieldDesc& desc) {
    if (!fldSB_.empty()) fldSB_ += ", ";
    const TCRTableInfo* table = TableOf(desc);
    if (table) fldSB_ += QuoteName(TableAliasOrName(*table)) + ".";
    fldSB_ += QuoteName(ActualFieldName(desc, table));
    fldSB_ += " AS " + FieldAlias(std::to_string(desc.FieldNumber - 1));
}

void TDASQLGenerator::GenerateRefreshSQL(const TKeyAndDataFields& fields, bool modifiedFieldsOnly) {
    AddKeyConditions(condSB_, stRefresh, -1, fields, modifiedFieldsOnly);
    if (dataSet_->Options().FullRefresh() || dataSet_->ReadOnly()) {
        const std::string text = dataSet_->FinalSQL();
        if (condSB_.empty()) {
            headerSB_ = text;
        } else {
            headerSB_ = SQLAddWhere(text, "\r\n  " + condSB_);
            condSB_.clear();
        }
        return;
    }
    headerSB_ = "SELECT ";
    for (const TFieldDesc* desc :
         fields.DataFieldDescs.empty() ? fields.KeyFieldDescs : fields.DataFieldDescs)
        AddFieldToRefreshSQL(*desc);
    middleSB_ = " FROM " + QuotedTableName();
    if (!tableInfo_->TableAlias().empty()) middleSB_ += " " + QuoteName(tableInfo_->TableAlias());
    middleSB_ += "\r\nWHERE\r\n  ";
}

void TDASQLGenerator::GenerateRefreshQuickSQL(const TKeyAndDataFields& fields) {
    AddKeyConditions(condSB_, stRefreshQuick, -1, fields, false);
    headerSB_ = SQLAddWhere(dataSet_->FinalSQL(), condSB_);
    condSB_.clear();
}

void TDASQLGenerator::GenerateCheckDeletedSQL(const std::vector<TFieldDesc*>& keyFieldDescs) {
    const dataaccess::TTableInfoClass& rules = tableInfo_->ClassType();
    // Trimmed, one pair of quotes removed, upper case.
    const auto plain = [&rules](const std::string& name) {
        std::string text = TrimBlanks(name);
        if (text.size() >= 3 && text.front() == rules.LeftQuote() && text.back() == rules.RightQuote())
            text = text.substr(1, text.size() - 2);
        return dataaccess::AnsiUpper(text);
    };
    headerSB_ = "SELECT ";
    for (const TFieldDesc* desc : keyFieldDescs) {
        if (!fldSB_.empty()) {
            fldSB_ += ", ";
            footerSB_ += ", ";
        }
        const std::string column = FieldNameForCondition(*desc, false);
        fldSB_ += column;
        footerSB_ += column;
        if (plain(column) != plain(desc->FieldName)) fldSB_ += " AS " + desc->FieldName;
    }
    const std::string text = dataSet_->FinalSQL();
    middleSB_ = " FROM " + SQLGetFrom(text);
    const std::string where = SQLGetWhere(text);
    if (!where.empty()) middleSB_ += " WHERE " + where;
    middleSB_ += " ORDER BY ";
}

void TDASQLGenerator::GenerateFor(TCRTableInfo& tableInfo, const TKeyAndDataFields& fields, std::string& sql,
                                  int recIndex, TDAParams* params, bool modifiedFieldsOnly,
                                  TStatementType statementType) {
    if (tableInfo.TableName().empty()) data::DatabaseError("TableInfo name must be provided");
    Clear();
    tableInfo_ = &tableInfo;
    params_ = params;
    if (params) {
        params->BeginUpdate();
        params->Clear();
        paramsInfo_->Clear();
    }
    const auto finish = [params] {
        if (params) params->EndUpdate();
    };
    rtl::Finally(
        [&] {
            switch (statementType) {
            case stInsert:
                GenerateInsertSQL(fields, modifiedFieldsOnly, recIndex);
                break;
            case stUpdate:
                GenerateUpdateSQL(fields, modifiedFieldsOnly, recIndex);
                break;
            case stDelete:
                GenerateDeleteSQL(fields, modifiedFieldsOnly, recIndex);
                break;
            case stLock:
                GenerateLockSQL(fields, recIndex);
                break;
            case stRefresh:
                GenerateRefreshSQL(fields, modifiedFieldsOnly);
                break;
            case stRefreshQuick:
                GenerateRefreshQuickSQL(fields);
                break;
            case stRefreshCheckDeleted:
                GenerateCheckDeletedSQL(fields.KeyFieldDescs);
                break;
            default:
                data::DatabaseError("Bad statement type");
            }
            sql = AssembleSQL();
        },
        finish);
}

void TDASQLGenerator::GenerateSQL(TStatementType statementType, bool modifiedFieldsOnly, std::string& sql,
                                  TDAParams* params, int recIndex) {
    TCRTableInfo* table = service_->UpdatingTableInfo();
    if (!table) {
        sql.clear();
        return;
    }
    // A full refresh re-reads a join through every table it names.
    const bool allTables = statementType == stRefresh && dataSet_->Options().FullRefresh() &&
                           dataSet_->RecordSet() && dataSet_->RecordSet()->TablesInfo().Count() != 1;
    const TKeyAndDataFields fields = service_->GetKeyAndDataFields(allTables);
    GenerateFor(*table, fields, sql, recIndex, params, modifiedFieldsOnly, statementType);
}

std::string TDASQLGenerator::GenerateTableSQL(const std::string& tableName, const std::string& orderFields) {
    RTL_ASSERT(dataSet_->UsedConnection());
    std::string sql = "SELECT * FROM " + QuoteName(tableName) + "\r";
    const std::string order = TrimBlanks(orderFields);
    if (!order.empty()) sql += "ORDER BY " + order;
    return sql + "\r";
}

} // namespace components
