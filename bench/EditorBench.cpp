// The code editor's text model on a large routine: loading a 100,000-line text and reading it back,
// editing in its middle, and highlighting every line, against copying the same lines as the floor.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "BenchSupport.h"
#include "editor/WCESQLHighlighter.h"
#include "editor/WideCodeEditModel.h"

namespace bench {
namespace {

// A routine body of `lines` lines of about 50 characters with the constructs the highlighter meets.
std::u16string RoutineText(int lines) {
    static const std::u16string kLines[] = {
        u"    DECLARE v_total DECIMAL(12, 2) DEFAULT 0.00;  ",
        u"    SELECT count(*) INTO @rows FROM orders o  -- x",
        u"\tWHERE o.customer_id = p_id AND o.`state` = 'open'",
        u"    /* a comment that runs on for a while  ... */",
        u"    SET v_total = v_total + @@max_allowed_packet;",
    };
    std::u16string text;
    for (int i = 0; i < lines; ++i) {
        text += kLines[i % 5];
        text += u"\r\n";
    }
    return text;
}

struct TFigures {
    double loadSeconds = 0, floorSeconds = 0, editSeconds = 0, highlightSeconds = 0;
    int lines = 0;
    std::size_t bytes = 0;
} figures;

int Lines() {
    return Smoke() ? 2000 : 100000;
}

void BM_LoadAndRead(benchmark::State& state) {
    const std::u16string text = RoutineText(Lines());
    for (auto _ : state) {
        double start = Now();
        editor::TWideCodeEditModel model;
        model.SetText(text);
        const std::u16string back = model.GetText();
        benchmark::DoNotOptimize(back.data());
        figures.loadSeconds = Now() - start;
        if (back != text) Fail(state, "the text did not come back");

        start = Now();
        std::vector<std::u16string> copies;
        for (std::u16string_view line : editor::SplitLines(text))
            copies.emplace_back(line);
        std::u16string joined;
        joined.reserve(text.size());
        for (const auto& line : copies)
            joined.append(line).append(u"\r\n");
        benchmark::DoNotOptimize(joined.data());
        figures.floorSeconds = Now() - start;
    }
    figures.lines = Lines();
    figures.bytes = text.size() * sizeof(char16_t);
}

// Typing and deleting lines in the middle: each edit must cost the same as in a short text.
void BM_EditInTheMiddle(benchmark::State& state) {
    editor::TWideCodeEditModel model;
    model.SetText(RoutineText(Lines()));
    const int edits = 1000;
    for (auto _ : state) {
        const double start = Now();
        for (int i = 0; i < edits; ++i) {
            model.SetCaretXY({4, Lines() / 2 + i % 7});
            model.CommandProcessor(editor::ecLineBreak, 0, nullptr);
            model.CommandProcessor(editor::ecChar, u'x', nullptr);
            model.CommandProcessor(editor::ecDeleteLine, 0, nullptr);
        }
        figures.editSeconds = (Now() - start) / edits;
    }
}

void BM_Highlight(benchmark::State& state) {
    editor::TWideCodeEditModel model;
    model.SetText(RoutineText(Lines()));
    editor::TWCESQLHighlighter highlighter;
    for (auto _ : state) {
        const double start = Now();
        int tokens = 0;
        for (int y = 0; y < model.Content().Count(); ++y) {
            highlighter.SetLine(model.Content().GetLineRaw(y)->Text());
            if (y > 0) highlighter.SetRange(model.Content().GetLineRaw(y - 1)->Range);
            for (highlighter.Next(); highlighter.TokenAvailable(); highlighter.Next())
                ++tokens;
            model.Content().GetLineRaw(y)->Range = highlighter.GetRange();
        }
        benchmark::DoNotOptimize(tokens);
        figures.highlightSeconds = Now() - start;
    }
    const double mb = figures.bytes / 1e6;
    Report({"editor load + read back",
            Fixed(figures.lines / figures.loadSeconds / 1e6, 2) + " M lines/s, " +
                Fixed(double(figures.bytes) / figures.lines, 0) + " UTF-16 bytes/line",
            Fixed(figures.lines / figures.floorSeconds / 1e6, 2) + " M lines/s copying the lines",
            figures.loadSeconds / figures.floorSeconds, 0});
    Report({"editor load + read back, 5 MB", Fixed(figures.loadSeconds, 3) + " s", "1 s (target)",
            figures.loadSeconds, Smoke() ? 0.0 : 1.0});
    Report({"editor line break + char + delete line in the middle",
            Fixed(figures.editSeconds * 1e6, 1) + " us", "100 us (target)", figures.editSeconds / 100e-6,
            Smoke() ? 0.0 : 1.0});
    Report({"SQL highlighting", Fixed(mb / figures.highlightSeconds, 1) + " MB/s", "20 MB/s (target)",
            20 / (mb / figures.highlightSeconds), 0});
}

} // namespace

void RegisterBenchmarks() {
    const auto setUp = [](benchmark::internal::Benchmark* benchmark) {
        benchmark->Unit(benchmark::kMillisecond)->Iterations(1);
    };
    setUp(benchmark::RegisterBenchmark("LoadAndRead", BM_LoadAndRead));
    setUp(benchmark::RegisterBenchmark("EditInTheMiddle", BM_EditInTheMiddle));
    setUp(benchmark::RegisterBenchmark("Highlight", BM_Highlight));
}

} // namespace bench
