// Painting one screen of a string tree with 100 and with 1,000,000 nodes: what is painted is what is
// in view, so the two times stay close.

#include <benchmark/benchmark.h>

#include <QPixmap>
#include <QWidget>

#include <string>

#include "BenchSupport.h"
#include "lazytree/LazyStringTree.h"
#include "platform/rtl/Utf.h"
#include "support/UiTest.h"

namespace bench {
namespace {

struct TFigures {
    double smallSeconds = 0, largeSeconds = 0;
} figures;

int Paints() {
    return Smoke() ? 3 : 200;
}

// Seconds per paint of one screen in the middle of a tree of `count` top-level nodes, each with one
// child, every other one expanded.
double PaintSeconds(int count) {
    uitest::EnsureApplication();
    ui::TWinControl form(nullptr);
    form.SetBounds(0, 0, 400, 600);
    lazytree::TLazyStringTree tree(nullptr);
    tree.SetParent(&form);
    tree.SetBounds(0, 0, 400, 600);
    tree.OnGetText = [](lazytree::TCustomLazyStringTree&, lazytree::PLazyNode node, lazytree::TColumnIndex,
                        lazytree::TVSTTextType, std::u16string& text) {
        text = u"routine_" + rtl::Utf8ToUtf16(std::to_string(node->Index));
    };
    auto& model = tree.Tree();
    model.OnInitNode = [](lazytree::TLazyTreeModel&, lazytree::PLazyNode parent, lazytree::PLazyNode node,
                          lazytree::TLazyNodeInitStates& states) {
        if (parent) return;
        states.Include(lazytree::ivsHasChildren);
        if (node->Index % 2 == 0) states.Include(lazytree::ivsExpanded);
    };
    model.OnInitChildren = [](lazytree::TLazyTreeModel&, lazytree::PLazyNode, uint32_t& children) {
        children = 1;
    };
    model.SetRootNodeCount(static_cast<uint32_t>(count));
    form.Show();
    model.SetOffsetY(-(count / 2) * model.DefaultNodeHeight());
    tree.Widget()->grab(); // the first paint initialises the nodes in view
    const double start = Now();
    for (int i = 0; i < Paints(); ++i)
        benchmark::DoNotOptimize(tree.Widget()->grab());
    return (Now() - start) / Paints();
}

void BM_PaintScreen(benchmark::State& state) {
    for (auto _ : state) {
        figures.smallSeconds = PaintSeconds(100);
        figures.largeSeconds = PaintSeconds(Smoke() ? 10000 : 1000000);
    }
    Report({"lazy tree paint of one screen, 1,000,000 nodes", Fixed(figures.largeSeconds * 1e3, 2) + " ms",
            Fixed(figures.smallSeconds * 1e3, 2) + " ms at 100 nodes",
            figures.largeSeconds / figures.smallSeconds, Smoke() ? 0.0 : 1.5});
}

} // namespace

void RegisterBenchmarks() {
    benchmark::RegisterBenchmark("PaintScreen", BM_PaintScreen)->Unit(benchmark::kMillisecond)->Iterations(1);
}

} // namespace bench
