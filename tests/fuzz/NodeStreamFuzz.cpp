// Any bytes loaded as a tree stream raise the tree's error or give a consistent tree; what was loaded
// is saved back and loads again to the same stream.
#include "lazytree/LazyTreeError.h"
#include "lazytree/LazyTreeModel.h"
#include "lazytree/TreeChecks.h"
#include "platform/rtl/Streams.h"

#include <cstddef>
#include <cstdint>

namespace {

// A tree with four bytes of user data a node, read and written by its stream handlers.
void Prepare(lazytree::TLazyTreeModel& tree) {
    tree.SetNodeDataSize(4);
    tree.Options().SelectionOptions.Include(lazytree::toMultiSelect);
    tree.OnSaveNode = [](lazytree::TLazyTreeModel& sender, lazytree::PLazyNode node, rtl::TStream& stream) {
        stream.WriteBuffer(sender.GetNodeData(node), 4);
    };
    tree.OnLoadNode = [](lazytree::TLazyTreeModel& sender, lazytree::PLazyNode node, rtl::TStream& stream) {
        stream.Read(sender.GetNodeData(node), 4);
    };
}

std::string Saved(lazytree::TLazyTreeModel& tree) {
    rtl::TMemoryStream stream;
    tree.SaveToStream(stream);
    return stream.Bytes();
}

void Load(lazytree::TLazyTreeModel& tree, const void* data, size_t size) {
    rtl::TMemoryStream input;
    input.WriteBuffer(data, static_cast<int64_t>(size));
    input.SetPosition(0);
    tree.LoadFromStream(input);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lazytree::TLazyTreeModel tree;
    Prepare(tree);
    try {
        Load(tree, data, size);
    } catch (const rtl::Exception&) {
        if (tree.TotalCount() != 1) __builtin_trap(); // a refused stream leaves the empty tree empty
        return 0;
    }
    if (!lazytree::test::CheckTree(tree).empty()) __builtin_trap();
    const std::string bytes = Saved(tree);
    lazytree::TLazyTreeModel again;
    Prepare(again);
    Load(again, bytes.data(), bytes.size());
    if (Saved(again) != bytes) __builtin_trap();
    return 0;
}
