#include "lazytree/LazyTreeModel.h"
#include "lazytree/ScopeExit.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Clipboard.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>

namespace lazytree {

namespace {

// The node chunks of a cut or copy, after their 32-bit size.
const char* const kNodeDataFormat = "Lazy Tree Data";
// Which tree of which process they came from: process id and tree number, 32 bits each.
const char* const kTreeReferenceFormat = "Lazy Tree Reference";

// The live trees by number: a reference on the clipboard can outlive its tree, so it names a number
// that is looked up here instead of an address.
std::map<uint32_t, TLazyTreeModel*>& LiveTrees() {
    static std::map<uint32_t, TLazyTreeModel*> trees;
    return trees;
}

ui::TClipboardFormat Format(const char* name) {
    return ui::RegisterClipboardFormat(name);
}

// The tree the clipboard's nodes came from, when it is one of this process and still alive.
TLazyTreeModel* SourceTree(const ui::TClipboard& clipboard) {
    const std::optional<std::string> reference = clipboard.GetData(Format(kTreeReferenceFormat));
    if (!reference || reference->size() != 8) return nullptr;
    uint32_t process = 0, id = 0;
    std::memcpy(&process, reference->data(), 4);
    std::memcpy(&id, reference->data() + 4, 4);
    if (process != static_cast<uint32_t>(getpid())) return nullptr;
    const auto found = LiveTrees().find(id);
    return found == LiveTrees().end() ? nullptr : found->second;
}

} // namespace

void TLazyTreeModel::ForgetClipboardReference() {
    if (clipboardId_ != 0) LiveTrees().erase(clipboardId_);
}

void TLazyTreeModel::MarkCutCopyNodes() {
    for (PLazyNode node : GetSortedSelection(true))
        if (!node->States.Contains(nsDisabled)) node->States.Include(nsCutOrCopy);
}

void TLazyTreeModel::CopyToClipboard() {
    if (selection_.empty()) return;
    PutOnClipboard(tsCopyPending);
}

void TLazyTreeModel::CutToClipboard() {
    if (selection_.empty() || ReadOnly()) return;
    PutOnClipboard(tsCutPending);
}

void TLazyTreeModel::PutOnClipboard(TLazyTreeState pending) {
    static uint32_t lastId = 0;
    if (clipboardId_ == 0) LiveTrees()[clipboardId_ = ++lastId] = this;
    CancelCutOrCopy();
    MarkCutCopyNodes();

    std::string reference(8, '\0');
    const auto process = static_cast<uint32_t>(getpid());
    std::memcpy(reference.data(), &process, 4);
    std::memcpy(reference.data() + 4, &clipboardId_, 4);

    ui::TClipboard clipboard;
    clipboard.Open();
    clipboard.SetData(Format(kNodeDataFormat), NodeData(GetSortedCutCopySet(true)));
    clipboard.SetData(Format(kTreeReferenceFormat), reference);
    clipboard.Close();
    DoStateChange({pending}, {pending == tsCutPending ? tsCopyPending : tsCutPending});
    InvalidateWindow();
}

std::string TLazyTreeModel::NodeData(const std::vector<PLazyNode>& nodes) {
    rtl::TMemoryStream chunks;
    const uint32_t placeholder = 0;
    chunks.WriteBuffer(&placeholder, 4);
    for (PLazyNode node : nodes)
        WriteChunks(chunks, node);
    const auto size = static_cast<uint32_t>(chunks.Size() - 4);
    chunks.SetPosition(0);
    chunks.WriteBuffer(&size, 4);
    return chunks.Bytes();
}

void TLazyTreeModel::CancelCutOrCopy() {
    if (!states_.Contains(tsCutPending) && !states_.Contains(tsCopyPending)) return;
    for (PLazyNode node = GetFirstCutCopy(); node; node = GetNextCutCopy(node))
        node->States.Exclude(nsCutOrCopy);
    DoStateChange({}, {tsCutPending, tsCopyPending});
    InvalidateWindow();
}

void TLazyTreeModel::FinishCutOrCopy() {
    if (!states_.Contains(tsCutPending)) return;
    {
        BeginUpdate();
        TScopeExit ended([this] { EndUpdate(); });
        // The marked nodes, deepest last, so that no removal frees a node still listed.
        const std::vector<PLazyNode> marked = GetSortedCutCopySet(true);
        for (auto run = marked.rbegin(); run != marked.rend(); ++run)
            RemoveNode(*run);
    }
    DoStateChange({}, {tsCutPending});
}

bool TLazyTreeModel::PasteFromClipboard() {
    if (ReadOnly()) return false;
    ui::TClipboard clipboard;
    const std::optional<std::string> data = clipboard.GetData(Format(kNodeDataFormat));
    if (!data) return false;
    TLazyTreeModel* source = SourceTree(clipboard);
    const bool optimized = source && source->states_.Contains(tsCutPending);
    const bool result =
        ProcessNodeData(source, optimized ? source->GetSortedCutCopySet(true) : std::vector<PLazyNode>{},
                        *data, focusedNode_, defaultPasteMode_, optimized);
    if (source == this)
        DoStateChange({}, {tsCutPending});
    else if (source)
        source->FinishCutOrCopy();
    return result;
}

bool TLazyTreeModel::ProcessNodeData(TLazyTreeModel* source, const std::vector<PLazyNode>& moved,
                                     const std::string& chunks, PLazyNode target, TVTNodeAttachMode mode,
                                     bool optimized) {
    if (ReadOnly()) return false;
    BeginUpdate();
    TScopeExit ended([this] { EndUpdate(); });
    if (!target) target = root_;
    if (target == root_) {
        if (mode == amInsertBefore) mode = amAddChildFirst;
        if (mode == amInsertAfter) mode = amAddChildLast;
    }
    if (optimized) {
        std::vector<PLazyNode> nodes = moved;
        if (mode != amInsertBefore && mode != amAddChildLast) std::reverse(nodes.begin(), nodes.end());
        for (PLazyNode node : nodes)
            if (node != target && !source->HasAsParent(target, node))
                source->MoveNodeTo(node, target, mode, false);
        return true;
    }
    // The size before the chunks comes from outside: it counts only as far as the data goes.
    uint32_t size = 0;
    if (chunks.size() >= 4) std::memcpy(&size, chunks.data(), 4);
    rtl::TMemoryStream stream;
    stream.WriteString(std::string_view(chunks).substr(std::min<std::size_t>(4, chunks.size()), size));
    stream.SetPosition(0);
    while (stream.Position() < stream.Size()) {
        PLazyNode node = CreateNodeBlock();
        ConnectNode(node, target, mode);
        try {
            AddFromStream(stream, kStreamVersion, node);
        } catch (...) {
            RemoveNode(node);
            throw;
        }
        bool allowed = true;
        if (OnNodeCopying) OnNodeCopying(*this, node, target, allowed);
        if (!allowed) {
            RemoveNode(node);
            continue;
        }
        if (OnNodeCopied) OnNodeCopied(*this, node);
        StructureChange(node, source == this ? crNodeCopied : crNodeAdded);
        if (mode == amInsertAfter) target = node;
    }
    return true;
}

} // namespace lazytree
