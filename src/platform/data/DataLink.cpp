#include "platform/data/DataLink.h"

#include "platform/data/DataError.h"
#include "platform/data/DataSet.h"
#include "platform/rtl/ScopeExit.h"

#include <algorithm>

namespace data {

// ---- TDataSource ----

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
    Destroying();
    while (!links_.empty())
        links_.back()->SetDataSource(nullptr);
    SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet == dataSet_) return;
    if (IsLinkedTo(dataSet)) DatabaseError("Circular datalinks are not allowed", this);
    if (dataSet_) {
        dataSet_->RemoveDataSource(this);
        RemoveFreeNotification(dataSet_);
    }
    dataSet_ = dataSet;
    if (dataSet_) {
        dataSet_->AddDataSource(this);
        FreeNotification(dataSet_);
    }
    UpdateState();
}

void TDataSource::SetEnabled(bool value) {
    enabled_ = value;
    UpdateState();
}

bool TDataSource::IsLinkedTo(const TDataSet* dataSet) const {
    // Whether `dataSet`, or a master it follows, takes its master records from this data source.
    while (dataSet) {
        const TDataSource* source = dataSet->GetDataSource();
        if (!source) break;
        if (source == this) return true;
        dataSet = source->DataSet();
    }
    return false;
}

void TDataSource::Edit() {
    if (autoEdit_ && state_ == dsBrowse) dataSet_->Edit();
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == dataSet_) SetDataSet(nullptr);
}

void TDataSource::UpdateState() {
    const TDataSetState state = enabled_ && dataSet_ ? dataSet_->State() : dsInactive;
    if (state == state_) return;
    const TDataSetState previous = state_;
    state_ = state;
    NotifyLinks(deUpdateState, 0);
    if (IsDestroying()) return;
    if (OnStateChange) OnStateChange(this);
    if (previous == dsInactive && OnDataChange) OnDataChange(this, nullptr);
}

void TDataSource::DataEvent(TDataEvent event, intptr_t info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (state_ == dsInactive) return;
    NotifyLinks(event, info);
    switch (event) {
    case deFieldChange:
        if (OnDataChange) OnDataChange(this, reinterpret_cast<TField*>(info));
        break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (OnDataChange) OnDataChange(this, nullptr);
        break;
    case deUpdateRecord:
        if (OnUpdateData) OnUpdateData(this);
        break;
    default:
        break;
    }
}

void TDataSource::NotifyLinks(TDataEvent event, intptr_t info) {
    // Copy: a link may detach itself or another one while it handles the event.
    const std::vector<TDataLink*> links = links_;
    for (TDataLink* link : links)
        if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->DataEvent(event, info);
}

void TDataSource::AddDataLink(TDataLink* link) {
    links_.push_back(link);
    link->dataSource_ = this;
    if (dataSet_) dataSet_->UpdateBufferCount();
    link->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* link) {
    link->dataSource_ = nullptr;
    std::erase(links_, link);
    link->UpdateState();
    if (dataSet_) dataSet_->UpdateBufferCount();
}

// ---- TDataLink ----

TDataLink::~TDataLink() {
    if (dataSource_) dataSource_->RemoveDataLink(this);
}

void TDataLink::SetDataSource(TDataSource* dataSource) {
    if (dataSource == dataSource_) return;
    if (dataSource_) dataSource_->RemoveDataLink(this);
    if (dataSource) dataSource->AddDataLink(this);
}

TDataSet* TDataLink::DataSet() const {
    return dataSource_ ? dataSource_->DataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool value) {
    readOnly_ = value;
    UpdateState();
}

int TDataLink::ActiveRecord() const {
    return active_ ? DataSet()->activeRecord_ - firstRecord_ : 0;
}

void TDataLink::SetActiveRecord(int value) {
    if (active_) DataSet()->SetActiveRecord(value + firstRecord_);
}

void TDataLink::SetBufferCount(int value) {
    value = std::max(value, 1);
    if (value == bufferCount_) return;
    bufferCount_ = value;
    if (!active_) return;
    DataSet()->UpdateBufferCount();
    UpdateRange(0);
}

int TDataLink::RecordCount() const {
    if (!active_) return 0;
    return std::clamp(DataSet()->recordCount_ - firstRecord_, 0, bufferCount_);
}

bool TDataLink::Edit() {
    if (!readOnly_ && dataSource_) dataSource_->Edit();
    return editing_;
}

void TDataLink::UpdateRecord() {
    const rtl::FlagScope updating(updating_);
    UpdateData();
}

void TDataLink::UpdateState() {
    const TDataSetState state = dataSource_ ? dataSource_->State() : dsInactive;
    SetActive(state != dsInactive);
    SetEditing((state == dsEdit || state == dsInsert || state == dsSetKey) && !readOnly_);
}

void TDataLink::SetActive(bool value) {
    if (value == active_) return;
    active_ = value;
    if (value)
        UpdateRange(0);
    else
        firstRecord_ = 0;
    ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
    if (value == editing_) return;
    editing_ = value;
    EditingChanged();
}

int TDataLink::UpdateRange(int shift) {
    const TDataSet* dataSet = DataSet();
    const int kept = firstRecord_ + shift;
    int first = kept;
    const int active = dataSet->activeRecord_;
    if (active < first)
        first = active;
    else if (active >= first + bufferCount_)
        first = active - bufferCount_ + 1;
    // No empty rows at the end while the data set has records before the window.
    if (first > 0 && first + bufferCount_ > dataSet->recordCount_)
        first = std::max(0, dataSet->recordCount_ - bufferCount_);
    firstRecord_ = std::max(first, 0);
    return firstRecord_ - kept;
}

void TDataLink::DataEvent(TDataEvent event, intptr_t info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!active_) return;
    switch (event) {
    case deFieldChange:
        if (!updating_) RecordChanged(reinterpret_cast<TField*>(info));
        break;
    case deRecordChange:
        if (!updating_) RecordChanged(nullptr);
        break;
    case deDataSetScroll:
        DataSetScrolled(UpdateRange(static_cast<int>(info)));
        break;
    case deDataSetChange:
        UpdateRange(0);
        DataSetChanged();
        break;
    case deLayoutChange:
        UpdateRange(0);
        LayoutChanged();
        break;
    case deUpdateRecord:
        UpdateRecord();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    default:
        break;
    }
}

} // namespace data
