// Fetching: every row of a mixed-type table into the record store, over libmariadb and over the own
// protocol, against the command-line client reading the same rows to /dev/null.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "BenchDatabase.h"
#include "BenchSupport.h"
#include "dataaccess/uCRAccess.h"
#include "dataaccess/uMySQLConnection.h"
#include "dataaccess/uMySqlDirect.h"
#include "dataaccess/uMySQLRecordset.h"
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

// Resident memory of the process in bytes.
double ResidentBytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        double kilobytes = 0;
        if (key == "VmRSS:" && status >> kilobytes) return kilobytes * 1024;
        status.ignore(1 << 10, '\n');
    }
    return 0;
}

struct TFetch {
    double seconds = 0;
    double bytesPerRow = 0;
    double closeSeconds = 0; // freeing the rows again
};

TFetch commandLine, libmariadb, direct;

void Fetch(benchmark::State& state, bool ownProtocol, TFetch& fetch);

void FetchInto(benchmark::State& state, bool ownProtocol, TFetch& fetch) {
    // Links the own protocol in: a static library leaves out a unit that nothing names.
    dataaccess::MySQLAPIDirectInstance();
    try {
        Fetch(state, ownProtocol, fetch);
    } catch (const rtl::Exception& error) {
        Fail(state, error.Message());
    }
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
    double seconds = 0;
    for (auto _ : state) {
        dataaccess::TMySQLRecordset recordSet;
        recordSet.SetConnection(&connection);
        recordSet.SetProp(dataaccess::prCreateConnection, false);
        recordSet.SetSQL(kQuery);
        recordSet.ResetForNewSQL();
        const double before = ResidentBytes();
        const double start = Now();
        recordSet.Open();
        recordSet.FetchAll();
        seconds += Now() - start;
        if (recordSet.GetRecordCount() != RowCount()) {
            Fail(state, rtl::Format("%d rows fetched", recordSet.GetRecordCount()));
            return;
        }
        // The first pass grows the heap; later ones reuse what it freed.
        fetch.bytesPerRow = std::max(fetch.bytesPerRow, (ResidentBytes() - before) / RowCount());
        const double closing = Now();
        recordSet.Close();
        fetch.closeSeconds = Now() - closing;
    }
    fetch.seconds = seconds / static_cast<double>(state.iterations());
    state.counters["close_s"] = fetch.closeSeconds;
    state.counters["rows/s"] = RowCount() / fetch.seconds;
    state.counters["bytes/row"] = fetch.bytesPerRow;
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

void BM_Libmariadb(benchmark::State& state) {
    FetchInto(state, false, libmariadb);
}

void BM_OwnProtocol(benchmark::State& state) {
    FetchInto(state, true, direct);
    const auto rate = [](const TFetch& fetch) {
        return Fixed(RowCount() / fetch.seconds / 1e6, 2) + " M rows/s";
    };
    Report({"fetch, libmariadb", rate(libmariadb) + ", " + Fixed(libmariadb.bytesPerRow, 0) + " B/row",
            rate(commandLine) + " client", libmariadb.seconds / commandLine.seconds, 1.5});
    Report({"fetch, own protocol", rate(direct) + ", " + Fixed(direct.bytesPerRow, 0) + " B/row",
            rate(libmariadb) + " libmariadb", direct.seconds / libmariadb.seconds, 1.2});
    Report({"close after fetch (reference)", Fixed(libmariadb.closeSeconds, 2) + " s",
            Fixed(libmariadb.seconds, 2) + " s fetch", libmariadb.closeSeconds / libmariadb.seconds, 0});
}

} // namespace

void RegisterBenchmarks() {
    for (auto* benchmark : {benchmark::RegisterBenchmark("CommandLine", BM_CommandLine),
                            benchmark::RegisterBenchmark("Libmariadb", BM_Libmariadb),
                            benchmark::RegisterBenchmark("OwnProtocol", BM_OwnProtocol)}) {
        benchmark->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark->Iterations(Smoke() ? 1 : 3);
    }
}

} // namespace bench
