// Completion over a schema of 1,000 tables: one request as the first key asks it (nothing known about
// the schema yet) and as the following keys ask it (the catalogue's answers kept), against the
// 100 ms within which the pop-up has to appear.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <string>

#include "app/uCodeCompletion.h"
#include "app/uCodeCompletionCache.h"
#include "app/uCodeCompletionItem.h"
#include "BenchDatabase.h"
#include "BenchSupport.h"
#include "core/uIdentifierManager.h"
#include "parser/uCommonSQLGrammar.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"

namespace bench {
namespace {

int TableCount() {
    return Smoke() ? 20 : 1000;
}

// The tables, each with a few columns and a key to the one before it, made once.
struct TSchema {
    TBenchDatabase database{"completion_" + std::to_string(::getpid())};

    TSchema() {
        std::string script;
        for (int i = 0; i < TableCount(); ++i) {
            script +=
                "CREATE TABLE " + Table(i) + " (id INT PRIMARY KEY, name VARCHAR(40), amount DECIMAL(10,2)";
            if (i > 0)
                script += ", parent_id INT, FOREIGN KEY (parent_id) REFERENCES " + Table(i - 1) + " (id)";
            script += ");";
        }
        database.Session().Execute(script);
    }

    static std::string Table(int i) {
        const std::string digits = std::to_string(i);
        return "t" + std::string(4 - digits.size(), '0') + digits;
    }
};

TSchema& Schema() {
    static TSchema schema;
    return schema;
}

double coldSeconds = 0, warmSeconds = 0;
int candidates = 0;

// One request where the caret wants a table and its join: tables, join suggestions, databases,
// functions and keywords.
void Request(core::IDBAConnection& connection) {
    static const std::u16string statement = u"SELECT * FROM t0010 x JOIN ";
    const core::TIdentifierManager manager("`", ".", "`");
    app::TCodeCompletionItems items;
    app::FillCompletionItems(statement, static_cast<int>(statement.size()), items, connection, manager,
                             "`" + Schema().database.name + "`", u"", parser::pmBranch);
    candidates = items.Count();
}

void Measure(benchmark::State& state, bool cold, double& result) {
    const auto connection = Schema().database.Connect();
    Request(*connection);
    double seconds = 0;
    for (auto _ : state) {
        if (cold) app::ForgetCatalogue(*connection);
        const double start = Now();
        Request(*connection);
        seconds += Now() - start;
    }
    app::ForgetCatalogue(*connection);
    result = seconds / static_cast<double>(state.iterations());
    if (candidates < TableCount()) Fail(state, rtl::Format("%d candidates", candidates));
    state.counters["candidates"] = candidates;
}

void BM_FirstKey(benchmark::State& state) {
    Measure(state, true, coldSeconds);
}

void BM_FollowingKeys(benchmark::State& state) {
    Measure(state, false, warmSeconds);
    const std::string tables = std::to_string(TableCount()) + " tables";
    Report({"completion, first key, " + tables, Fixed(coldSeconds * 1e3, 1) + " ms", "100 ms (target)",
            coldSeconds / 0.1, Smoke() ? 0.0 : 1.0});
    Report({"completion, following keys, " + tables, Fixed(warmSeconds * 1e3, 1) + " ms", "100 ms (target)",
            warmSeconds / 0.1, Smoke() ? 0.0 : 1.0});
}

} // namespace

void RegisterBenchmarks() {
    benchmark::RegisterBenchmark("FirstKey", BM_FirstKey)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(Smoke() ? 1 : 10);
    benchmark::RegisterBenchmark("FollowingKeys", BM_FollowingKeys)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(Smoke() ? 1 : 20);
}

} // namespace bench
