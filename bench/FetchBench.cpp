// Fetching: every row of a mixed-type table through the database adapter, and into the record store
// over libmariadb and over the own protocol, against the command-line client reading the same rows to
// /dev/null.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "app/uDBAMyDataConnection.h"
#include "BenchDatabase.h"
#include "BenchSupport.h"
#include "dataaccess/mysql/uMySQLConnection.h"
#include "dataaccess/mysql/uMySQLRecordset.h"
#include "dataaccess/protocol/uMySqlDirect.h"
#include "dataaccess/server/uCRAccess.h"
#include "platform/rtl/Format.h"

namespace bench {
namespace {

constexpr const char* kQuery = "SELECT * FROM bench_rows";

int RowCount() {
    return Smoke() ? 1000 : 1000000;
}

// The table of rows, filled once.
struct TRowsTable {
    TBenchDatabase database{"fetch"};

    TRowsTable() {
        database.Session().Execute(
            "CREATE TABLE bench_rows (id INT PRIMARY KEY, amount DECIMAL(12,2), ratio DOUBLE, big BIGINT,"
            " name VARCHAR(40), note VARCHAR(100) NULL, created DATETIME, day DATE, flag TINYINT)");
        database.Session().Execute(rtl::Format(
            "INSERT INTO bench_rows SELECT seq, seq * 1.25, seq / 7, seq * 1000003, CONCAT('name ', seq),"
            " IF(seq %% 3 = 0, NULL, REPEAT('n', seq %% 50)), '2024-01-01' + INTERVAL seq SECOND,"
            " '2024-01-01' + INTERVAL seq %% 1000 DAY, seq %% 2 FROM seq_1_to_%d",
            RowCount()));
    }
};

TBenchDatabase& Database() {
    static TRowsTable table;
    return table.database;
}

// A line of /proc/self/status in bytes ("VmRSS:", "VmHWM:").
double StatusBytes(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        double kilobytes = 0;
        if (key == name && status >> kilobytes) return kilobytes * 1024;
        status.ignore(1 << 10, '\n');
    }
    return 0;
}

// Starts a new peak of the resident memory; where the kernel refuses, the peak stays the process's.
void ResetPeakResident() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct TFetch {
    double seconds = 0;
    double bytesPerRow = 0;  // peak resident memory of the fetch
    double closeSeconds = 0; // freeing the rows again
};

TFetch commandLine, adapter, libmariadb, direct;

// Times `fetchRows` (which answers the number of rows it holds) and `release`, once per iteration.
void Measure(benchmark::State& state, TFetch& fetch, const std::function<int()>& fetchRows,
             const std::function<void()>& release) {
    double seconds = 0;
    for (auto _ : state) {
        ResetPeakResident();
        const double before = StatusBytes("VmRSS:");
        const double start = Now();
        const int rows = fetchRows();
        seconds += Now() - start;
        if (rows != RowCount()) {
            Fail(state, rtl::Format("%d rows fetched", rows));
            return;
        }
        fetch.bytesPerRow = std::max(fetch.bytesPerRow, (StatusBytes("VmHWM:") - before) / RowCount());
        const double closing = Now();
        release();
        fetch.closeSeconds = Now() - closing;
    }
    fetch.seconds = seconds / static_cast<double>(state.iterations());
    state.counters["close_s"] = fetch.closeSeconds;
    state.counters["rows/s"] = RowCount() / fetch.seconds;
    state.counters["bytes/row"] = fetch.bytesPerRow;
}

void Fetch(benchmark::State& state, bool ownProtocol, TFetch& fetch) {
    const testsupport::ServerSettings& settings = *Server();
    dataaccess::TMySQLConnection connection;
    connection.SetProp(dataaccess::prDirect, ownProtocol);
    connection.SetServer(settings.host);
    connection.SetUsername(settings.user);
    connection.SetPassword(settings.password);
    connection.SetProp(dataaccess::prDatabase, Database().name);
    connection.SetProp(dataaccess::prPort, settings.port);
    connection.Connect("");
    std::unique_ptr<dataaccess::TMySQLRecordset> recordSet;
    Measure(
        state, fetch,
        [&] {
            recordSet = std::make_unique<dataaccess::TMySQLRecordset>();
            recordSet->SetConnection(&connection);
            recordSet->SetProp(dataaccess::prCreateConnection, false);
            recordSet->SetSQL(kQuery);
            recordSet->ResetForNewSQL();
            recordSet->Open();
            recordSet->FetchAll();
            return recordSet->GetRecordCount();
        },
        [&] { recordSet->Close(); });
}

void FetchInto(benchmark::State& state, bool ownProtocol, TFetch& fetch) {
    // Links the own protocol in: a static library leaves out a unit that nothing names.
    dataaccess::MySQLAPIDirectInstance();
    try {
        Fetch(state, ownProtocol, fetch);
    } catch (const rtl::Exception& error) {
        Fail(state, error.Message());
    }
}

void BM_CommandLine(benchmark::State& state) {
    const testsupport::ServerSettings& settings = *Server();
    const std::string command = rtl::Format(
        "mariadb --no-defaults --batch --host=%s --port=%u --user=%s --password=%s %s -e '%s' >/dev/null",
        settings.host, settings.port, settings.user, settings.password, Database().name, kQuery);
    double seconds = 0;
    for (auto _ : state) {
        const double start = Now();
        if (std::system(command.c_str()) != 0) {
            Fail(state, "the command-line client failed");
            return;
        }
        seconds += Now() - start;
    }
    commandLine.seconds = seconds / static_cast<double>(state.iterations());
    state.counters["rows/s"] = RowCount() / commandLine.seconds;
}

// As the debugger reads rows: a query of the database adapter.
void BM_Adapter(benchmark::State& state) {
    const testsupport::ServerSettings& settings = *Server();
    try {
        const auto connection = app::CreateDBAConnection(settings.host, settings.user, settings.password,
                                                         Database().name, static_cast<int>(settings.port));
        connection->Connect();
        std::shared_ptr<core::IQueryResult> result;
        Measure(
            state, adapter,
            [&] {
                result = connection->Execute(kQuery);
                return static_cast<int>(result->RowCount());
            },
            [&] { result.reset(); });
    } catch (const rtl::Exception& error) {
        Fail(state, error.Message());
    }
}

void BM_Libmariadb(benchmark::State& state) {
    FetchInto(state, false, libmariadb);
}

void BM_OwnProtocol(benchmark::State& state) {
    FetchInto(state, true, direct);
    const auto rate = [](const TFetch& fetch) {
        return Fixed(RowCount() / fetch.seconds / 1e6, 2) + " M rows/s";
    };
    const auto memory = [](const TFetch& fetch) {
        return ", " + Fixed(fetch.bytesPerRow, 0) + " B/row peak";
    };
    Report({"fetch through the adapter", rate(adapter) + memory(adapter), rate(commandLine) + " client",
            adapter.seconds / commandLine.seconds, 1.5});
    Report({"fetch, data access over libmariadb", rate(libmariadb) + memory(libmariadb),
            rate(commandLine) + " client", libmariadb.seconds / commandLine.seconds, 0});
    Report({"fetch, data access over the own protocol", rate(direct) + memory(direct),
            rate(libmariadb) + " libmariadb", direct.seconds / libmariadb.seconds, 1.2});
    for (const auto& [name, fetch] : {std::pair{"close after fetch, adapter", &adapter},
                                      std::pair{"close after fetch, data access", &libmariadb}})
        Report({name, Fixed(fetch->closeSeconds, 2) + " s", Fixed(fetch->seconds, 2) + " s fetch",
                fetch->closeSeconds / fetch->seconds, 0});
}

} // namespace

void RegisterBenchmarks() {
    for (auto* benchmark : {benchmark::RegisterBenchmark("CommandLine", BM_CommandLine),
                            benchmark::RegisterBenchmark("Adapter", BM_Adapter),
                            benchmark::RegisterBenchmark("Libmariadb", BM_Libmariadb),
                            benchmark::RegisterBenchmark("OwnProtocol", BM_OwnProtocol)}) {
        benchmark->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark->Iterations(Smoke() ? 1 : 3);
    }
}

} // namespace bench
