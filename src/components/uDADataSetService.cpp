#include "components/uDADataSetService.h"

#include "components/uDADataSet.h"
#include "components/uDADataSetUpdater.h"
#include "components/uDASQLGenerator.h"
#include "dataaccess/uCRRecordSet.h"

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

} // namespace components
