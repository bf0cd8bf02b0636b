#include "lazytree/LazyTreeError.h"
#include "lazytree/LazyTreeModel.h"
#include "lazytree/ScopeExit.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Streams.h"

#include <algorithm>
#include <limits>

namespace lazytree {

namespace {

constexpr int32_t kAnchorChunk = 1;
constexpr int32_t kBaseChunk = 2;
constexpr int32_t kUserDataChunk = 4;
constexpr int64_t kChunkHeaderSize = 8;
constexpr int64_t kIdentifierSize = 12;

// Deeper than any tree anyone builds; keeps the recursive reader's stack bounded.
constexpr int kMaxStreamDepth = 512;

// States that are written, and the smaller set a reader accepts: what is under way (checking,
// clearing, toggling, deleting) or derived (a measured height, a cut mark) never comes from outside.
constexpr uint16_t kWrittenStates = 0xDDE9;
constexpr TLazyNodeStates kLoadableStates{nsInitialized,       nsDisabled,  nsExpanded,
                                          nsHasChildren,       nsVisible,   nsSelected,
                                          nsAllChildrenHidden, nsMultiline, nsFiltered};

struct TChunkHeader {
    int32_t Type = 0;
    int32_t Size = 0;
};

template <class T>
void WriteValue(rtl::TStream& stream, T value) {
    stream.WriteBuffer(&value, sizeof value); // little-endian on every target
}

template <class T>
T ReadValue(rtl::TStream& stream) {
    T value{};
    stream.ReadBuffer(&value, sizeof value);
    return value;
}

std::u16string Identifier(int version) {
    return {u'\u2045', u'V', u'T', static_cast<char16_t>(version), u' ', u'\u2046'};
}

int64_t BaseBodySize(int version) {
    return version == 1 ? 12 : 17;
}

// A chunk must fit the stream (else there is too little data) and the chunk enclosing it.
int64_t ChunkEnd(rtl::TStream& stream, int64_t size, int64_t limit) {
    const int64_t end = stream.Position() + size;
    if (end > stream.Size()) RaiseTreeError(SStreamTooSmall, hcTFStreamTooSmall);
    if (size < 0 || end > limit) RaiseTreeError(SCorruptStream2, hcTFCorruptStream2);
    return end;
}

TChunkHeader ReadChunkHeader(rtl::TStream& stream, int64_t limit) {
    ChunkEnd(stream, kChunkHeaderSize, limit);
    TChunkHeader header;
    header.Type = ReadValue<int32_t>(stream);
    header.Size = ReadValue<int32_t>(stream);
    return header;
}

void WriteChunkHeader(rtl::TStream& stream, int32_t type) {
    WriteValue<int32_t>(stream, type);
    WriteValue<int32_t>(stream, 0); // patched when the chunk is complete
}

// Walks the framing of one node chunk that must end by limit, building nothing: whatever it
// accepts, the reader can build without meeting a malformed chunk.
void CheckNodeChunk(rtl::TStream& stream, int version, int64_t limit, int depth) {
    if (depth > kMaxStreamDepth) RaiseTreeError(SStreamTooDeep, hcTFCorruptStream2);
    const TChunkHeader anchor = ReadChunkHeader(stream, limit);
    if (anchor.Type != kAnchorChunk) RaiseTreeError(SCorruptStream1, hcTFCorruptStream1);
    const int64_t end = ChunkEnd(stream, anchor.Size, limit);
    while (stream.Position() < end) {
        const TChunkHeader header = ReadChunkHeader(stream, end);
        const int64_t chunkEnd = ChunkEnd(stream, header.Size, end);
        if (header.Type == kBaseChunk) {
            ChunkEnd(stream, BaseBodySize(version), chunkEnd);
            stream.Seek(BaseBodySize(version), rtl::soCurrent);
            while (stream.Position() < chunkEnd)
                CheckNodeChunk(stream, version, chunkEnd, depth + 1);
        }
        stream.SetPosition(chunkEnd);
    }
}

// Checks the identifier and returns the version; the position is then after it.
int ReadStreamVersion(rtl::TStream& stream) {
    if (stream.Size() - stream.Position() < kIdentifierSize)
        RaiseTreeError(SStreamTooSmall, hcTFStreamTooSmall);
    std::u16string identifier(6, u'\0');
    stream.ReadBuffer(identifier.data(), kIdentifierSize);
    const std::u16string expected = Identifier(TLazyTreeModel::kStreamVersion);
    for (int unit : {0, 1, 2, 5})
        if (identifier[unit] != expected[unit]) RaiseTreeError(SWrongStreamFormat, hcTFWrongStreamFormat);
    const int version = identifier[3];
    if (version < 1 || version > TLazyTreeModel::kStreamVersion)
        RaiseTreeError(SWrongStreamVersion, hcTFWrongStreamVersion);
    return version;
}

// How many top-level chunks follow: version 1 streams have no count and hold as many as they hold.
uint32_t ReadTopLevelCount(rtl::TStream& stream, int version) {
    if (version == 1) return std::numeric_limits<uint32_t>::max();
    if (stream.Size() - stream.Position() < 4) RaiseTreeError(SStreamTooSmall, hcTFStreamTooSmall);
    return ReadValue<uint32_t>(stream);
}

void ResetTotals(PLazyNode node) {
    node->TotalCount = 1;
    node->TotalHeight = node->NodeHeight;
    for (PLazyNode child = node->FirstChild; child; child = child->NextSibling)
        ResetTotals(child);
}

void CollectSubtree(PLazyNode node, std::vector<PLazyNode>& nodes) {
    nodes.push_back(node);
    for (PLazyNode child = node->FirstChild; child; child = child->NextSibling)
        CollectSubtree(child, nodes);
}

} // namespace

// ---- Writing ----

void TLazyTreeModel::SaveToStream(rtl::TStream& stream, PLazyNode node) {
    const std::u16string identifier = Identifier(kStreamVersion);
    stream.WriteBuffer(identifier.data(), kIdentifierSize);
    if (node && node != root_) {
        WriteValue<uint32_t>(stream, 1);
        WriteChunks(stream, node);
        return;
    }
    WriteValue<uint32_t>(stream, root_->ChildCount);
    for (PLazyNode run = root_->FirstChild; run; run = run->NextSibling)
        WriteChunks(stream, run);
}

void TLazyTreeModel::WriteChunks(rtl::TStream& stream, PLazyNode node) {
    if (options_.MiscOptions.Contains(toInitOnSave)) {
        EnsureInitialized(node);
        EnsureChildrenCounted(node);
    }
    const int64_t start = stream.Position();
    WriteChunkHeader(stream, kAnchorChunk);
    WriteNode(stream, node);
    PatchChunkSize(stream, start, stream.Position());
}

void TLazyTreeModel::WriteNode(rtl::TStream& stream, PLazyNode node) {
    const int64_t baseStart = stream.Position();
    WriteChunkHeader(stream, kBaseChunk);
    WriteValue<uint32_t>(stream, node->ChildCount);
    WriteValue<uint32_t>(stream, node->NodeHeight);
    WriteValue<uint16_t>(stream, node->States.Bits() & kWrittenStates);
    WriteValue<uint8_t>(stream, node->Align);
    WriteValue<uint8_t>(stream, node->CheckState);
    WriteValue<uint8_t>(stream, node->CheckType);
    WriteValue<uint32_t>(stream, 0);
    // The children of a node never initialised are not known yet: only their count is.
    if (node->States.Contains(nsInitialized))
        for (PLazyNode child = node->FirstChild; child; child = child->NextSibling)
            WriteChunks(stream, child);
    PatchChunkSize(stream, baseStart, stream.Position());

    const int64_t userStart = stream.Position();
    WriteChunkHeader(stream, kUserDataChunk);
    if (OnSaveNode) OnSaveNode(*this, node, stream);
    if (stream.Position() == userStart + kChunkHeaderSize) {
        // Nothing written: the empty chunk goes again.
        stream.SetPosition(userStart);
        if (stream.Size() == userStart + kChunkHeaderSize) stream.SetSize(userStart);
    } else {
        PatchChunkSize(stream, userStart, stream.Position());
    }
    WriteNodeExtras(stream, node);
}

void TLazyTreeModel::PatchChunkSize(rtl::TStream& stream, int64_t startPos, int64_t endPos) {
    stream.SetPosition(startPos + 4);
    WriteValue<int32_t>(stream, static_cast<int32_t>(endPos - startPos - kChunkHeaderSize));
    stream.SetPosition(endPos);
}

// ---- Reading ----

void TLazyTreeModel::LoadFromStream(rtl::TStream& stream) {
    if (ReadOnly()) return;
    const int version = ReadStreamVersion(stream);
    const int64_t body = stream.Position();
    // Every chunk is checked before the old content goes.
    for (uint32_t count = ReadTopLevelCount(stream, version); count > 0 && stream.Position() < stream.Size();
         --count)
        CheckNodeChunk(stream, version, stream.Size(), 0);
    stream.SetPosition(body);

    Clear();
    {
        BeginUpdate();
        TScopeExit ended([this] { EndUpdate(); });
        for (uint32_t count = ReadTopLevelCount(stream, version);
             count > 0 && stream.Position() < stream.Size(); --count) {
            PLazyNode node = AddChild(root_);
            try {
                AddFromStream(stream, version, node);
            } catch (...) {
                RemoveNode(node);
                throw;
            }
        }
    }
    if (OnNodeCopied) OnNodeCopied(*this, nullptr);
}

void TLazyTreeModel::LoadFromFile(const std::string& fileName) {
    rtl::TFileStream stream(fileName, rtl::fmOpenRead | rtl::fmShareDenyWrite);
    LoadFromStream(stream);
}

void TLazyTreeModel::AddFromStream(rtl::TStream& stream, int version, PLazyNode node) {
    RTL_ASSERT_MSG(node && node != root_, "The root node cannot be loaded from stream.");
    const int64_t start = stream.Position();
    const int level = GetNodeLevel(node);
    CheckNodeChunk(stream, version, stream.Size(), level);
    stream.SetPosition(start);

    const uint32_t oldTotalCount = node->TotalCount;
    const uint32_t oldTotalHeight = IsEffectivelyVisible(node) ? node->TotalHeight : 0;
    const bool wasShown = IsFullyShown(node) && !IsEffectivelyFiltered(node);
    InvalidateCache(node);
    try {
        ReadNode(stream, version, node, level);
    } catch (...) {
        RepairAfterLoad(node, oldTotalCount, oldTotalHeight, wasShown);
        throw;
    }
    RepairAfterLoad(node, oldTotalCount, oldTotalHeight, wasShown);
}

void TLazyTreeModel::ReadNode(rtl::TStream& stream, int version, PLazyNode node, int depth) {
    const TChunkHeader anchor = ReadChunkHeader(stream, stream.Size());
    if (anchor.Type != kAnchorChunk) RaiseTreeError(SCorruptStream1, hcTFCorruptStream1);
    const int64_t end = ChunkEnd(stream, anchor.Size, stream.Size());
    while (stream.Position() < end) {
        const TChunkHeader header = ReadChunkHeader(stream, end);
        const int64_t chunkEnd = ChunkEnd(stream, header.Size, end);
        if (header.Type == kBaseChunk)
            ReadBaseChunk(stream, version, chunkEnd, node, depth);
        else if (header.Type == kUserDataChunk)
            ReadUserData(stream, chunkEnd, node);
        else
            ReadExtraChunk(stream, header.Type, header.Size, node);
        // Whatever a handler read, the next chunk starts where this one's header says.
        stream.SetPosition(chunkEnd);
    }
}

void TLazyTreeModel::ReadBaseChunk(rtl::TStream& stream, int version, int64_t end, PLazyNode node,
                                   int depth) {
    const int64_t bodyEnd = ChunkEnd(stream, BaseBodySize(version), end);
    ReadValue<uint32_t>(stream); // the saved child count: the child chunks that follow say how many
    const uint32_t height = ReadValue<uint32_t>(stream);
    uint16_t stateBits;
    if (version == 1) {
        const uint8_t old = ReadValue<uint8_t>(stream);
        stateBits =
            static_cast<uint16_t>((old & 0x7F) | (1u << nsVisible) | ((old & 0x80) ? 1u << nsSelected : 0));
    } else {
        stateBits = ReadValue<uint16_t>(stream);
    }
    TLazyNodeStates states;
    for (int bit = 0; bit < 16; ++bit) {
        const auto state = static_cast<TLazyNodeState>(bit);
        if ((stateBits & (1u << bit)) && kLoadableStates.Contains(state)) states.Include(state);
    }
    node->States = states;
    node->NodeHeight =
        static_cast<uint16_t>(std::min<uint32_t>(height, std::numeric_limits<uint16_t>::max()));
    node->TotalHeight = node->NodeHeight;
    node->TotalCount = 1;
    node->Align = ReadValue<uint8_t>(stream);
    const uint8_t checkState = ReadValue<uint8_t>(stream);
    const uint8_t checkType = ReadValue<uint8_t>(stream);
    node->CheckState =
        checkState <= csMixedPressed ? static_cast<TCheckState>(checkState) : csUncheckedNormal;
    node->CheckType = checkType <= ctButton ? static_cast<TCheckType>(checkType) : ctNone;
    stream.SetPosition(bodyEnd);

    // Each child is linked before it is read, so that the counts hold wherever reading stops.
    while (stream.Position() < end) {
        PLazyNode child = CreateNodeBlock();
        child->Parent = node;
        child->PrevSibling = node->LastChild;
        child->Index = node->LastChild ? node->LastChild->Index + 1 : 0;
        (node->LastChild ? node->LastChild->NextSibling : node->FirstChild) = child;
        node->LastChild = child;
        ++node->ChildCount;
        ReadNode(stream, version, child, depth + 1);
    }
    if (node->ChildCount > 0) {
        node->States.Include(nsHasChildren);
        UpdateHiddenChildrenFlag(node);
    }
}

void TLazyTreeModel::ReadUserData(rtl::TStream& stream, int64_t end, PLazyNode node) {
    if (stream.Position() < end && OnLoadNode) OnLoadNode(*this, node, stream);
}

void TLazyTreeModel::RepairAfterLoad(PLazyNode node, uint32_t oldTotalCount, uint32_t oldTotalHeight,
                                     bool wasShown) {
    ResetTotals(node);
    RecountTotals(node);
    RecomputeTotalHeights(node);
    const uint32_t newTotalCount = node->TotalCount;
    node->TotalCount = oldTotalCount;
    PropagateTotalCount(node, newTotalCount, false);

    PLazyNode parent = node->Parent;
    const int64_t newTotalHeight = IsEffectivelyVisible(node) ? node->TotalHeight : 0;
    if (parent->States.Contains(nsExpanded))
        PropagateTotalHeight(parent, newTotalHeight - static_cast<int64_t>(oldTotalHeight), true);

    // The node counted itself when it was shown; now its shown children count too.
    if (wasShown) --visibleCount_;
    if (IsFullyShown(node) && !IsEffectivelyFiltered(node)) visibleCount_ += 1 + CountVisibleChildren(node);
    if (parent != root_) UpdateHiddenChildrenFlag(parent);

    std::vector<PLazyNode> loaded;
    CollectSubtree(node, loaded);
    const bool multiSelect = options_.SelectionOptions.Contains(toMultiSelect);
    std::vector<PLazyNode> selected;
    for (PLazyNode run : loaded) {
        int index;
        if (!run->States.Contains(nsSelected) || FindNodeInSelection(run, index)) continue;
        if (multiSelect)
            selected.push_back(run);
        else
            run->States.Exclude(nsSelected);
    }
    if (!selected.empty()) AddToSelection(std::move(selected), true);
    InvalidateCache(node);
}

void TLazyTreeModel::SkipNode(rtl::TStream& stream) {
    const TChunkHeader anchor = ReadChunkHeader(stream, stream.Size());
    if (anchor.Type != kAnchorChunk) RaiseTreeError(SCorruptStream1, hcTFCorruptStream1);
    stream.SetPosition(ChunkEnd(stream, anchor.Size, stream.Size()));
}

// ---- Moving ----

void TLazyTreeModel::MoveNodeTo(PLazyNode source, PLazyNode target, TVTNodeAttachMode mode,
                                bool childrenOnly) {
    if (!source || source == root_ || mode == amNoWhere || ReadOnly()) return;
    RTL_ASSERT_MSG(OwnerTreeOfNode(source) == this, "The source tree must contain the source node.");
    const bool besideItself = childrenOnly && (mode == amInsertBefore || mode == amInsertAfter);
    if (target == source && !besideItself) return;

    TLazyTreeModel* targetTree = this;
    if (!target) {
        target = root_;
        mode = amAddChildFirst;
    } else {
        targetTree = OwnerTreeOfNode(target);
    }
    if (target == targetTree->root_) {
        if (mode == amInsertBefore) mode = amAddChildFirst;
        if (mode == amInsertAfter) mode = amAddChildLast;
    } else {
        targetTree->EnsureInitialized(target);
        targetTree->EnsureChildrenCounted(target);
    }
    bool allowed = true;
    if (OnNodeMoving) OnNodeMoving(*this, source, target == targetTree->root_ ? nullptr : target, allowed);
    if (!allowed) return;

    if (targetTree != this) {
        MoveToOtherTree(source, *targetTree, target, mode, childrenOnly);
    } else {
        if (target != source && HasAsParent(target, source))
            RaiseTreeError(SWrongMoveError, hcTFWrongMoveError);
        auto move = [&](PLazyNode node, bool reindex) {
            DisconnectNode(node, true, reindex);
            ConnectNode(node, target, mode);
            if (OnNodeMoved) OnNodeMoved(*this, node);
        };
        if (!childrenOnly) {
            move(source, true);
        } else if (mode == amAddChildFirst) {
            for (PLazyNode run = source->LastChild; run;) {
                PLazyNode previous = run->PrevSibling;
                move(run, false);
                run = previous;
            }
        } else {
            for (PLazyNode run = source->FirstChild; run;) {
                PLazyNode next = run->NextSibling;
                move(run, false);
                run = next;
            }
        }
    }

    InvalidateCache();
    if (updateCount_ == 0) {
        ValidateCache();
        UpdateScrollBars();
        InvalidateWindow();
        if (targetTree != this) targetTree->InvalidateWindow();
    }
    StructureChange(targetTree == this ? ReportedNode(source) : nullptr, crNodeMoved);
}

void TLazyTreeModel::MoveToOtherTree(PLazyNode source, TLazyTreeModel& targetTree, PLazyNode target,
                                     TVTNodeAttachMode mode, bool childrenOnly) {
    rtl::TMemoryStream stream;
    uint32_t count = 0;
    if (childrenOnly) {
        for (PLazyNode run = source->FirstChild; run; run = run->NextSibling, ++count)
            WriteChunks(stream, run);
    } else {
        WriteChunks(stream, source);
        count = 1;
    }
    stream.SetPosition(0);
    {
        targetTree.BeginUpdate();
        TScopeExit ended([&targetTree] { targetTree.EndUpdate(); });
        for (; count > 0; --count) {
            PLazyNode node = targetTree.CreateNodeBlock();
            targetTree.ConnectNode(node, target, mode);
            targetTree.AddFromStream(stream, kStreamVersion, node);
            if (OnNodeMoved) OnNodeMoved(*this, node);
        }
    }
    BeginUpdate();
    TScopeExit ended([this] { EndUpdate(); });
    if (childrenOnly)
        RemoveChildren(source);
    else
        RemoveNode(source);
}

} // namespace lazytree
