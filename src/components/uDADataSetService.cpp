#include "components/uDADataSetService.h"
#include "components/uDASQLHelpers.h"

#include "components/uDAConnection.h"
#include "components/uDADataSet.h"
#include "components/uDADataSetUpdater.h"
#include "components/uDAMetaData.h"
#include "components/uDASQLGenerator.h"
#include "dataaccess/server/uCRRecordSet.h"
#include "dataaccess/server/uCRTableInfo.h"
#include "platform/data/DataError.h"
#include "platform/data/NameCompare.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

#include <algorithm>

namespace components {

using dataaccess::TCRFieldDesc;
using dataaccess::TCRTableInfo;

namespace {} // namespace

TDADataSetService::TDADataSetService(TCustomDADataSet* dataSet)
    : TDataSetService(dataSet), dataSet_(dataSet) {}

TDADataSetService::~TDADataSetService() {
    generator_.reset();
    updater_.reset();
}

void TDADataSetService::CreateHelpers() {
    updater_ = CreateUpdater();
    generator_ = CreateSQLGenerator();
}

std::unique_ptr<TDASQLGenerator> TDADataSetService::CreateSQLGenerator() {
    return std::make_unique<TDASQLGenerator>(this);
}

TDataSetUpdater* TDADataSetService::DataSetUpdater() const {
    return updater_.get();
}

std::unique_ptr<TDADataSetUpdater> TDADataSetService::CreateUpdater() {
    return std::make_unique<TDADataSetUpdater>(this);
}

// ---- Open and close

void TDADataSetService::InitCursor() {
    // The identity rule reads the updating table, so it is found first.
    ResetTables();
    if (dataSet_->Options().FieldsOrigin()) FillFieldsOrigins();
}

void TDADataSetService::CloseCursor() {
    identityField_ = nullptr;
    updatingTableIndex_ = -1;
    InvalidateCaches();
}

void TDADataSetService::ResetTables() {
    InvalidateCaches();
    InitUpdatingTableIndex();
    InitFields();
}

void TDADataSetService::InvalidateCaches() {
    for (TDescCache* cache : {&keyDescs_[0], &keyDescs_[1], &dataDescs_[0], &dataDescs_[1]})
        *cache = {};
}

void TDADataSetService::InitUpdatingTableIndex() {
    updatingTableIndex_ = -1;
    dataaccess::TCRRecordSet* recordSet = dataSet_->RecordSet();
    if (!recordSet || recordSet->TablesInfo().Count() == 0) return;
    const dataaccess::TCRTablesInfo& tables = recordSet->TablesInfo();
    const std::string name =
        tables.TableInfoClass().NormalizeName(TrimBlanks(dataSet_->UpdatingTable()), false);
    if (name.empty()) {
        updatingTableIndex_ = 0;
        return;
    }
    updatingTableIndex_ = tables.IndexByName(name);
    if (updatingTableIndex_ < 0) updatingTableIndex_ = tables.IndexByAlias(name);
    if (updatingTableIndex_ < 0)
        data::DatabaseError(rtl::Format("Wrong UpdatingTable value - table %s is unknown", name));
}

TCRTableInfo* TDADataSetService::UpdatingTableInfo() const {
    if (updatingTableIndex_ < 0) return nullptr;
    return dataSet_->RecordSet()->TablesInfo().Items(updatingTableIndex_);
}

void TDADataSetService::InitFields() {
    identityField_ = DetectIdentityField();
    SetFieldsReadOnly();
    const auto& fields = dataSet_->Fields();
    anyFieldCanBeModified_ = std::any_of(fields.begin(), fields.end(),
                                         [](const data::TField* field) { return !field->ReadOnly(); });
    if (dataSet_->Options().DefaultValues()) FillDefaultValues();
}

void TDADataSetService::SetFieldsReadOnly() {
    if (dataSet_->ReadOnly() || !dataSet_->Options().SetFieldsReadOnly()) return;
    const TFieldDescArray& writable = GetDataFieldDescs(false);
    for (data::TField* field : dataSet_->Fields()) {
        if (field->FieldKind() != data::fkData) continue;
        const dataaccess::TFieldDesc* desc = dataSet_->GetFieldDesc(field);
        while (desc && desc->OwnerField)
            desc = desc->OwnerField;
        field->SetReadOnly(!desc || std::find(writable.begin(), writable.end(), desc) == writable.end());
    }
}

// ---- Field origins

void TDADataSetService::FillFieldOrigin(data::TField* field, const std::string& table,
                                        const std::string& column) const {
    field->SetOrigin(table.empty() ? column : table + "." + column);
}

void TDADataSetService::FillFieldsOrigins() {
    for (data::TField* field : dataSet_->Fields())
        if (const TCRFieldDesc* desc = FieldDesc(field))
            FillFieldOrigin(field, desc->TableInfo() ? desc->TableInfo()->TableName() : std::string(),
                            desc->ServerName);
}

TCRFieldDesc* TDADataSetService::FieldDesc(const data::TField* field) const {
    if (field->FieldKind() != data::fkData) return nullptr;
    return dynamic_cast<TCRFieldDesc*>(dataSet_->GetFieldDesc(field));
}

TFieldDescArray TDADataSetService::DataFieldDescs() const {
    TFieldDescArray descs;
    for (const data::TField* field : dataSet_->Fields())
        if (TCRFieldDesc* desc = FieldDesc(field)) descs.push_back(desc);
    return descs;
}

bool TDADataSetService::BelongsToUpdatingTable(const TCRFieldDesc& desc) const {
    return desc.TableInfo() && desc.TableInfo() == UpdatingTableInfo();
}

// ---- Key and data fields

const TFieldDescArray& TDADataSetService::GetKeyFieldDescs(bool allTables) {
    TDescCache& cache = keyDescs_[allTables && KeysFromAllTables() ? 1 : 0];
    if (!cache.Valid) {
        cache.Descs.clear();
        FillKeyFieldDescs(cache.Descs, allTables && KeysFromAllTables());
        cache.Valid = true;
    }
    return cache.Descs;
}

const TFieldDescArray& TDADataSetService::GetDataFieldDescs(bool allTables) {
    TDescCache& cache = dataDescs_[allTables ? 1 : 0];
    if (!cache.Valid) {
        cache.Descs.clear();
        FillDataFieldDescs(cache.Descs, allTables);
        cache.Valid = true;
    }
    return cache.Descs;
}

TKeyAndDataFields TDADataSetService::GetKeyAndDataFields(bool allTables) {
    return {GetKeyFieldDescs(allTables), GetDataFieldDescs(allTables)};
}

void TDADataSetService::FillNamedKeyFieldDescs(TFieldDescArray& descs) const {
    const std::string& list = dataSet_->KeyFields();
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t end = list.find(';', pos);
        if (end == std::string::npos) end = list.size();
        const std::string name = TrimBlanks(list.substr(pos, end - pos));
        pos = end + 1;
        if (name.empty()) continue;
        dataaccess::TFieldDesc* desc = dataSet_->RecordStore()->FindFieldDesc(name);
        if (!desc) data::DatabaseError(rtl::Format("Key field '%s' not found", name), dataSet_);
        descs.push_back(desc);
    }
}

void TDADataSetService::FillKeyFieldDescs(TFieldDescArray& descs, bool) {
    if (!TrimBlanks(dataSet_->KeyFields()).empty())
        FillNamedKeyFieldDescs(descs);
    else if (identityField_)
        descs.push_back(identityField_);
    else if (const TCRTableInfo* table = UpdatingTableInfo())
        AppendUniqueKey(table, descs);
}

void TDADataSetService::FillDataFieldDescs(TFieldDescArray& descs, bool allTables) {
    for (const auto& item : dataSet_->RecordStore()->Fields()) {
        auto* desc = dynamic_cast<TCRFieldDesc*>(item.get());
        if (!desc || desc->OwnerField || desc->Hidden || desc->ReadOnly || desc->IsCalculated()) continue;
        if (desc == identityField_ && !IdentityIsDataField()) continue;
        if (!allTables && !BelongsToUpdatingTable(*desc)) continue;
        descs.push_back(desc);
    }
}

void TDADataSetService::AppendUniqueKey(const TCRTableInfo* table, TFieldDescArray& descs) {
    TFieldDescArray columns;
    for (dataaccess::TFieldDesc* item : DataFieldDescs())
        if (static_cast<TCRFieldDesc*>(item)->TableInfo() == table) columns.push_back(item);
    // Only columns of some index can make up a unique one: no flag, no question to the server.
    if (std::none_of(columns.begin(), columns.end(), [](auto* desc) { return desc->KeyColumn; })) return;
    for (const std::vector<std::string>& index : GetUniqueIndexes(table->GetTableNameFull())) {
        TFieldDescArray key;
        for (const std::string& column : index) {
            auto found =
                std::find_if(columns.begin(), columns.end(), [&](const dataaccess::TFieldDesc* desc) {
                    return data::SameName(desc->ServerName, column);
                });
            if (found == columns.end()) break;
            key.push_back(*found);
        }
        if (key.size() != index.size()) continue;
        descs.insert(descs.end(), key.begin(), key.end());
        return;
    }
}

std::vector<std::vector<std::string>> TDADataSetService::GetUniqueIndexes(const std::string& tableName) {
    std::string schema = GetCurrentSchema(), table = tableName;
    if (const size_t dot = tableName.find('.'); dot != std::string::npos) {
        schema = UnquoteName(tableName.substr(0, dot));
        table = UnquoteName(tableName.substr(dot + 1));
    }
    TDAMetaData metaData;
    metaData.SetConnection(dataSet_->UsedConnection());
    metaData.SetTransaction(dataSet_->UsedTransaction());
    metaData.SetMetaDataKind("indexcolumns");
    rtl::TStringList restrictions;
    restrictions.SetText("table_schema=" + schema + "\r\ntable_name=" + table + "\r\nunique=1");
    metaData.SetRestrictions(restrictions);
    metaData.Open();
    std::vector<std::vector<std::string>> indexes;
    std::string lastSchema, lastName;
    for (; !metaData.Eof(); metaData.Next()) {
        const std::string indexSchema = metaData.FieldByName("INDEX_SCHEMA")->AsString();
        const std::string indexName = metaData.FieldByName("INDEX_NAME")->AsString();
        if (indexes.empty() || indexSchema != lastSchema || indexName != lastName) indexes.emplace_back();
        indexes.back().push_back(metaData.FieldByName("COLUMN_NAME")->AsString());
        lastSchema = indexSchema;
        lastName = indexName;
    }
    return indexes;
}

std::string TDADataSetService::GetFieldSQLName(const data::TField* field) {
    const dataaccess::TFieldDesc* desc = dataSet_->GetFieldDesc(field);
    if (!desc) return QuoteName(field->FieldName());
    return QuoteName(desc->ServerName.empty() ? desc->FieldName : desc->ServerName);
}

// ---- Capabilities

bool TDADataSetService::CanModify() const {
    return !dataSet_->ReadOnly() && !dataSet_->UniDirectional() &&
           (dataSet_->LocalUpdate() || (dataSet_->CachedUpdates() && dataSet_->OnUpdateRecord) ||
            dataSet_->UpdateObject());
}

bool TDADataSetService::OpenNext() {
    throw rtl::Exception("Operation is not supported by the database");
}

std::string TDADataSetService::QuoteName(const std::string& name) const {
    if (!dataSet_->Options().QuoteNames() || name.empty()) return name;
    const dataaccess::TTableInfoClass& quotes = dataaccess::TCRTableInfo::Class();
    return quotes.LeftQuote() + name + quotes.RightQuote();
}

std::string TDADataSetService::UnquoteName(const std::string& name) const {
    const std::string trimmed = TrimBlanks(name);
    if (dataSet_->Options().QuoteNames() && trimmed.size() > 2 &&
        dataaccess::TCRTableInfo::Class().IsQuoted(trimmed))
        return trimmed.substr(1, trimmed.size() - 2);
    return trimmed;
}

} // namespace components
