#include "BenchDatabase.h"

#include "BenchSupport.h"

namespace bench {

// A smoke run keeps off the tables of a full run that may be going on at the same time.
TBenchDatabase::TBenchDatabase(const std::string& suffix)
    : name("bench_" + suffix + (Smoke() ? "_smoke" : "")), session_(*Server()) {
    session_.Execute("DROP DATABASE IF EXISTS " + name);
    session_.Execute("CREATE DATABASE " + name);
    session_.Execute("USE " + name);
}

TBenchDatabase::~TBenchDatabase() {
    try {
        session_.Execute("DROP DATABASE IF EXISTS " + name);
    } catch (const testsupport::ServerError&) {
    }
}

std::shared_ptr<testsupport::MariaDBConnection> TBenchDatabase::Connect() const {
    auto connection = std::make_shared<testsupport::MariaDBConnection>(*Server(), name);
    connection->Connect();
    return connection;
}

} // namespace bench
