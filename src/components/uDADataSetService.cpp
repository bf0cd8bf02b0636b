#include "components/uDADataSetService.h"

#include "components/uDADataSet.h"
#include "components/uDADataSetUpdater.h"
#include "components/uDASQLGenerator.h"
#include "dataaccess/uCRRecordSet.h"
#include "dataaccess/uCRTableInfo.h"
#include "platform/data/DataError.h"
#include "platform/rtl/Format.h"

namespace components {

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

void TDADataSetService::InitCursor() {
    if (dataSet_->Options().FieldsOrigin()) FillFieldsOrigins();
}

void TDADataSetService::FillFieldsOrigins() {
    for (data::TField* field : dataSet_->Fields()) {
        if (field->FieldKind() != data::fkData) continue;
        const auto* desc = dynamic_cast<const dataaccess::TCRFieldDesc*>(dataSet_->GetFieldDesc(field));
        if (!desc) continue;
        const dataaccess::TCRTableInfo* table = desc->TableInfo();
        field->SetOrigin(table && !table->TableName().empty() ? table->TableName() + "." + desc->ServerName
                                                              : desc->ServerName);
    }
}

dataaccess::TCRTableInfo* TDADataSetService::UpdatingTableInfo() const {
    dataaccess::TCRRecordSet* recordSet = dataSet_->RecordSet();
    if (!recordSet || recordSet->TablesInfo().Count() == 0) return nullptr;
    dataaccess::TCRTablesInfo& tables = recordSet->TablesInfo();
    const std::string& name = dataSet_->UpdatingTable();
    if (name.empty()) return tables.Items(0);
    int index = tables.IndexByName(name);
    if (index < 0) index = tables.IndexByAlias(name);
    if (index < 0) data::DatabaseError(rtl::Format("Wrong UpdatingTable value - table %s is unknown", name));
    return tables.Items(index);
}

bool TDADataSetService::OfUpdatingTable(const dataaccess::TFieldDesc& desc) const {
    const auto* crDesc = dynamic_cast<const dataaccess::TCRFieldDesc*>(&desc);
    const dataaccess::TCRTableInfo* table = UpdatingTableInfo();
    return crDesc && table && crDesc->TableInfo() == table;
}

std::vector<dataaccess::TFieldDesc*> TDADataSetService::NamedKeyFields() const {
    std::vector<dataaccess::TFieldDesc*> descs;
    const std::string& text = dataSet_->KeyFields();
    size_t pos = 0;
    while (pos <= text.size()) {
        const size_t end = std::min(text.find(';', pos), text.size());
        std::string name = text.substr(pos, end - pos);
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        pos = end + 1;
        if (name.empty()) continue;
        dataaccess::TFieldDesc* desc = dataSet_->RecordStore()->FindFieldDesc(name);
        if (!desc) data::DatabaseError(rtl::Format("%s: Key field '%s' not found", dataSet_->Name(), name));
        descs.push_back(desc);
    }
    return descs;
}

void TDADataSetService::GetKeyAndDataFields(TKeyAndDataFields& fields, bool) const {
    fields.KeyFieldDescs = NamedKeyFields();
    if (fields.KeyFieldDescs.empty())
        if (dataaccess::TFieldDesc* identity = IdentityField()) fields.KeyFieldDescs.push_back(identity);
    fields.DataFieldDescs.clear();
    for (const auto& desc : dataSet_->RecordStore()->Fields())
        if (!desc->OwnerField && !desc->Hidden && !desc->ReadOnly && desc.get() != IdentityField() &&
            OfUpdatingTable(*desc))
            fields.DataFieldDescs.push_back(desc.get());
}

} // namespace components
