// Data sources and the data links that connect grids, controls and detail sets to a data set.
#pragma once

#include "platform/data/Component.h"
#include "platform/data/DBTypes.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace data {

class TDataSet;
class TDataLink;
class TField;

// Connects data links (grids, controls, detail data sets) to a data set and passes its data events on.
class TDataSource : public TComponent {
public:
    explicit TDataSource(TComponent* owner);
    ~TDataSource() override;

    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);
    // While disabled the links see no data set.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    bool AutoEdit() const { return autoEdit_; }
    void SetAutoEdit(bool value) { autoEdit_ = value; }
    // The data set's state, dsInactive without an enabled data set.
    TDataSetState State() const { return state_; }
    // Puts the data set in edit mode when AutoEdit is on and it is browsing.
    void Edit();
    bool IsLinkedTo(const TDataSet* dataSet) const;

    std::function<void(TDataSource* sender)> OnStateChange;
    std::function<void(TDataSource* sender, TField* field)> OnDataChange;
    std::function<void(TDataSource* sender)> OnUpdateData;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TDataSet;
    friend class TDataLink;
    void DataEvent(TDataEvent event, intptr_t info);
    void NotifyLinks(TDataEvent event, intptr_t info);
    void UpdateState();
    void AddDataLink(TDataLink* link);
    void RemoveDataLink(TDataLink* link);

    TDataSet* dataSet_ = nullptr;
    std::vector<TDataLink*> links_;
    bool enabled_ = true;
    bool autoEdit_ = true;
    TDataSetState state_ = dsInactive;
};

// A window on the records of a data source's data set: BufferCount records starting at the link's
// first record, one of which is active. A data link is owned by its control; deleting it detaches it.
class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return dataSource_; }
    void SetDataSource(TDataSource* dataSource);
    TDataSet* DataSet() const;
    // The data source is enabled and its data set is open.
    bool Active() const { return active_; }
    // The data set is being edited or inserted into.
    bool Editing() const { return editing_; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    // Index of the active record in the link's window; setting it makes another record of the window
    // the data set's active one (for painting rows), without events.
    int ActiveRecord() const;
    void SetActiveRecord(int value);
    int BufferCount() const { return bufferCount_; }
    void SetBufferCount(int value);
    // Records in the link's window.
    int RecordCount() const;
    // Asks the data set into edit mode (through the data source); true when it is editing.
    bool Edit();
    // Writes the control's pending value into the field (UpdateData), once.
    void UpdateRecord();

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    // The link's window moved `distance` records (positive: forward); the base treats it as a change.
    virtual void DataSetScrolled(int distance) { DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void LayoutChanged() { DataSetChanged(); }
    // A field's value changed, or the whole record when `field` is null.
    virtual void RecordChanged(TField* field) {}
    virtual void UpdateData() {}

private:
    friend class TDataSource;
    friend class TDataSet;
    void DataEvent(TDataEvent event, intptr_t info);
    void UpdateState();
    void SetActive(bool value);
    void SetEditing(bool value);
    // Moves the window by the data set's record shift and then as little as needed to show the active
    // record inside the data set's records; answers how far it moved past the shift.
    int UpdateRange(int shift);

    TDataSource* dataSource_ = nullptr;
    int firstRecord_ = 0;
    int bufferCount_ = 1;
    bool active_ = false;
    bool editing_ = false;
    bool readOnly_ = false;
    bool updating_ = false;
};

// The link through which a master data set knows its detail data sets.
class TDetailDataLink : public TDataLink {
public:
    virtual TDataSet* GetDetailDataSet() const { return nullptr; }
};

} // namespace data
