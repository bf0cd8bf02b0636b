#include "dataaccess/store/uBlockManager.h"
#include "dataaccess/store/uStringHeap.h"
#include "platform/rtl/Exception.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace dataaccess {
namespace {

using ::testing::HasSubstr;

int BlockCount(const TBlockManager& manager) {
    int count = 0;
    for (PBlockHeader block = manager.FirstBlock(); block; block = block->Prev)
        ++count;
    return count;
}

int FreeCount(const TBlockManager& manager) {
    int count = 0;
    for (PItemHeader item = manager.FirstFree(); item; item = item->Next) {
        EXPECT_EQ(item->Marker, kItemFree);
        EXPECT_EQ(item->Prev == nullptr, item == manager.FirstFree());
        ++count;
    }
    return count;
}

TEST(BlockManagerTest, LayoutConstants) {
    EXPECT_EQ(offsetof(TItemHeader, Status), 4 * sizeof(void*));
    EXPECT_GE(kItemHeaderSize, 4 * sizeof(void*) + 9);
    EXPECT_GE(kBlockHeaderSize, 2 * sizeof(void*) + 5);
    EXPECT_EQ(kItemHeaderSize % kItemAlignment, 0u);
}

TEST(BlockManagerTest, ItemsComeTenToABlockAndBlocksGoWhenUnused) {
    TBlockManager manager;
    manager.SetRecordSize(15);
    std::vector<PItemHeader> items;
    for (int i = 0; i < 11; ++i)
        items.push_back(manager.TakeItem());
    EXPECT_EQ(BlockCount(manager), 2);
    EXPECT_EQ(FreeCount(manager), 9);
    EXPECT_EQ(manager.FirstBlock()->UsedItems, 1);
    EXPECT_EQ(manager.FirstBlock()->Prev->UsedItems, kDefaultItemCount);
    EXPECT_EQ(std::set<PItemHeader>(items.begin(), items.end()).size(), 11u);

    const PItemHeader last = items.back();
    EXPECT_EQ(last->Block, manager.FirstBlock());
    manager.ReturnItem(last);
    EXPECT_EQ(BlockCount(manager), 1);
    EXPECT_EQ(FreeCount(manager), 0);
    EXPECT_EQ(manager.FirstBlock()->Next, nullptr);

    manager.ReturnItem(items[3]);
    EXPECT_EQ(FreeCount(manager), 1);
    EXPECT_EQ(manager.FirstBlock()->UsedItems, kDefaultItemCount - 1);
    EXPECT_EQ(manager.TakeItem(), items[3]); // the free list is reused before a new block
    EXPECT_EQ(BlockCount(manager), 1);
}

TEST(BlockManagerTest, TakenItemsAreReset) {
    TBlockManager manager;
    manager.SetRecordSize(3);
    PItemHeader item = manager.TakeItem();
    EXPECT_EQ(item->Marker, kItemInUse);
    EXPECT_EQ(item->UpdateResult, urNone);
    EXPECT_EQ(item->Status, isUnmodified);
    item->Status = isDeleted;
    item->Order = 42;
    item->FilterState = fsOmitted;
    item->UpdateResult = urApplied;
    item->Rollback = item;
    PItemHeader keep = manager.TakeItem(); // keeps the block alive
    manager.ReturnItem(item);
    EXPECT_EQ(manager.TakeItem(), item);
    EXPECT_EQ(item->Status, isUnmodified);
    EXPECT_EQ(item->UpdateResult, urNone);
    EXPECT_EQ(item->Order, 0);
    EXPECT_EQ(item->FilterState, fsNotChecked);
    EXPECT_EQ(item->Rollback, nullptr);
    manager.ReturnItem(keep);
    manager.ReturnItem(item);
    EXPECT_EQ(BlockCount(manager), 0);
}

TEST(BlockManagerTest, RecordsFollowTheHeader) {
    TBlockManager manager;
    manager.SetRecordSize(5);
    PItemHeader a = manager.TakeItem();
    PItemHeader b = manager.TakeItem();
    EXPECT_EQ(TBlockManager::ItemRecord(a), reinterpret_cast<uint8_t*>(a) + kItemHeaderSize);
    // Items of an odd record size are spaced so that every header and record stays aligned.
    EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % kItemAlignment, 0u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % kItemAlignment, 0u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(TBlockManager::ItemRecord(b)) % kItemAlignment, 0u);

    manager.PutItemRecord(a, "hello");
    manager.CopyItemRecord(a, b);
    char out[6] = {};
    manager.GetItemRecord(b, out);
    EXPECT_STREQ(out, "hello");
    EXPECT_EQ(b->Marker, kItemInUse); // the header is untouched by record copies
}

TEST(BlockManagerTest, MarkersGuardMisuse) {
    TBlockManager manager;
    manager.SetRecordSize(1);
    PItemHeader item = manager.TakeItem();
    PItemHeader other = manager.TakeItem();
    manager.ReturnItem(item);
    EXPECT_THROW(manager.ReturnItem(item), rtl::EAssertionFailed);
    manager.FirstFree()->Marker = 0; // a corrupted free item
    EXPECT_THROW(manager.TakeItem(), rtl::EAssertionFailed);
    manager.FirstFree()->Marker = kItemFree;
    manager.ReturnItem(other);
}

TEST(BlockManagerTest, DisposeAllFreesEverything) {
    TBlockManager manager;
    manager.SetRecordSize(7);
    for (int i = 0; i < 25; ++i)
        manager.TakeItem();
    EXPECT_EQ(BlockCount(manager), 3);
    manager.DisposeAll();
    EXPECT_EQ(BlockCount(manager), 0);
    EXPECT_EQ(manager.FirstFree(), nullptr);
    manager.SetDefaultItemCount(2);
    manager.TakeItem();
    EXPECT_EQ(manager.FirstBlock()->ItemCount, 2);
}

// ---- String heap

TEST(StringHeapTest, LayoutConstants) {
    EXPECT_GE(kStrHeaderSize, 6u);
    EXPECT_EQ(kHeapBlockDataSize, kHeapBlockSize - sizeof(void*));
    EXPECT_EQ(kMinRemainder, kStrHeaderSize + 8);
}

TEST(StringHeapTest, SizeClasses) {
    TStringHeap heap;
    EXPECT_EQ(heap.NewBuf(0), nullptr);
    EXPECT_TRUE(heap.Empty());
    struct Case {
        int size;
        int32_t dataSize;
    };
    const Case cases[] = {{1, 8}, {8, 8}, {9, 16}, {2000, 2000}};
    size_t free = kHeapBlockDataSize;
    for (const Case& c : cases) {
        void* buffer = heap.NewBuf(c.size);
        EXPECT_EQ(TStringHeap::BufSize(buffer), c.dataSize);
        EXPECT_EQ(TStringHeap::BufRefCount(buffer), kRefCountOne);
        free -= c.dataSize + kStrHeaderSize;
        EXPECT_EQ(heap.FreeSize(), free) << c.size;
    }
    EXPECT_FALSE(heap.GeneralAllocatorUsed());

    void* large = heap.NewBuf(2001);
    EXPECT_EQ(TStringHeap::BufSize(large), 2008);
    EXPECT_EQ(heap.FreeSize(), free); // not carved from the block
    EXPECT_TRUE(heap.GeneralAllocatorUsed());
    heap.DisposeBuf(large);
}

TEST(StringHeapTest, SharedBufferSurvivesFirstDispose) {
    TStringHeap heap;
    void* buffer = heap.NewBuf(20);
    heap.AddRefStr(buffer);
    EXPECT_EQ(TStringHeap::BufRefCount(buffer), 102);
    heap.DisposeBuf(buffer);
    EXPECT_EQ(TStringHeap::BufRefCount(buffer), kRefCountOne);
    heap.DisposeBuf(buffer);
    EXPECT_EQ(TStringHeap::BufRefCount(buffer), kRefCountFree);
    EXPECT_EQ(heap.NewBuf(17), buffer); // same class: the free list hands it out again
    EXPECT_EQ(TStringHeap::BufRefCount(buffer), kRefCountOne);
    EXPECT_NE(heap.NewBuf(17), buffer);
    heap.AddRefStr(nullptr);
    heap.DisposeBuf(nullptr);
}

TEST(StringHeapTest, MisuseFailsAssertions) {
    TStringHeap heap;
    void* buffer = heap.NewBuf(8);
    heap.DisposeBuf(buffer);
    try {
        heap.AddRefStr(buffer);
        FAIL() << "no assertion";
    } catch (const rtl::EAssertionFailed& e) {
        EXPECT_THAT(e.Message(), HasSubstr("AddRefStr failed"));
    }
    try {
        heap.DisposeBuf(buffer);
        FAIL() << "no assertion";
    } catch (const rtl::EAssertionFailed& e) {
        EXPECT_THAT(e.Message(), HasSubstr("DisposeBuf failed"));
    }
    void* broken = heap.NewBuf(8);
    reinterpret_cast<TStrHeader*>(static_cast<uint8_t*>(broken) - kStrHeaderSize)->Size = 0;
    try {
        heap.DisposeBuf(broken);
        FAIL() << "no assertion";
    } catch (const rtl::EAssertionFailed& e) {
        EXPECT_THAT(e.Message(), HasSubstr("SmallTab in DisposeBuf failed"));
    }
}

TEST(StringHeapTest, BlockRemainderGoesToItsFreeList) {
    TStringHeap heap;
    while (heap.FreeSize() >= 2000 + kStrHeaderSize)
        heap.NewBuf(2000);
    const size_t rest = heap.FreeSize();
    ASSERT_GE(rest, kMinRemainder);
    const int32_t restData = static_cast<int32_t>((rest - kStrHeaderSize) / 8 * 8);

    heap.NewBuf(2000); // does not fit: a new block, the rest of the old one is a free buffer
    EXPECT_EQ(heap.FreeSize(), kHeapBlockDataSize - 2000 - kStrHeaderSize);
    void* recycled = heap.NewBuf(restData);
    EXPECT_EQ(TStringHeap::BufSize(recycled), restData);
    EXPECT_EQ(heap.FreeSize(), kHeapBlockDataSize - 2000 - kStrHeaderSize); // taken from the free list
}

// Carves buffers until exactly `target` bytes are left in the newest block, starting on a new block
// when fewer are left or when the gap is too small for a buffer.
void FillBlockTo(TStringHeap& heap, size_t target) {
    const size_t unit = kHeapAlignment;
    const size_t largest = kStrHeaderSize + unit * kSmallClassCount;
    while (heap.FreeSize() < target || heap.FreeSize() - target == unit)
        heap.NewBuf(2000);
    while (heap.FreeSize() > target) {
        const size_t gap = heap.FreeSize() - target;
        if (gap <= largest)
            heap.NewBuf(static_cast<int>(gap - kStrHeaderSize));
        else if (gap >= 2 * largest)
            heap.NewBuf(2000);
        else
            heap.NewBuf(kHeapAlignment);
    }
    ASSERT_EQ(heap.FreeSize(), target);
}

TEST(StringHeapTest, LastBytesOfABlockJoinTheBufferThatLeavesThem) {
    struct Case {
        int size;
        size_t leftOver; // bytes the buffer would leave in its block
        int32_t recorded;
        bool newBlock;
    };
    const Case cases[] = {
        {80, kMinRemainder, 80, false},    // enough for one more buffer
        {80, kMinRemainder - 8, 88, true}, // too few: 8 of them join the buffer
        {80, 0, 80, true},                 // the block is full
        {73, kMinRemainder - 8, 88, true}, // class 10 grows to class 11
    };
    TStringHeap heap;
    heap.NewBuf(1);
    for (const Case& c : cases) {
        const int32_t dataSize = (c.size + 7) / 8 * 8;
        FillBlockTo(heap, static_cast<size_t>(dataSize) + kStrHeaderSize + c.leftOver);
        void* buffer = heap.NewBuf(c.size);
        EXPECT_EQ(TStringHeap::BufSize(buffer), c.recorded) << c.size << "/" << c.leftOver;
        EXPECT_EQ(heap.FreeSize(), c.newBlock ? kHeapBlockDataSize : c.leftOver);
        heap.DisposeBuf(buffer);
        EXPECT_EQ(heap.NewBuf(c.recorded), buffer); // recycled in its grown class
    }
}

TEST(StringHeapTest, LargestSmallBufferNeverGrowsIntoTheGeneralAllocator) {
    TStringHeap heap;
    heap.NewBuf(1);
    FillBlockTo(heap, 2000 + kStrHeaderSize + 8);
    void* buffer = heap.NewBuf(2000);
    // 2008 bytes would count as a large buffer and be handed to free() inside a block.
    EXPECT_EQ(TStringHeap::BufSize(buffer), 2000);
    EXPECT_EQ(heap.FreeSize(), kHeapBlockDataSize);
    heap.DisposeBuf(buffer);
    EXPECT_EQ(heap.NewBuf(2000), buffer);
    EXPECT_FALSE(heap.GeneralAllocatorUsed());
}

TEST(StringHeapTest, AllocTextAndTrimming) {
    TStringHeap heap;
    EXPECT_EQ(heap.AllocAnsi(nullptr), nullptr);
    char* text = heap.AllocAnsi("abc  ");
    EXPECT_STREQ(text, "abc  ");
    EXPECT_STREQ(heap.AllocAnsi("abc  ", -1, true), "abc");
    char* blank = heap.AllocAnsi("    ", -1, true);
    ASSERT_NE(blank, nullptr);
    EXPECT_STREQ(blank, "");
    char* counted = heap.AllocAnsi("a\0bcd", 3);
    EXPECT_EQ(std::string(counted, 4), std::string("a\0b\0", 4));
    EXPECT_EQ(TStringHeap::BufSize(counted), 8);

    char16_t* wide = heap.AllocWide(u"\u00e9t\u00e9 ", -1, true);
    EXPECT_EQ(std::u16string(wide), u"\u00e9t\u00e9");
    EXPECT_EQ(TStringHeap::BufSize(wide), 8);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(wide) % kHeapAlignment, 0u);
    EXPECT_EQ(heap.AllocWide(nullptr), nullptr);
}

TEST(StringHeapTest, ClearDropsBlocksAndFreeLists) {
    TStringHeap heap;
    for (int i = 0; i < 40; ++i)
        heap.DisposeBuf(heap.NewBuf(1000));
    EXPECT_FALSE(heap.Empty());
    void* large = heap.NewBuf(5000);
    heap.Clear();
    EXPECT_TRUE(heap.Empty());
    EXPECT_FALSE(heap.GeneralAllocatorUsed());
    EXPECT_EQ(heap.FreeSize(), kHeapBlockDataSize);
    // Large buffers are their owners' business, also after Clear.
    EXPECT_EQ(TStringHeap::BufRefCount(large), kRefCountOne);
    heap.DisposeBuf(large);
    void* fresh = heap.NewBuf(1000);
    EXPECT_EQ(TStringHeap::BufRefCount(fresh), kRefCountOne);
}

} // namespace
} // namespace dataaccess
