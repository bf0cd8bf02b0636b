// The in-memory record store: rows in blocks, cached updates and local sorting.
#pragma once

#include "dataaccess/store/uBlockManager.h"
#include "dataaccess/store/uData.h"
#include "dataaccess/store/uSortColumn.h"

#include <cstdint>
#include <list>
#include <string>
#include <vector>

namespace dataaccess {

// One change of cached updates: the changed row.
struct TCacheItem {
    PItemHeader Item;
};

// The record store under every data set: rows are items of a doubly linked list taken from a block
// manager. It navigates with beginning and end states, numbers the visible rows incrementally, gives
// and resolves bookmarks, inserts, updates and deletes rows through the server hooks or records the
// changes for cached updates, keeps the list sorted when sort columns are set, and filters rows.
class TMemData : public TData {
public:
    TMemData();
    ~TMemData() override;

    // ---- Navigation and numbering
    bool IsEof() const override { return !currentItem_ && eof_; }
    bool IsBof() const override { return !currentItem_ && bof_; }
    int GetRecordCount() const override { return recordCount_; }
    int GetRecordNo() const override;
    void SetRecordNo(int recordNo) override;
    void GetRecord(void* record) override;
    void GetNextRecord(void* record) override;
    void GetPriorRecord(void* record) override;
    void SetToBegin() override;
    void SetToEnd() override;

    // ---- Changes
    void PutRecord(void* record) override;
    void AppendRecord(void* record) override;
    void InsertRecord(void* record) override;
    void UpdateRecord(void* record) override;
    void DeleteRecord() override;
    // Drops the current row without a server action (a cached change is reverted first).
    void RemoveCurrentItem();

    // ---- Bookmarks
    void GetBookmark(TRecBookmark& bookmark) override;
    void SetToBookmark(const TRecBookmark& bookmark) override;
    bool BookmarkValid(const TRecBookmark* bookmark) override;
    int CompareBookmarks(const TRecBookmark* a, const TRecBookmark* b) override;

    // ---- Cached updates
    TItemStatus GetUpdateStatus() const override;
    TUpdateResult GetUpdateResult() const override;
    bool UpdatesPending() const override;
    void SetCacheRecBuf(void* newValues, void* oldValues) override;
    void ApplyUpdates() override;
    void CommitUpdates() override;
    void CancelUpdates() override;
    void ResetUpdateResults() override;
    void RevertRecord() override;
    void GetOldRecord(void* record) override;
    int CachedItemCount() const { return static_cast<int>(cache_.size()); }

    // ---- Filter
    void SetFilterItemTypes(TItemTypes types) override;
    bool FilterUpdated() override;
    // Whether the item is hidden (a missing item is); the answer is kept in its filter state.
    bool IsOmitted(PItemHeader item);
    // Every item is checked against the filter again at its next visit.
    void ResetFilterState();

    // ---- Sorting
    const std::string& IndexFieldNames() const { return indexFieldNames_; }
    // Fields separated by ";" or ",", each followed by ASC or DESC and by CIS, CS or BIN. Parsed and
    // applied at once while the store is active ("Invalid IndexFieldNames format!",
    // "Field %s not found").
    void SetIndexFieldNames(const std::string& text);
    const TSortColumns& SortColumns() const { return sortColumns_; }
    virtual void GetSortDefaults(bool& descending, TSortType& sortType) const;
    // Orders the rows by the sort columns.
    virtual void SortItems();

    // ---- Comparison (flags of uSortColumn.h)
    // The sign of `value` (in the comparable form of `valueType`) minus the field's value in the
    // record.
    virtual int CompareValues(const void* value, uint16_t valueType, int flags, void* record,
                              const TFieldDesc& field) const;
    // Nulls sort first; two nulls are equal.
    virtual int CompareFieldValue(void* record1, void* record2, int flags, const TFieldDesc& field) const;
    int CompareSortColumn(void* record1, void* record2, const TSortColumn& column) const;
    // By the sort columns; calculated sort fields are computed for the comparison.
    int CompareRecords(void* record1, void* record2) const;

    // ---- Items
    void Reopen() override;
    void ClearFields() override;
    // The server layer fetches further rows here; true when it added some.
    virtual bool Fetch() { return false; }
    void BuildRecordNoCache();
    // OnCalcFields for the records of the items from `first` to `last` (nullptr: the list's ends);
    // what the hook computes into the record part is kept.
    void CalcRecordRange(PItemHeader first = nullptr, PItemHeader last = nullptr);
    PItemHeader FirstItem() const { return firstItem_; }
    PItemHeader LastItem() const { return lastItem_; }
    PItemHeader CurrentItem() const { return currentItem_; }
    int32_t RecordNoOffset() const { return recordNoOffset_; }
    int32_t RefreshIteration() const { return refreshIteration_; }
    TBlockManager& BlockManager() { return blockManager_; }

protected:
    enum TRenumberMode { rmInsert = 0, rmDelete = 1, rmAll = 2 };

    void InitData() override;
    void FreeData() override;
    void ComputeRecordLayout() override;

    // Links the item before `before` (nullptr: at the end).
    void LinkItem(PItemHeader item, PItemHeader before);
    void UnlinkItem(PItemHeader item);
    // Renumbers after `item` became visible (rmInsert) or a visible `item` became hidden (rmDelete),
    // walking only the shorter side; rmAll numbers every item.
    void Renumber(PItemHeader item, TRenumberMode mode);
    // Numbers freshly added items from `item` on (forward) or back (not forward); each visible item
    // counts once more unless the count is kept.
    void NumberNewItems(PItemHeader item, bool keepCount, bool forward);
    // The sort columns of an IndexFieldNames text; raises for a bad one.
    TSortColumns ParseIndexFieldNames(const std::string& text) const;

private:
    static void* Record(PItemHeader item) { return TBlockManager::ItemRecord(item); }
    bool RecordPasses(void* record);
    int RecordNoOf(PItemHeader item) const { return item->Order + recordNoOffset_; }
    PItemHeader NextVisible(PItemHeader item);
    PItemHeader PriorVisible(PItemHeader item);
    void SetCurrent(PItemHeader item);
    // Frees the item's values, unlinks and returns it; a current item passes to a neighbour.
    void RemoveItem(PItemHeader item);
    // Removes a row, renumbering when it was visible.
    void DeleteItem(PItemHeader item);
    // Whether a bookmark's item is still a row of this fill.
    bool ItemAlive(const TRecBookmark& bookmark) const;
    bool InList(PItemHeader item) const;
    // Moves a changed item towards its sorted place; `firstOrder` is its comparison with its old
    // neighbour (<= 0: move towards the beginning).
    void MoveToSortedPlace(PItemHeader item, int firstOrder);
    bool NeedsCalcForSort() const;
    std::vector<uint8_t> CalcBuffer(void* record) const;
    void CommitBlobRollbacks(void* record);
    // The item's own blob keeps the old data after an update; the rollback copy gets a blob of it.
    void SplitChangedBlobs(PItemHeader item);
    void RestoreFromRollback(PItemHeader item);
    void RevertItem(PItemHeader item);
    std::list<TCacheItem>::iterator EraseCacheEntry(std::list<TCacheItem>::iterator entry);
    std::list<TCacheItem>::iterator FindCacheEntry(PItemHeader item);
    std::string FieldText(void* record, const TFieldDesc& field) const;
    bool TrimApplies(const TFieldDesc& field) const;

    TBlockManager blockManager_;
    PItemHeader firstItem_ = nullptr;
    PItemHeader lastItem_ = nullptr;
    PItemHeader currentItem_ = nullptr;
    // Changes of cached updates in the order they were made.
    std::list<TCacheItem> cache_;
    uint32_t cacheRemovals_ = 0;
    // Counts items that left the list, so bookmarks can tell whether their item may be gone.
    uint32_t itemStamp_ = 0;
    int32_t refreshIteration_ = 0;
    std::vector<PItemHeader> recordNoCache_;
    void* newValues_ = nullptr;
    void* oldValues_ = nullptr;
    std::string indexFieldNames_;
    TSortColumns sortColumns_;
};

} // namespace dataaccess
