#pragma once

#include "lazytree/LazyTreeModel.h"

#include <string>

namespace lazytree::test {

// One line a node in tree order, indented by level: index, height, totals and the states that
// matter to the structure. A golden text of this shows a whole tree at a glance.
inline std::string DumpTree(const TLazyTreeModel& tree) {
    static const struct {
        TLazyNodeState state;
        const char* name;
    } kStates[] = {{nsInitialized, "init"}, {nsHasChildren, "kids"}, {nsExpanded, "open"},
                   {nsVisible, "vis"},      {nsSelected, "sel"},     {nsAllChildrenHidden, "hidden-kids"},
                   {nsFiltered, "filtered"}};
    const auto line = [&](PLazyNode node, int level) {
        std::string text(static_cast<std::size_t>(level) * 2, ' ');
        text += node == tree.RootNode() ? "root" : "#" + std::to_string(node->Index);
        text += " h" + std::to_string(node->NodeHeight) + " count " + std::to_string(node->TotalCount) +
                " height " + std::to_string(node->TotalHeight);
        for (const auto& s : kStates)
            if (node->States.Contains(s.state)) text += std::string(" ") + s.name;
        return text + "\n";
    };
    std::string result = line(tree.RootNode(), 0);
    for (PLazyNode node = tree.GetFirstNoInit(); node; node = tree.GetNextNoInit(node))
        result += line(node, tree.GetNodeLevel(node) + 1);
    result += "visible " + std::to_string(tree.VisibleCount()) + "\n";
    return result;
}

} // namespace lazytree::test
