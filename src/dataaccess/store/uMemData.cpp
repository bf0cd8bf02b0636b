#include "dataaccess/store/uMemData.h"

#include "dataaccess/store/uBcd.h"
#include "dataaccess/store/uBlob.h"
#include "dataaccess/store/uBoolParser.h"
#include "dataaccess/store/uCompressedBlob.h"
#include "dataaccess/store/uDAConsts.h"
#include "dataaccess/store/uDataUtils.h"
#include "dataaccess/store/uMarshal.h"
#include "dataaccess/store/uSharedObject.h"
#include "dataaccess/store/uSQLTimeStamp.h"
#include "platform/data/DataError.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

namespace dataaccess {

namespace {

// Every fill of every store gets its own iteration, so bookmarks of an earlier fill are recognised.
std::atomic<int32_t> gRefreshIteration{1};

std::string Trim(std::string text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A numeric field value in its stored form.
long double NumberAt(const void* value, uint16_t type, uint32_t byteSize) {
    switch (type) {
    case dtInt8:
        return byteSize >= 2 ? LoadAs<int16_t>(value) : LoadAs<int8_t>(value);
    case dtInt16:
        return LoadAs<int16_t>(value);
    case dtInt32:
        return LoadAs<int32_t>(value);
    case dtUInt16:
        return LoadAs<uint16_t>(value);
    case dtUInt32:
        return LoadAs<uint32_t>(value);
    case dtInt64:
        return static_cast<long double>(LoadAs<int64_t>(value));
    case dtBoolean:
        return LoadAs<int16_t>(value) != 0 ? 1 : 0;
    default: // floating types and date-times
        return LoadAs<double>(value);
    }
}

// Byte values in their comparable form: 16-bit length, then the bytes.
int CompareByteValues(const void* value, const void* field, int flags) {
    const auto* a = static_cast<const uint8_t*>(value);
    const auto* b = static_cast<const uint8_t*>(field);
    const size_t lengthA = LoadAs<uint16_t>(a), lengthB = LoadAs<uint16_t>(b);
    a += kVarBytesLengthSize;
    b += kVarBytesLengthSize;
    if (flags & cfSubstring) return std::search(b, b + lengthB, a, a + lengthA) != b + lengthB ? 0 : 1;
    if (flags & cfPartial) {
        if (lengthA > lengthB) return 1;
        const int c = lengthA ? std::memcmp(a, b, lengthA) : 0;
        return (c > 0) - (c < 0);
    }
    const size_t common = std::min(lengthA, lengthB);
    if (const int c = common ? std::memcmp(a, b, common) : 0) return c < 0 ? -1 : 1;
    return CompareOrdered(lengthA, lengthB);
}

int CompareVariantValues(const rtl::Variant& a, const rtl::Variant& b, int flags) {
    const bool nullA = a.IsNull() || a.IsEmpty(), nullB = b.IsNull() || b.IsEmpty();
    if (nullA || nullB) return nullA && nullB ? 0 : (nullA ? -1 : 1);
    if (a.Type() == rtl::varArray && b.Type() == rtl::varArray) {
        const auto &itemsA = a.AsArray(), &itemsB = b.AsArray();
        if (itemsA.size() != itemsB.size()) return CompareOrdered(itemsA.size(), itemsB.size());
        for (size_t i = 0; i < itemsA.size(); ++i)
            if (const int c = CompareVariants(itemsA[i], itemsB[i])) return c;
        return 0;
    }
    if (IsNumericVariant(a) && IsNumericVariant(b)) return CompareVariants(a, b);
    if (IsTextVariant(a) || IsTextVariant(b)) return MatchStrings(a.AsString(), b.AsString(), flags);
    return CompareVariants(a, b);
}

} // namespace

TMemData::TMemData() {
    InitData();
}

TMemData::~TMemData() {
    try {
        Close();
    } catch (...) {
        // A store being destroyed has nobody left to tell.
    }
}

// ---- Life cycle

void TMemData::InitData() {
    TData::InitData();
    firstItem_ = lastItem_ = currentItem_ = nullptr;
    cache_.clear();
    recordNoCache_.clear();
    refreshIteration_ = ++gRefreshIteration;
}

void TMemData::FreeData() {
    TStringHeap& heap = StringHeap();
    const bool generalAllocator = heap.GeneralAllocatorUsed();
    // Buffers carved from the heap's blocks go with the blocks; only other values are freed one by one.
    if (!generalAllocator) heap.Clear();
    const bool objects = std::any_of(Fields().begin(), Fields().end(), [this](const auto& field) {
        return field->TypeCode == dtVariant || IsBlobFieldType(field->TypeCode);
    });
    if (objects || generalAllocator) {
        for (PItemHeader item = firstItem_; item; item = item->Next)
            FreeComplexFields(Record(item), true);
        for (const TCacheItem& entry : cache_)
            if (entry.Item->Rollback) FreeComplexFields(Record(entry.Item->Rollback), true);
    }
    cache_.clear();
    ++cacheRemovals_;
    heap.Clear();
    blockManager_.DisposeAll();
    InitData();
}

void TMemData::ComputeRecordLayout() {
    TData::ComputeRecordLayout();
    RTL_ASSERT_MSG(!blockManager_.FirstBlock() || blockManager_.RecordSize() == RecordSize(),
                   "Record layout changed while rows exist");
    // The calculated area is not stored in items.
    blockManager_.SetRecordSize(RecordSize());
    sortColumns_ = ParseIndexFieldNames(indexFieldNames_);
}

void TMemData::ClearFields() {
    sortColumns_.clear();
    TData::ClearFields();
}

void TMemData::Reopen() {
    TData::Reopen();
    recordNoCache_.clear();
    if (!FilterText().empty()) FilterUpdated();
    if (!sortColumns_.empty()) SortItems();
}

// ---- List

void TMemData::LinkItem(PItemHeader item, PItemHeader before) {
    item->Next = before;
    item->Prev = before ? before->Prev : lastItem_;
    if (item->Prev)
        item->Prev->Next = item;
    else
        firstItem_ = item;
    if (before)
        before->Prev = item;
    else
        lastItem_ = item;
}

void TMemData::UnlinkItem(PItemHeader item) {
    if (item->Prev)
        item->Prev->Next = item->Next;
    else
        firstItem_ = item->Next;
    if (item->Next)
        item->Next->Prev = item->Prev;
    else
        lastItem_ = item->Prev;
    item->Prev = item->Next = nullptr;
}

void TMemData::SetCurrent(PItemHeader item) {
    currentItem_ = item;
    if (item) bof_ = eof_ = false;
}

void TMemData::RemoveItem(PItemHeader item) {
    if (item == currentItem_) {
        currentItem_ = item->Next ? item->Next : item->Prev;
        if (!currentItem_) bof_ = eof_ = true;
    }
    FreeComplexFields(Record(item), true);
    UnlinkItem(item);
    blockManager_.ReturnItem(item);
    ++itemStamp_;
    recordNoCache_.clear();
}

void TMemData::DeleteItem(PItemHeader item) {
    if (!IsOmitted(item)) {
        item->FilterState = fsOmitted;
        --recordCount_;
        Renumber(item, rmDelete);
    }
    RemoveItem(item);
}

// ---- Filter and numbering

bool TMemData::RecordPasses(void* record) {
    if (!FilterActive()) return true;
    std::vector<uint8_t> calculated;
    if (CalcRecordSize() > 0 && OnCalcFields) {
        calculated = CalcBuffer(record);
        record = calculated.data();
    }
    if (OnFilterRecord && !OnFilterRecord(record)) return false;
    if (OnMasterDetailFilter && !OnMasterDetailFilter(record)) return false;
    return !FilterExpression() || FilterExpression()->Evaluate(*this, record);
}

bool TMemData::IsOmitted(PItemHeader item) {
    if (!item) return true;
    if (item->FilterState != fsNotChecked) return item->FilterState == fsOmitted;
    const bool visible =
        (!CachedUpdates() || FilterItemTypes().Contains(static_cast<TItemStatus>(item->Status))) &&
        RecordPasses(Record(item));
    item->FilterState = visible ? fsVisible : fsOmitted;
    return !visible;
}

void TMemData::ResetFilterState() {
    for (PItemHeader item = firstItem_; item; item = item->Next)
        item->FilterState = fsNotChecked;
}

bool TMemData::FilterUpdated() {
    ResetFilterState();
    Renumber(nullptr, rmAll);
    if (recordCount_ == 0) SetToEnd();
    return recordCount_ == 0;
}

void TMemData::SetFilterItemTypes(TItemTypes types) {
    if (types == FilterItemTypes()) return;
    TData::SetFilterItemTypes(types);
    FilterUpdated();
}

PItemHeader TMemData::NextVisible(PItemHeader item) {
    while (item && IsOmitted(item))
        item = item->Next;
    return item;
}

PItemHeader TMemData::PriorVisible(PItemHeader item) {
    while (item && IsOmitted(item))
        item = item->Prev;
    return item;
}

void TMemData::Renumber(PItemHeader item, TRenumberMode mode) {
    recordNoCache_.clear();
    if (mode == rmAll || !item) {
        int32_t n = 0;
        for (PItemHeader i = firstItem_; i; i = i->Next)
            i->Order = IsOmitted(i) ? 0 : ++n;
        recordNoOffset_ = 0;
        recordCount_ = n;
        return;
    }
    const PItemHeader reference = item->Next ? item->Next : item->Prev;
    if (!reference) {
        item->Order = IsOmitted(item) ? 0 : 1;
        recordNoOffset_ = 0;
        return;
    }
    if (reference->Order > (recordCount_ + recordNoOffset_) / 2) {
        // Upwards from the changed item to the end.
        const PItemHeader before = PriorVisible(item->Prev);
        int32_t n = 0;
        if (before)
            n = before->Order;
        else
            recordNoOffset_ = 0;
        for (PItemHeader i = item; i; i = i->Next)
            i->Order = IsOmitted(i) ? 0 : ++n;
    } else {
        // Downwards from the changed item to the first; the offset keeps the later numbers right.
        const PItemHeader after = NextVisible(item->Next);
        int32_t n;
        if (after) {
            n = after->Order - 1;
            recordNoOffset_ += mode == rmInsert ? 1 : -1;
        } else {
            n = recordCount_;
            recordNoOffset_ = 0;
        }
        for (PItemHeader i = item; i; i = i->Prev)
            i->Order = IsOmitted(i) ? 0 : n--;
    }
}

void TMemData::NumberNewItems(PItemHeader item, bool keepCount, bool forward) {
    recordNoCache_.clear();
    if (forward) {
        const PItemHeader before = item ? PriorVisible(item->Prev) : nullptr;
        int32_t n = before ? before->Order : 0;
        for (PItemHeader i = item; i; i = i->Next) {
            const bool visible = !IsOmitted(i);
            i->Order = visible ? ++n : 0;
            if (visible && !keepCount) ++recordCount_;
        }
    } else {
        int32_t n = item ? item->Order : 0;
        for (PItemHeader i = item; i; i = i->Prev) {
            const bool visible = !IsOmitted(i);
            i->Order = visible ? n-- : 0;
            if (visible && !keepCount) ++recordCount_;
        }
    }
}

int TMemData::GetRecordNo() const {
    return currentItem_ ? RecordNoOf(currentItem_) : 0;
}

void TMemData::SetRecordNo(int recordNo) {
    if (recordNo < 1 || !firstItem_) return;
    if (!recordNoCache_.empty()) {
        if (recordNo <= static_cast<int>(recordNoCache_.size())) SetCurrent(recordNoCache_[recordNo - 1]);
        return;
    }
    // Start from whichever known position is closest: the first, the current or the last row.
    PItemHeader start = NextVisible(firstItem_);
    if (!start) return;
    const auto distance = [&](PItemHeader item) { return std::abs(RecordNoOf(item) - recordNo); };
    if (currentItem_ && !IsOmitted(currentItem_) && distance(currentItem_) < distance(start))
        start = currentItem_;
    if (const PItemHeader last = PriorVisible(lastItem_); last && distance(last) < distance(start))
        start = last;

    PItemHeader item = start;
    while (item && RecordNoOf(item) < recordNo) {
        PItemHeader next = NextVisible(item->Next);
        while (!next && Fetch())
            next = NextVisible(item->Next);
        item = next;
    }
    while (item && RecordNoOf(item) > recordNo)
        item = PriorVisible(item->Prev);
    if (item && RecordNoOf(item) == recordNo) SetCurrent(item);
}

void TMemData::BuildRecordNoCache() {
    if (!recordNoCache_.empty()) return;
    recordNoCache_.reserve(static_cast<size_t>(recordCount_));
    for (PItemHeader item = firstItem_; item; item = item->Next)
        if (!IsOmitted(item)) recordNoCache_.push_back(item);
}

void TMemData::CalcRecordRange(PItemHeader first, PItemHeader last) {
    if (!OnCalcFields) return;
    if (!first) first = firstItem_;
    if (!last) last = lastItem_;
    for (PItemHeader item = first; item; item = item->Next) {
        // Items hold no calculated area: the hook works on a full buffer and the record part goes back.
        const std::vector<uint8_t> buffer = CalcBuffer(Record(item));
        std::memcpy(Record(item), buffer.data(), static_cast<size_t>(RecordSize()));
        if (item == last) break;
    }
}

// ---- Navigation

void TMemData::GetRecord(void* record) {
    if (bof_ || eof_ || !currentItem_) return;
    if (IsOmitted(currentItem_)) {
        GetNextRecord(record);
        return;
    }
    blockManager_.GetItemRecord(currentItem_, record);
}

void TMemData::GetNextRecord(void* record) {
    if (eof_) return;
    PItemHeader item = bof_ || !currentItem_ ? firstItem_ : currentItem_->Next;
    bof_ = false;
    currentItem_ = NextVisible(item);
    if (!currentItem_)
        eof_ = true;
    else if (record)
        GetRecord(record);
}

void TMemData::GetPriorRecord(void* record) {
    if (bof_) return;
    PItemHeader item = eof_ || !currentItem_ ? lastItem_ : currentItem_->Prev;
    eof_ = false;
    currentItem_ = PriorVisible(item);
    if (!currentItem_)
        bof_ = true;
    else if (record)
        GetRecord(record);
}

void TMemData::SetToBegin() {
    currentItem_ = nullptr;
    bof_ = true;
    if (firstItem_) eof_ = false;
}

void TMemData::SetToEnd() {
    currentItem_ = nullptr;
    eof_ = true;
    if (firstItem_) bof_ = false;
}

// ---- Changes

void TMemData::PutRecord(void* record) {
    RTL_ASSERT(currentItem_);
    blockManager_.PutItemRecord(currentItem_, record);
    currentItem_->FilterState = fsNotChecked;
    recordNoCache_.clear();
}

void TMemData::AppendRecord(void* record) {
    SetToEnd();
    InsertRecord(record);
}

void TMemData::CommitBlobRollbacks(void* record) {
    for (const auto& field : Fields())
        if (!field->OwnerField && IsBlobFieldType(field->TypeCode))
            if (TBlob* blob = BlobSlot(record, *field)) blob->CommitRollback();
}

void TMemData::InsertRecord(void* record) {
    if (!CachedUpdates()) DoInsert(record);
    PItemHeader before;
    if (currentItem_)
        before = currentItem_;
    else
        before = eof_ ? nullptr : firstItem_;
    const PItemHeader item = blockManager_.TakeItem();
    LinkItem(item, before);
    SetCurrent(item);
    if (CachedUpdates()) {
        item->Status = isInserted;
        item->UpdateResult = urNone;
        cache_.push_back({item});
    }
    PutRecord(record);
    CommitBlobRollbacks(record);
    if (!sortColumns_.empty()) MoveToSortedPlace(item, before ? CompareRecords(record, Record(before)) : -1);
    if (IsOmitted(item)) {
        item->Order = 0;
        return;
    }
    ++recordCount_;
    Renumber(item, rmInsert);
}

void TMemData::SplitChangedBlobs(PItemHeader item) {
    void* rollback = Record(item->Rollback);
    for (const auto& field : Fields()) {
        if (field->OwnerField || !IsBlobFieldType(field->TypeCode)) continue;
        TBlob* blob = BlobSlot(Record(item), *field);
        if (!blob || !blob->HasRollback() || blob != BlobSlot(rollback, *field)) continue;
        TBlob* old = new TCompressedBlob(blob->IsUnicode());
        blob->SetViewRollback(true);
        old->ShareData(blob->Data());
        blob->SetViewRollback(false);
        Marshal::StorePointer(FieldData(rollback, *field), old);
        blob->CommitRollback();
        blob->Release();
    }
}

void TMemData::UpdateRecord(void* record) {
    RTL_ASSERT(currentItem_);
    const PItemHeader item = currentItem_;
    const bool wasVisible = !IsOmitted(item);
    if (CachedUpdates()) {
        if (item->Status == isUnmodified) cache_.push_back({item});
        if (item->Status != isInserted || item->UpdateResult == urApplied) {
            item->Status = isUpdated;
            if (!item->Rollback) {
                const PItemHeader rollback = blockManager_.TakeItem();
                blockManager_.CopyItemRecord(item, rollback);
                AddRefComplexFields(Record(rollback));
                item->Rollback = rollback;
            }
            SplitChangedBlobs(item);
        }
        item->UpdateResult = urNone;
    } else {
        DoUpdate(record);
    }
    const int firstOrder = sortColumns_.empty() ? 0 : CompareRecords(record, Record(item));
    PutRecord(record);
    if (!sortColumns_.empty()) {
        MoveToSortedPlace(item, firstOrder);
        Renumber(nullptr, rmAll);
    } else if (wasVisible == IsOmitted(item)) {
        Renumber(nullptr, rmAll);
    }
}

void TMemData::DeleteRecord() {
    RTL_ASSERT(currentItem_);
    const PItemHeader item = currentItem_;
    if (item == lastItem_) Fetch();
    if (!CachedUpdates()) {
        DoDelete();
        DeleteItem(item);
        return;
    }
    const bool wasVisible = !IsOmitted(item);
    switch (item->Status) {
    case isUnmodified:
        cache_.push_back({item});
        item->Status = isDeleted;
        break;
    case isUpdated:
        RestoreFromRollback(item);
        item->Status = isDeleted;
        break;
    case isInserted:
        EraseCacheEntry(FindCacheEntry(item));
        DeleteItem(item);
        return;
    default:
        return;
    }
    item->UpdateResult = urNone;
    item->FilterState = fsNotChecked;
    if (wasVisible && IsOmitted(item)) {
        --recordCount_;
        Renumber(item, rmDelete);
    }
}

void TMemData::RemoveCurrentItem() {
    RTL_ASSERT(currentItem_);
    const PItemHeader item = currentItem_;
    bool gone = false;
    if (CachedUpdates()) {
        const auto entry = FindCacheEntry(item);
        if (entry != cache_.end()) {
            gone = item->Status == isInserted; // reverting removes it
            EraseCacheEntry(entry);
            RevertItem(item);
        }
    }
    if (!gone) RemoveItem(item);
    Renumber(nullptr, rmAll);
}

// ---- Bookmarks

void TMemData::GetBookmark(TRecBookmark& bookmark) {
    bookmark.RefreshIteration = refreshIteration_;
    bookmark.Item = currentItem_;
    bookmark.RecordNo = currentItem_ ? RecordNoOf(currentItem_) : -1;
    bookmark.ItemStamp = itemStamp_;
}

bool TMemData::ItemAlive(const TRecBookmark& bookmark) const {
    if (bookmark.RefreshIteration != refreshIteration_ || !bookmark.Item) return false;
    // When some item left since, look for this one without touching it.
    return bookmark.ItemStamp == itemStamp_ || InList(bookmark.Item);
}

bool TMemData::InList(PItemHeader item) const {
    for (PItemHeader i = firstItem_; i; i = i->Next)
        if (i == item) return true;
    return false;
}

void TMemData::SetToBookmark(const TRecBookmark& bookmark) {
    if (ItemAlive(bookmark) && bookmark.Item->Marker == kItemInUse) {
        SetCurrent(bookmark.Item);
        return;
    }
    TData::SetToBookmark(bookmark);
}

bool TMemData::BookmarkValid(const TRecBookmark* bookmark) {
    if (!bookmark || (bookmark->RecordNo == -1 && !bookmark->Item)) return false;
    if (!FilterActive()) return true;
    return ItemAlive(*bookmark) && !IsOmitted(bookmark->Item);
}

int TMemData::CompareBookmarks(const TRecBookmark* a, const TRecBookmark* b) {
    if (a && b && ItemAlive(*a) && ItemAlive(*b)) {
        if (a->Item == b->Item) return 0;
        return CompareOrdered(a->Item->Order, b->Item->Order);
    }
    return TData::CompareBookmarks(a, b);
}

// ---- Cached updates

std::list<TCacheItem>::iterator TMemData::FindCacheEntry(PItemHeader item) {
    return std::find_if(cache_.begin(), cache_.end(),
                        [item](const TCacheItem& entry) { return entry.Item == item; });
}

std::list<TCacheItem>::iterator TMemData::EraseCacheEntry(std::list<TCacheItem>::iterator entry) {
    ++cacheRemovals_;
    return cache_.erase(entry);
}

TItemStatus TMemData::GetUpdateStatus() const {
    return currentItem_ ? static_cast<TItemStatus>(currentItem_->Status) : isUnmodified;
}

TUpdateResult TMemData::GetUpdateResult() const {
    return currentItem_ ? static_cast<TUpdateResult>(currentItem_->UpdateResult) : urNone;
}

bool TMemData::UpdatesPending() const {
    return std::any_of(cache_.begin(), cache_.end(),
                       [](const TCacheItem& entry) { return entry.Item->UpdateResult != urApplied; });
}

void TMemData::SetCacheRecBuf(void* newValues, void* oldValues) {
    newValues_ = newValues;
    oldValues_ = oldValues;
}

void TMemData::ApplyUpdates() {
    if (!CachedUpdates()) return;
    const PItemHeader remembered = currentItem_;
    const uint32_t stampBefore = itemStamp_;
    bool moved = false;
    auto runStart = cache_.end();
    for (auto entry = cache_.begin(); entry != cache_.end();) {
        const PItemHeader item = entry->Item;
        if (item->UpdateResult == urApplied) {
            ++entry;
            continue;
        }
        SetCurrent(item);
        TUpdateRecKind kind;
        switch (item->Status) {
        case isUpdated:
            kind = ukUpdate;
            break;
        case isInserted:
            kind = ukInsert;
            break;
        case isDeleted:
            kind = ukDelete;
            break;
        default:
            rtl::AssertionFailed("Unknown update status", __FILE__, __LINE__);
        }
        if (newValues_) blockManager_.GetItemRecord(item, newValues_);
        if (oldValues_)
            blockManager_.GetItemRecord(kind == ukUpdate && item->Rollback ? item->Rollback : item,
                                        oldValues_);

        TUpdateRecAction action = urFail;
        const uint32_t removalsBefore = cacheRemovals_;
        DoApplyRecord(kind, action, std::next(entry) == cache_.end());
        // The hook may close the store or drop cached changes: the walk cannot go on then.
        if (!Active() || (cacheRemovals_ != removalsBefore && FindCacheEntry(item) == cache_.end())) return;

        if (kind != ukDelete && newValues_) {
            const int firstOrder = sortColumns_.empty() ? 0 : CompareRecords(newValues_, Record(item));
            PutRecord(newValues_);
            if (!sortColumns_.empty()) MoveToSortedPlace(item, firstOrder);
            moved = true;
        }
        if (action == urSuspended) {
            if (runStart == cache_.end()) runStart = entry;
            ++entry;
            continue;
        }
        for (auto e = runStart == cache_.end() ? entry : runStart;; ++e) {
            e->Item->UpdateResult = action;
            if (e == entry) break;
        }
        if (action == urRetry) {
            if (runStart != cache_.end()) entry = runStart;
            runStart = cache_.end();
            continue;
        }
        runStart = cache_.end();
        ++entry;
    }
    if (moved) Renumber(nullptr, rmAll);
    if (!remembered || itemStamp_ == stampBefore || InList(remembered)) currentItem_ = remembered;
}

void TMemData::CommitUpdates() {
    if (UpdatesPending()) ApplyUpdates();
    bool removed = false;
    for (auto entry = cache_.begin(); entry != cache_.end();) {
        const PItemHeader item = entry->Item;
        if (item->UpdateResult != urApplied) {
            ++entry;
            continue;
        }
        if (item->Rollback) {
            FreeComplexFields(Record(item->Rollback), true);
            blockManager_.ReturnItem(item->Rollback);
            item->Rollback = nullptr;
        }
        entry = EraseCacheEntry(entry);
        if (item->Status == isDeleted) {
            RemoveItem(item);
            removed = true;
        } else {
            item->Status = isUnmodified;
            item->UpdateResult = urNone;
        }
    }
    if (removed) Renumber(nullptr, rmAll);
}

void TMemData::CancelUpdates() {
    for (const TCacheItem& entry : std::list<TCacheItem>(cache_))
        RevertItem(entry.Item);
    cache_.clear();
    ++cacheRemovals_;
    Renumber(nullptr, rmAll);
}

void TMemData::ResetUpdateResults() {
    if (!CachedUpdates()) return;
    for (const TCacheItem& entry : cache_)
        entry.Item->UpdateResult = urNone;
}

void TMemData::RevertRecord() {
    if (!currentItem_) return;
    const auto entry = FindCacheEntry(currentItem_);
    if (entry == cache_.end()) return;
    const PItemHeader item = currentItem_;
    EraseCacheEntry(entry);
    RevertItem(item);
    Renumber(nullptr, rmAll);
}

void TMemData::RestoreFromRollback(PItemHeader item) {
    const PItemHeader rollback = item->Rollback;
    if (!rollback) return;
    for (const auto& field : Fields()) {
        if (field->OwnerField || !IsBlobFieldType(field->TypeCode)) continue;
        TBlob* current = BlobSlot(Record(item), *field);
        TBlob* old = BlobSlot(Record(rollback), *field);
        if (!current || !old) continue;
        if (current == old) {
            current->Release(); // the copy's owner
            continue;
        }
        // The row keeps its blob object, with the old data in it.
        current->CommitRollback();
        current->ShareData(old->Data());
        Marshal::StorePointer(FieldData(Record(rollback), *field), current);
        old->Release();
    }
    FreeComplexFields(Record(item), false);
    blockManager_.CopyItemRecord(rollback, item);
    blockManager_.ReturnItem(rollback);
    item->Rollback = nullptr;
}

void TMemData::RevertItem(PItemHeader item) {
    switch (item->Status) {
    case isUpdated:
        RestoreFromRollback(item);
        item->Status = isUnmodified;
        break;
    case isInserted:
        RemoveItem(item);
        return;
    case isDeleted:
        item->Status = isUnmodified;
        break;
    default:
        break;
    }
    item->UpdateResult = urNone;
    item->FilterState = fsNotChecked;
}

void TMemData::GetOldRecord(void* record) {
    if (bof_ || eof_ || !currentItem_) return;
    blockManager_.GetItemRecord(currentItem_->Rollback ? currentItem_->Rollback : currentItem_, record);
}

// ---- Sorting

void TMemData::GetSortDefaults(bool& descending, TSortType& sortType) const {
    descending = false;
    sortType = stCaseSensitive;
}

void TMemData::SetIndexFieldNames(const std::string& text) {
    if (Active()) {
        // A bad text leaves the order as it was.
        sortColumns_ = ParseIndexFieldNames(text);
        indexFieldNames_ = text;
        SortItems();
    } else {
        indexFieldNames_ = text;
    }
}

TSortColumns TMemData::ParseIndexFieldNames(const std::string& text) const {
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) return {};
    const auto bad = [] { data::DatabaseError(SBadIndexFieldNames); };
    TBoolParser lexer(text);
    std::string lexem;
    int code = lexer.NextLexem(lexem);
    TSortColumns columns;
    for (;;) {
        std::string name;
        if (code == lxIdent || code == lxString ||
            (code >= TBoolParser::bcAnd && code <= TBoolParser::bcTrue)) {
            name = lexem;
        } else if (code == TBoolParser::bcOpenBracket) {
            lexer.SetSkipBlanks(false);
            std::string part;
            for (int c = lexer.NextLexem(part); c != TBoolParser::bcCloseBracket; c = lexer.NextLexem(part)) {
                if (c == lxEnd) bad();
                name += part;
            }
            lexer.SetSkipBlanks(true);
        } else {
            bad();
        }
        TSortColumn column;
        column.FieldDesc = &FieldDescByName(name);
        GetSortDefaults(column.DescendingOrder, column.SortType);
        bool orderSet = false, typeSet = false;
        for (code = lexer.NextLexem(lexem); code == lxIdent; code = lexer.NextLexem(lexem)) {
            const std::string word = AnsiUpper(lexem);
            bool& set = word == "ASC" || word == "DESC" ? orderSet : typeSet;
            if (set || (word != "ASC" && word != "DESC" && word != "CIS" && word != "CS" && word != "BIN"))
                bad();
            set = true;
            if (word == "ASC" || word == "DESC")
                column.DescendingOrder = word == "DESC";
            else
                column.SortType =
                    word == "CIS" ? stCaseInsensitive : (word == "BIN" ? stBinary : stCaseSensitive);
        }
        columns.push_back(column);
        if (code == lxEnd) break;
        if (code != lxSymbol || (lexem != ";" && lexem != ",")) bad();
        code = lexer.NextLexem(lexem);
    }
    return columns;
}

bool TMemData::NeedsCalcForSort() const {
    return OnCalcFields && CalcRecordSize() > 0 &&
           std::any_of(sortColumns_.begin(), sortColumns_.end(),
                       [](const TSortColumn& column) { return column.FieldDesc->IsCalculated(); });
}

std::vector<uint8_t> TMemData::CalcBuffer(void* record) const {
    std::vector<uint8_t> buffer(static_cast<size_t>(RecordSize() + CalcRecordSize()));
    std::memcpy(buffer.data(), record, static_cast<size_t>(RecordSize()));
    OnCalcFields(buffer.data(), record);
    return buffer;
}

int TMemData::CompareSortColumn(void* record1, void* record2, const TSortColumn& column) const {
    const int flags = column.SortType == stCaseInsensitive ? cfCaseInsensitive
                                                           : (column.SortType == stBinary ? cfBinary : 0);
    return CompareFieldValue(record1, record2, flags, *column.FieldDesc);
}

int TMemData::CompareRecords(void* record1, void* record2) const {
    std::vector<uint8_t> calculated1, calculated2;
    if (NeedsCalcForSort()) {
        calculated1 = CalcBuffer(record1);
        calculated2 = CalcBuffer(record2);
        record1 = calculated1.data();
        record2 = calculated2.data();
    }
    for (const TSortColumn& column : sortColumns_) {
        const int order = CompareSortColumn(record1, record2, column);
        if (order != 0) return column.DescendingOrder ? -order : order;
    }
    return 0;
}

void TMemData::MoveToSortedPlace(PItemHeader item, int firstOrder) {
    if (firstOrder <= 0) {
        PItemHeader before = item->Prev;
        while (before && CompareRecords(Record(item), Record(before)) < 0)
            before = before->Prev;
        if (before != item->Prev) {
            UnlinkItem(item);
            LinkItem(item, before ? before->Next : firstItem_);
        }
    } else {
        PItemHeader after = item->Next;
        while (after && CompareRecords(Record(item), Record(after)) > 0)
            after = after->Next;
        if (after != item->Next) {
            UnlinkItem(item);
            LinkItem(item, after);
        }
    }
}

void TMemData::SortItems() {
    if (sortColumns_.empty() || !firstItem_) return;
    struct Key {
        PItemHeader item;
        void* record;
    };
    std::vector<Key> keys;
    std::vector<std::vector<uint8_t>> calculated;
    const bool calc = NeedsCalcForSort();
    for (PItemHeader item = firstItem_; item; item = item->Next) {
        if (calc) calculated.push_back(CalcBuffer(Record(item)));
        keys.push_back({item, calc ? calculated.back().data() : Record(item)});
    }
    // Calculated values are ready in the keys, so the comparison needs no hook.
    const auto compare = [this](const Key& a, const Key& b) {
        for (const TSortColumn& column : sortColumns_) {
            const int order = CompareSortColumn(a.record, b.record, column);
            if (order != 0) return (column.DescendingOrder ? -order : order) < 0;
        }
        return false;
    };
    std::stable_sort(keys.begin(), keys.end(), compare);
    firstItem_ = lastItem_ = nullptr;
    for (const Key& key : keys)
        LinkItem(key.item, nullptr);
    Renumber(nullptr, rmAll);
}

// ---- Value comparison

bool TMemData::TrimApplies(const TFieldDesc& field) const {
    return IsTextType(field.TypeCode) && (field.FixedChar ? TrimFixedChar() : TrimVarChar());
}

std::string TMemData::FieldText(void* record, const TFieldDesc& field) const {
    if (IsBlobType(field.TypeCode))
        return BlobSlot(record, field) ? BlobSlot(record, field)->ReadAsAnsi() : std::string();
    if (IsBytesType(field.TypeCode))
        throw rtl::EConversionError(rtl::Format(SCannotConvertType, field.TypeCode));
    const std::string text = VariantText(ReadFieldAsVariant(field.FieldNumber, record));
    return TrimApplies(field) ? Trim(text) : text;
}

int TMemData::CompareValues(const void* value, uint16_t valueType, int flags, void* record,
                            const TFieldDesc& field) const {
    const TComparableValue fieldValue = GetComparableValue(record, field);
    // Numbers, dates and booleans all compare by their numeric value.
    const TDataTypeGroup group = DataTypeGroup(valueType);
    if (group == TDataTypeGroup::Integer || group == TDataTypeGroup::Float ||
        group == TDataTypeGroup::DateTime || valueType == dtBoolean)
        return CompareOrdered(NumberAt(value, valueType, field.ByteSize),
                              NumberAt(fieldValue.Value, fieldValue.Type, field.ByteSize));
    switch (valueType) {
    case dtString:
    case dtGuid: {
        const bool plainText = fieldValue.Type == dtString || fieldValue.Type == dtGuid;
        if (plainText && !(flags & (cfPartial | cfSubstring)) && !TrimApplies(field))
            return CompareStrZ(static_cast<const char*>(value), static_cast<const char*>(fieldValue.Value),
                               flags);
        std::string own = static_cast<const char*>(value);
        if ((field.TypeCode == dtString || field.TypeCode == dtWideString) && TrimApplies(field))
            own = Trim(own);
        if (field.TypeCode == dtBCD || field.TypeCode == dtFMTBCD || field.TypeCode == dtGuid)
            flags |= cfCaseInsensitive;
        return MatchStrings(own, FieldText(record, field), flags);
    }
    case dtWideString: {
        std::u16string own = static_cast<const char16_t*>(value);
        if (fieldValue.Type == dtWideString && !(flags & (cfPartial | cfSubstring)) && !TrimApplies(field))
            return CompareWideStrings(own, static_cast<const char16_t*>(fieldValue.Value), flags);
        if ((field.TypeCode == dtString || field.TypeCode == dtWideString) && TrimApplies(field))
            own = rtl::Utf8ToUtf16(Trim(rtl::Utf16ToUtf8(own)));
        if (field.TypeCode == dtBCD || field.TypeCode == dtFMTBCD || field.TypeCode == dtGuid)
            flags |= cfCaseInsensitive;
        return MatchWideStrings(own, rtl::Utf8ToUtf16(FieldText(record, field)), flags);
    }
    case dtBCD:
        return CompareOrdered(std::llround(LoadAs<double>(value) * 10000.0),
                              std::llround(LoadAs<double>(fieldValue.Value) * 10000.0));
    case dtFMTBCD:
        return BcdCompare(LoadAs<TBcd>(value), LoadAs<TBcd>(fieldValue.Value));
    case dtSQLTimeStamp:
        return CompareSQLTimeStamps(LoadAs<TSQLTimeStamp>(value), LoadAs<TSQLTimeStamp>(fieldValue.Value));
    case dtVariant: {
        const auto* a = static_cast<const TVariantObject*>(Marshal::LoadPointer(value));
        const auto* b = static_cast<const TVariantObject*>(Marshal::LoadPointer(fieldValue.Value));
        return CompareVariantValues(a ? a->Value : rtl::Variant(), b ? b->Value : rtl::Variant(), flags);
    }
    case dtBytes:
    case dtVarBytes:
    case dtExtVarBytes:
        return CompareByteValues(value, fieldValue.Value, flags);
    default:
        rtl::AssertionFailed(rtl::Format("Unknown ValueType = %d", valueType).c_str(), __FILE__, __LINE__);
    }
}

int TMemData::CompareFieldValue(void* record1, void* record2, int flags, const TFieldDesc& field) const {
    const TComparableValue first = GetComparableValue(record1, field);
    const bool secondNull = IsFieldNull(field.FieldNumber, record2);
    if (first.IsNull || secondNull) return first.IsNull == secondNull ? 0 : (first.IsNull ? -1 : 1);
    return CompareValues(first.Value, first.Type, flags, record2, field);
}

} // namespace dataaccess
