// The lazy tree's promise: a million nodes are made in well under a second, and painting, scrolling
// and expanding cost what is in view, not what the tree holds.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "BenchSupport.h"
#include "lazytree/LazyNode.h"
#include "lazytree/LazyTreeModel.h"
#include "lazytree/TreeHost.h"

namespace bench {
namespace {

constexpr int kLargeTree = 1000000;
constexpr int kSmallTree = 10000;
constexpr int kViewHeight = 600;

int LargeTree() {
    return Smoke() ? kSmallTree : kLargeTree;
}

// A window of kViewHeight pixels that paints nothing.
class TBenchHost : public lazytree::ITreeHost {
public:
    bool HandleAllocated() const override { return true; }
    int ClientWidth() const override { return 400; }
    int ClientHeight() const override { return kViewHeight; }
    void SetRedraw(bool) override {}
    void Invalidate(const lazytree::TTreeRect*) override {}
    void ScrollContent(int, int, const lazytree::TTreeRect&) override {}
    void SetScrollBar(bool, const lazytree::TScrollBarState&) override {}
    lazytree::TTreePoint CursorPos() const override { return {}; }
};

void BM_CreateNodes(benchmark::State& state) {
    const int count = LargeTree();
    double treeSeconds = 0, floorSeconds = 0;
    for (auto _ : state) {
        double start = Now();
        {
            lazytree::TLazyTreeModel tree;
            tree.SetNodeDataSize(sizeof(void*));
            tree.SetRootNodeCount(static_cast<uint32_t>(count));
            treeSeconds = Now() - start;
            benchmark::DoNotOptimize(tree.TotalCount());
        }
        // The floor: the same number of zeroed blocks of the same size, allocated and freed.
        start = Now();
        std::vector<void*> blocks(static_cast<std::size_t>(count));
        for (auto& block : blocks)
            block = std::calloc(1, lazytree::kNodeHeaderSize + sizeof(void*));
        floorSeconds = Now() - start;
        for (void* block : blocks)
            std::free(block);
    }
    Report({"lazy tree: " + std::to_string(count) + " nodes created", Fixed(treeSeconds * 1000, 1) + " ms",
            Fixed(floorSeconds * 1000, 1) + " ms calloc", treeSeconds / floorSeconds, 0});
    Report({"lazy tree: " + std::to_string(count) + " nodes in under 1 s", Fixed(treeSeconds, 3) + " s",
            "1 s", treeSeconds, Smoke() ? 0 : 1});
}

// What a view of a tree costs after a change: scroll to the end, find every row of the page, expand
// and collapse a node in view. Returns seconds per round.
double ViewRound(lazytree::TLazyTreeModel& tree, int rounds) {
    const double start = Now();
    for (int i = 0; i < rounds; ++i) {
        tree.SetOffsetY(-(1 << 30));
        lazytree::PLazyNode node = nullptr;
        for (int y = 0; y < kViewHeight; y += tree.DefaultNodeHeight())
            node = tree.GetNodeAt(0, y);
        tree.SetChildCount(node->PrevSibling, 10);
        tree.ToggleNode(node->PrevSibling);
        tree.ToggleNode(node->PrevSibling);
        benchmark::DoNotOptimize(node);
    }
    return (Now() - start) / rounds;
}

void BM_ViewCost(benchmark::State& state) {
    TBenchHost host;
    lazytree::TLazyTreeModel small(&host), large(&host);
    small.SetRootNodeCount(kSmallTree);
    large.SetRootNodeCount(static_cast<uint32_t>(LargeTree()));
    const int rounds = Smoke() ? 2 : 200;
    ViewRound(small, 1); // the caches settle
    ViewRound(large, 1);
    double smallSeconds = 0, largeSeconds = 0;
    for (auto _ : state) {
        smallSeconds = ViewRound(small, rounds);
        largeSeconds = ViewRound(large, rounds);
    }
    Report({"lazy tree: view round at " + std::to_string(LargeTree()) + " nodes",
            Fixed(largeSeconds * 1e6, 1) + " us",
            Fixed(smallSeconds * 1e6, 1) + " us at " + std::to_string(kSmallTree),
            largeSeconds / smallSeconds, Smoke() ? 0 : 3});
}

} // namespace

void RegisterBenchmarks() {
    const auto setUp = [](benchmark::internal::Benchmark* benchmark) {
        benchmark->Unit(benchmark::kMillisecond)->Iterations(1);
    };
    setUp(benchmark::RegisterBenchmark("CreateNodes", BM_CreateNodes));
    setUp(benchmark::RegisterBenchmark("ViewCost", BM_ViewCost));
}

} // namespace bench
