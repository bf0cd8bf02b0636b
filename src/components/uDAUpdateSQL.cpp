#include "components/uDAUpdateSQL.h"

#include "components/uDADataSet.h"
#include "components/uDADataSetService.h"
#include "components/uDADataSetUpdater.h"
#include "components/uDASQL.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

namespace components {

namespace {

constexpr TStatementType kSQLTypes[] = {stInsert, stUpdate, stDelete, stLock, stRefresh};

TStatementType StatementTypeOf(data::TUpdateKind kind) {
    switch (kind) {
    case data::ukModify:
        return stUpdate;
    case data::ukInsert:
        return stInsert;
    case data::ukDelete:
        return stDelete;
    }
    RTL_ASSERT(false);
    return stCustom;
}

} // namespace

TCustomDAUpdateSQL::TCustomDAUpdateSQL(data::TComponent* owner) : TComponent(owner) {
    for (TStatementType type : kSQLTypes)
        sql_[type] = std::make_unique<rtl::TStringList>();
}

TCustomDAUpdateSQL::~TCustomDAUpdateSQL() {
    Destroying();
    if (dataSet_ && dataSet_->UpdateObject() == this) dataSet_->SetUpdateObject(nullptr);
    for (data::TComponent* object : objects_)
        if (object) RemoveFreeNotification(object);
}

void TCustomDAUpdateSQL::SetSQL(TStatementType type, const rtl::TStringList& lines) {
    RTL_ASSERT(sql_[type]);
    sql_[type]->Assign(lines);
}

rtl::TStringList& TCustomDAUpdateSQL::GetSQLForUpdateKind(data::TUpdateKind kind) const {
    return *sql_[StatementTypeOf(kind)];
}

bool TCustomDAUpdateSQL::IsDataSetClass(const data::TComponent* component) const {
    return dynamic_cast<const TCustomDADataSet*>(component) != nullptr;
}

bool TCustomDAUpdateSQL::IsSQLClass(const data::TComponent* component) const {
    return dynamic_cast<const TCustomDASQL*>(component) != nullptr;
}

void TCustomDAUpdateSQL::CheckObject(const data::TComponent* value, const TCustomDADataSet* dataSet) const {
    if (!value) return;
    if (IsDataSetClass(value) || IsSQLClass(value)) {
        if (dataSet && value == dataSet)
            throw rtl::Exception("Circular references are not allowed between TCustomDADataset and "
                                 "TCustomDAUpdateSQL objects");
        return;
    }
    throw rtl::Exception(rtl::Format("Only %s and %s objects are allowed in update properties",
                                     DataSetClassName(), SQLClassName()));
}

void TCustomDAUpdateSQL::CheckObjects(const TCustomDADataSet* dataSet) const {
    for (TStatementType type : {stUpdate, stInsert, stDelete, stRefresh})
        CheckObject(objects_[type], dataSet);
}

void TCustomDAUpdateSQL::SetObject(TStatementType type, data::TComponent* value) {
    CheckObject(value, dataSet_);
    if (objects_[type] == value) return;
    if (objects_[type]) RemoveFreeNotification(objects_[type]);
    objects_[type] = value;
    if (value) FreeNotification(value);
}

void TCustomDAUpdateSQL::ExecSQL(data::TUpdateKind kind) {
    RTL_ASSERT(dataSet_);
    const TStatementType type = StatementTypeOf(kind);
    dataSet_->DADataSetService()->Updater()->RunUpdateStatement(sql_[type]->Text(), TStatementTypes{type});
}

void TCustomDAUpdateSQL::Notification(data::TComponent* component, data::TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != data::opRemove) return;
    for (data::TComponent*& object : objects_)
        if (object == component) object = nullptr;
}

void TCustomDAUpdateSQL::AssignTo(data::TPersistent* dest) const {
    auto* other = dynamic_cast<TCustomDAUpdateSQL*>(dest);
    if (!other) {
        TComponent::AssignTo(dest);
        return;
    }
    for (TStatementType type : {stRefresh, stUpdate, stInsert, stDelete}) {
        other->SetSQL(type, *sql_[type]);
        other->SetObject(type, objects_[type]);
    }
    other->SetDataSet(dataSet_);
}

} // namespace components
