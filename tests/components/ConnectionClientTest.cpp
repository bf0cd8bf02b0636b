#include "components/uDAMetaData.h"
#include "components/uDATransaction.h"
#include "components/uMyCommand.h"
#include "components/uMyConnection.h"
#include "components/uMyQuery.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace components {
namespace {

// A connection that runs several transactions at once, so that a client's own transaction counts.
class MultiTransactionConnection : public TMyConnection {
public:
    bool IsMultipleTransactionsSupported() const override { return true; }
};

class OpenCommand : public TMyCommand {
public:
    using TMyCommand::TMyCommand;
    using TMyCommand::UsedTransaction;
};

// A client of each kind, seen through what the three share.
struct Client {
    const char* name;
    std::function<std::unique_ptr<data::TComponent>()> create;
    std::function<void(data::TComponent&, TMyConnection*)> setConnection;
    std::function<void(data::TComponent&, TDATransaction*)> setTransaction;
    std::function<TDATransaction*(data::TComponent&)> used;
};

template <class T, class Used>
Client ClientOf(const char* name, Used used) {
    return {name, [] { return std::make_unique<T>(nullptr); },
            [](data::TComponent& c, TMyConnection* v) { static_cast<T&>(c).SetConnection(v); },
            [](data::TComponent& c, TDATransaction* v) { static_cast<T&>(c).SetTransaction(v); },
            [used](data::TComponent& c) { return used(static_cast<T&>(c)); }};
}

std::vector<Client> Clients() {
    return {ClientOf<OpenCommand>("command", [](OpenCommand& c) { return c.UsedTransaction(); }),
            ClientOf<TMyQuery>("query", [](TMyQuery& c) { return c.UsedTransaction(); }),
            ClientOf<TDAMetaData>("metadata", [](TDAMetaData& c) { return c.UsedTransaction(); })};
}

TEST(ConnectionClientTest, OwnTransactionCountsOnlyWhereTheConnectionRunsSeveral) {
    for (const Client& kind : Clients()) {
        SCOPED_TRACE(kind.name);
        TMyConnection single;
        MultiTransactionConnection multi;
        TMyTransaction own(nullptr);
        std::unique_ptr<data::TComponent> client = kind.create();
        EXPECT_EQ(kind.used(*client), nullptr);

        kind.setConnection(*client, &multi);
        // Without an own transaction the connection's current one serves, also where several run.
        EXPECT_EQ(kind.used(*client), multi.CurrentTransaction());
        kind.setTransaction(*client, &own);
        EXPECT_EQ(kind.used(*client), &own);

        kind.setConnection(*client, &single);
        EXPECT_EQ(kind.used(*client), single.CurrentTransaction());
    }
}

TEST(ConnectionClientTest, RemovedConnectionAndTransactionAreForgotten) {
    for (const Client& kind : Clients()) {
        SCOPED_TRACE(kind.name);
        std::unique_ptr<data::TComponent> client = kind.create();
        auto connection = std::make_unique<MultiTransactionConnection>();
        auto own = std::make_unique<TMyTransaction>(nullptr);
        kind.setConnection(*client, connection.get());
        kind.setTransaction(*client, own.get());

        own.reset();
        EXPECT_EQ(kind.used(*client), connection->CurrentTransaction());
        connection.reset();
        EXPECT_EQ(kind.used(*client), nullptr);
    }
}

TEST(ConnectionClientTest, AnotherConnectionTakesTheRegistration) {
    TMyConnection first;
    TMyConnection second;
    TMyQuery query(nullptr);
    query.SetConnection(&first);
    EXPECT_EQ(first.DataSetCount(), 1);
    query.SetConnection(&second);
    EXPECT_EQ(first.DataSetCount(), 0);
    EXPECT_EQ(second.DataSetCount(), 1);
    query.SetConnection(nullptr);
    EXPECT_EQ(second.DataSetCount(), 0);
}

} // namespace
} // namespace components
