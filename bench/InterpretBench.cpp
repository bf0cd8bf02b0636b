// Interpreted statement cost: a main block run through the facade with no breakpoints, its server
// statements against one bare round trip on the same connection, its local statements alone.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "BenchDatabase.h"
#include "BenchSupport.h"
#include "engine/debugger/uVeltrane.h"
#include "engine/model/uMetadataImp.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"

namespace bench {
namespace {

// Counts the texts it sends: each is one round trip to the server, however many statements it holds.
class TCountingConnection : public testsupport::MariaDBConnection {
public:
    using MariaDBConnection::MariaDBConnection;

    long roundTrips = 0;

protected:
    std::vector<testsupport::FetchedResult> Run(const std::string& sql) override {
        ++roundTrips;
        return MariaDBConnection::Run(sql);
    }
};

// The local statements of every pass, then `server` (statements indented by four), with
// `declarations` after the locals.
std::string MainBlock(int loops, const std::string& server = "", const std::string& declarations = "") {
    return rtl::Format("BEGIN\n"
                       "  DECLARE i INT DEFAULT 0;\n"
                       "  DECLARE a INT DEFAULT 0;\n"
                       "  DECLARE b INT DEFAULT 0;\n"
                       "%s"
                       "  WHILE i < %d DO\n"
                       "    SET i = i + 1;\n"
                       "    SET a = a + i;\n"
                       "    IF a > 1000 THEN\n"
                       "      SET a = 0;\n"
                       "    END IF;\n"
                       "%s"
                       "  END WHILE;\n"
                       "END",
                       declarations.c_str(), loops, server.c_str());
}

// The server pass of the mixed benchmark: a SELECT INTO and an UPDATE.
const std::string kMixedStatements = "    SELECT qty INTO b FROM bench_rt WHERE id = i MOD 10;\n"
                                     "    UPDATE bench_rt SET qty = qty + 1 WHERE id = a MOD 10 + b - b;\n";

struct TSession {
    TBenchDatabase database{"interpret"};
    std::shared_ptr<TCountingConnection> connection;
    std::unique_ptr<engine::TVeltrane> veltrane;

    TSession() {
        database.Session().Execute("CREATE TABLE bench_rt (id INT PRIMARY KEY, qty INT) ENGINE=MEMORY");
        database.Session().Execute("INSERT INTO bench_rt SELECT seq, 0 FROM seq_0_to_9");
        connection = std::make_shared<TCountingConnection>(*Server(), database.name);
        connection->Connect();
        const auto nothing = [](engine::TVeltrane&) {};
        veltrane =
            std::make_unique<engine::TVeltrane>(connection, nothing, nothing, nothing, nothing, nothing);
    }
};

TSession& Session() {
    static TSession session;
    return session;
}

struct TRun {
    double seconds = 0;
    long roundTrips = 0;
    // Statements the server counted; a multi-statement packet counts each of its statements.
    long questions = 0;
};

long SessionQuestions(TCountingConnection& connection) {
    return std::stol(
        connection.Evaluate(u"SHOW SESSION STATUS LIKE 'Questions'", false, 1)->AsString().AsString());
}

// One run of the main block, compiled beforehand.
TRun RunMain(benchmark::State& state, const std::string& text) {
    TSession& session = Session();
    engine::TRoutine& main = session.veltrane->MainRoutine();
    main.SetText(rtl::Utf8ToUtf16(text));
    main.Compile();
    const long questionsBefore = SessionQuestions(*session.connection);
    const long before = session.connection->roundTrips;
    const double start = Now();
    session.veltrane->Start(false);
    TRun run{Now() - start, session.connection->roundTrips - before};
    // The second SHOW STATUS counts itself.
    run.questions = SessionQuestions(*session.connection) - questionsBefore - 1;
    try {
        session.veltrane->CheckError();
    } catch (const rtl::Exception& error) {
        Fail(state, error.Message());
    }
    return run;
}

int Loops(int full) {
    return Smoke() ? 10 : full;
}

double roundTripSeconds = 0;

void BM_RoundTrip(benchmark::State& state) {
    auto& connection = *Session().connection;
    const double start = Now();
    for (auto _ : state)
        connection.ExecSQL("DO 1");
    roundTripSeconds = (Now() - start) / static_cast<double>(state.iterations());
    state.counters["us/round_trip"] = roundTripSeconds * 1e6;
}

// Local statements per second that the facade must reach.
constexpr double kLocalTarget = 2e6;

// SET i, SET a and the IF of every pass; the WHILE test is not counted.
double LocalStatementsPerSecond(benchmark::State& state, int loops, double seconds) {
    const double perSecond = 3.0 * loops / seconds;
    state.counters["statements/s"] = perSecond;
    return perSecond;
}

void BM_LocalStatements(benchmark::State& state) {
    const int loops = Loops(50000);
    TRun run;
    for (auto _ : state)
        run = RunMain(state, MainBlock(loops));
    const double perSecond = LocalStatementsPerSecond(state, loops, run.seconds);
    state.counters["round_trips"] = static_cast<double>(run.roundTrips);
    Report({"local statements", Fixed(perSecond / 1e6, 3) + " M/s", "2 M/s (target)",
            kLocalTarget / perSecond, 1});
}

// The same block run by the interpreter alone, without the facade's debug thread and its hooks, to
// tell the two costs apart.
void BM_LocalStatementsInterpreterOnly(benchmark::State& state) {
    const int loops = Loops(50000);
    engine::TDBAProgram program(std::make_shared<engine::TSchema>(), Session().connection);
    program.MainRoutine().SetText(rtl::Utf8ToUtf16(MainBlock(loops)));
    program.MainRoutine().Compile();
    double seconds = 0;
    for (auto _ : state) {
        const double start = Now();
        engine::RunProgram(program, engine::CreateNullDebugger());
        seconds = Now() - start;
    }
    const double perSecond = LocalStatementsPerSecond(state, loops, seconds);
    Report({"local statements, no facade", Fixed(perSecond / 1e6, 3) + " M/s", "2 M/s (target)",
            kLocalTarget / perSecond, 0});
}

void BM_ServerStatements(benchmark::State& state) {
    const int loops = Loops(2000);
    // The best of the passes: the machine is shared, and noise only ever adds time.
    TRun local{1e9, 0}, mixed{1e9, 0};
    for (auto _ : state) {
        const TRun localPass = RunMain(state, MainBlock(loops));
        const TRun mixedPass = RunMain(state, MainBlock(loops, kMixedStatements));
        if (localPass.seconds < local.seconds) local = localPass;
        if (mixedPass.seconds < mixed.seconds) mixed = mixedPass;
    }
    const double statements = 2.0 * loops;
    const double seconds = (mixed.seconds - local.seconds) / statements;
    const double roundTrips = (mixed.roundTrips - local.roundTrips) / statements;
    const double ratio = seconds / (roundTrips * roundTripSeconds);
    state.counters["us/statement"] = seconds * 1e6;
    state.counters["round_trips/statement"] = roundTrips;
    state.counters["ratio"] = ratio;
    Report({"server statement", Fixed(seconds * 1e6, 1) + " us, " + Fixed(roundTrips, 2) + " round trips",
            Fixed(roundTripSeconds * 1e6, 1) + " us per DO 1", ratio, 1.2});
}

// One kind of server statement: what it reads and writes decides its round trips.
struct TStatementKind {
    const char* name;
    const char* statement;
    const char* declarations;
    // The cost limit against one DO 1; 0 where only the round trips are bounded.
    double limit;
};

const TStatementKind kStatementKinds[] = {
    {"reads no changed local", "    UPDATE bench_rt SET qty = qty + 1 WHERE id = 3;\n", "", 1.2},
    {"reads a changed local", "    UPDATE bench_rt SET qty = qty + 1 WHERE id = i MOD 10;\n", "", 0},
    {"writes a local by INTO", "    SELECT qty INTO b FROM bench_rt WHERE id = 3;\n", "", 0},
    {"writes a local by SET", "    SET b = (SELECT qty FROM bench_rt WHERE id = 3);\n", "", 0},
    {"raises a warning", "    SELECT 1 / 0 AS q;\n", "", 0},
    {"fails, handled", "    INSERT INTO bench_rt VALUES (3, 0);\n",
     "  DECLARE CONTINUE HANDLER FOR SQLEXCEPTION BEGIN END;\n", 0},
};

// Each kind's cost and round trips per statement, against the local pass and one DO 1.
void BM_StatementKind(benchmark::State& state, const TStatementKind& kind) {
    const int loops = Loops(2000);
    TRun local{1e9, 0, 0}, mixed{1e9, 0, 0};
    for (auto _ : state) {
        const TRun localPass = RunMain(state, MainBlock(loops, "", kind.declarations));
        const TRun mixedPass = RunMain(state, MainBlock(loops, kind.statement, kind.declarations));
        if (localPass.seconds < local.seconds) local = localPass;
        if (mixedPass.seconds < mixed.seconds) mixed = mixedPass;
    }
    const double seconds = (mixed.seconds - local.seconds) / loops;
    const double roundTrips = static_cast<double>(mixed.roundTrips - local.roundTrips) / loops;
    const double questions = static_cast<double>(mixed.questions - local.questions) / loops;
    const double ratio = seconds / roundTripSeconds;
    state.counters["us/statement"] = seconds * 1e6;
    state.counters["round_trips/statement"] = roundTrips;
    state.counters["questions/statement"] = questions;
    state.counters["ratio"] = ratio;
    Report({std::string("server statement that ") + kind.name,
            Fixed(seconds * 1e6, 1) + " us, " + Fixed(roundTrips, 2) + " round trips, " +
                Fixed(questions, 2) + " server statements",
            Fixed(roundTripSeconds * 1e6, 1) + " us per DO 1", ratio, kind.limit});
}

} // namespace

void RegisterBenchmarks() {
    const auto setUp = [](benchmark::internal::Benchmark* benchmark) {
        benchmark->Unit(benchmark::kMillisecond);
        if (Smoke()) benchmark->Iterations(1);
        return benchmark;
    };
    setUp(benchmark::RegisterBenchmark("RoundTrip", BM_RoundTrip))->Unit(benchmark::kMicrosecond);
    setUp(benchmark::RegisterBenchmark("LocalStatements", BM_LocalStatements))->Iterations(1);
    setUp(benchmark::RegisterBenchmark("LocalStatementsInterpreterOnly", BM_LocalStatementsInterpreterOnly))
        ->Iterations(1);
    setUp(benchmark::RegisterBenchmark("ServerStatements", BM_ServerStatements))->Iterations(Smoke() ? 1 : 3);
    for (const TStatementKind& kind : kStatementKinds)
        setUp(
            benchmark::RegisterBenchmark((std::string("StatementKind/") + kind.name).c_str(),
                                         [&kind](benchmark::State& state) { BM_StatementKind(state, kind); }))
            ->Iterations(Smoke() ? 1 : 3);
}

} // namespace bench
