// Painting one screen of the code editor in a short and in a 100,000-line text: the cost must
// depend on what is visible, so the two times stay close.

#include <benchmark/benchmark.h>

#include <QPixmap>
#include <QWidget>

#include <string>

#include "BenchSupport.h"
#include "editor/WCESQLHighlighter.h"
#include "editor/WideCodeEdit.h"
#include "support/UiTest.h"

namespace bench {
namespace {

struct TFigures {
    double shortSeconds = 0, longSeconds = 0;
} figures;

int Paints() {
    return Smoke() ? 3 : 200;
}

// Seconds per paint of one screen in the middle of a text of `lines` lines.
double PaintSeconds(int lines) {
    uitest::EnsureApplication();
    ui::TWinControl form(nullptr);
    form.SetBounds(0, 0, 800, 600);
    editor::TCustomWideCodeEdit edit(nullptr);
    edit.SetParent(&form);
    edit.SetBounds(0, 0, 800, 600);
    editor::TWCESQLHighlighter sql;
    edit.Model().SetHighLighter(&sql);
    std::u16string text;
    for (int i = 0; i < lines; ++i)
        text += u"    SELECT count(*) INTO @rows FROM orders o  -- line\r\n";
    edit.Model().SetText(text);
    form.Show();
    edit.Model().SetTopLine(lines / 2);
    edit.Widget()->grab(); // the first paint scans the start states up to the screen
    const double start = Now();
    for (int i = 0; i < Paints(); ++i)
        benchmark::DoNotOptimize(edit.Widget()->grab());
    const double seconds = (Now() - start) / Paints();
    edit.Model().SetHighLighter(nullptr);
    return seconds;
}

void BM_PaintScreen(benchmark::State& state) {
    for (auto _ : state) {
        figures.shortSeconds = PaintSeconds(100);
        figures.longSeconds = PaintSeconds(Smoke() ? 2000 : 100000);
    }
    Report({"editor paint of one screen, 100,000 lines", Fixed(figures.longSeconds * 1e3, 2) + " ms",
            Fixed(figures.shortSeconds * 1e3, 2) + " ms at 100 lines",
            figures.longSeconds / figures.shortSeconds, Smoke() ? 0.0 : 1.5});
}

} // namespace

void RegisterBenchmarks() {
    benchmark::RegisterBenchmark("PaintScreen", BM_PaintScreen)->Unit(benchmark::kMillisecond)->Iterations(1);
}

} // namespace bench
