#include "components/uMyDataSetService.h"

#include "components/uDADataSet.h"
#include "components/uMyDataSetUpdater.h"
#include "components/uMySQLGenerator.h"
#include "dataaccess/uMySQLFieldDesc.h"

namespace components {

using dataaccess::TMySQLFieldDesc;

std::unique_ptr<TDASQLGenerator> TMyDataSetService::CreateSQLGenerator() {
    return std::make_unique<TMySQLGenerator>(this);
}

std::unique_ptr<TDADataSetUpdater> TMyDataSetService::CreateUpdater() {
    return std::make_unique<TMyDataSetUpdater>(this);
}

dataaccess::TFieldDesc* TMyDataSetService::IdentityField() const {
    if (!DADataSet()->RecordStore()) return nullptr;
    for (const auto& desc : DADataSet()->RecordStore()->Fields()) {
        const auto* myDesc = dynamic_cast<const TMySQLFieldDesc*>(desc.get());
        if (myDesc && myDesc->IsAutoIncrement && !desc->Hidden && OfUpdatingTable(*desc)) return desc.get();
    }
    return nullptr;
}

void TMyDataSetService::GetKeyAndDataFields(TKeyAndDataFields& fields, bool allTables) const {
    TDADataSetService::GetKeyAndDataFields(fields, allTables);
    if (!DADataSet()->KeyFields().empty()) return;
    fields.KeyFieldDescs.clear();
    for (const auto& desc : DADataSet()->RecordStore()->Fields()) {
        const auto* myDesc = dynamic_cast<const TMySQLFieldDesc*>(desc.get());
        if (myDesc && myDesc->IsPrimaryKey && OfUpdatingTable(*desc))
            fields.KeyFieldDescs.push_back(desc.get());
    }
}

} // namespace components
