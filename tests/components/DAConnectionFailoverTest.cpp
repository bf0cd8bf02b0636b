#include "components/uDAConnection.h"
#include "components/uDASQL.h"
#include "components/uDATransaction.h"
#include "dataaccess/mysql/uMyError.h"
#include "dataaccess/server/uCRCommand.h"
#include "platform/data/Component.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace components {
namespace {

using namespace dataaccess;

RTL_DECLARE_EXCEPTION(EHandlerError, rtl::Exception);

class FakeServerConnection;

// A server transaction whose end is a statement on its connection.
class FakeTransaction : public TCRTransaction {
public:
    static std::unique_ptr<TCRTransaction> Create() { return std::make_unique<FakeTransaction>(); }
    void StartTransaction() override;
    void Commit() override;
    void Rollback() override;
};

// A server connection without a server: statements fail with a lost connection (2013) once the
// session is "killed", and reconnects can be made to fail. Errors take the path of the MySQL
// connection: the handler decides, then the error or a silent abort is raised.
class FakeServerConnection : public TCRConnection {
public:
    TCRTransactionClass GetTransactionClass() const override { return &FakeTransaction::Create; }
    void Connect(const std::string& connectString) override {
        if (connected_) return;
        if (failingConnects > 0) {
            --failingConnects;
            Raise(2003, Component());
        }
        connected_ = true;
        killed = false;
        ++connects;
        TCRConnection::Connect(connectString);
    }
    void Disconnect() override { connected_ = false; }
    void AssignConnect(TCRConnection*) override {}
    void CheckIsValid() override {}
    std::string GetServerVersion() override { return "10.11.0"; }
    std::string GetServerVersionFull() override { return "10.11.0-fake"; }
    std::string GetClientVersion() override { return "fake"; }

    void Run(data::TComponent* component) {
        if (killed) Raise(2013, component);
    }
    [[noreturn]] void Raise(int code, data::TComponent* component) {
        EMyError error(code, "HY000", "fake error " + std::to_string(code));
        error.SetComponent(component);
        bool fail = true;
        if (OnError) HandleError(error, fail);
        if (fail) throw error;
        data::Abort();
    }

    int connects = 0;
    int failingConnects = 0;
    bool killed = false;
};

void FakeTransaction::StartTransaction() {
    CheckInactive();
    static_cast<FakeServerConnection*>(Connections().Items(0))->Run(Component());
    active_ = true;
}

void FakeTransaction::Commit() {
    CheckActive();
    static_cast<FakeServerConnection*>(Connections().Items(0))->Run(Component());
    active_ = false;
}

void FakeTransaction::Rollback() {
    CheckActive();
    static_cast<FakeServerConnection*>(Connections().Items(0))->Run(Component());
    active_ = false;
}

class FakeTransactionComponent : public TDATransaction {
public:
    using TDATransaction::TDATransaction;

protected:
    TCRTransactionClass GetITransactionClass() const override { return &FakeTransaction::Create; }
};

// The connection component over the fake server connection.
class FakeConnection : public TCustomDAConnection {
public:
    FakeConnection()
        : TCustomDAConnection(nullptr, std::make_unique<TDAConnectionOptions>(this),
                              std::make_unique<FakeTransactionComponent>(nullptr)) {}
    ~FakeConnection() override {
        Destroying();
        try {
            Disconnect();
        } catch (...) {
        }
    }

    FakeServerConnection& Fake() const { return static_cast<FakeServerConnection&>(*IConnection()); }
    std::unique_ptr<TCRCommand> CreateServerCommand() const override { return nullptr; }
    bool IsServerCommand(const TCRCommand&) const override { return false; }

    // One counted server operation, with `operation` on the operations stack.
    void Run(std::optional<TConnLostCause> operation) {
        AcquireConnection();
        if (operation) PushOperation(*operation, true);
        try {
            Fake().Run(this);
        } catch (...) {
            if (operation) PopOperation();
            ReleaseConnection();
            throw;
        }
        if (operation) PopOperation();
        ReleaseConnection();
    }

protected:
    void EnsureServerConnection() override {
        if (!IConnection()) AttachServerConnection(std::make_unique<FakeServerConnection>());
    }
    std::unique_ptr<TDAOneShotCommand> CreateSQL() const override { return nullptr; }
};

std::string Outcome(const std::function<void()>& action) {
    try {
        action();
    } catch (const EFailOver& e) {
        return "EFailOver " + std::to_string(e.ConnLostCause());
    } catch (const rtl::Exception& e) {
        return e.ClassName();
    }
    return "no error";
}

// What the connection decides when its session is lost during an operation.
TEST(DAConnectionFailoverTest, DecisionTable) {
    struct Case {
        const char* name;
        bool localFailover;
        std::optional<TConnLostCause> operation;
        bool inTransaction;
        int failingReconnects;
        std::optional<TRetryMode> answer; // of OnConnectionLost; none: keep the offer
        // expected
        std::optional<TRetryMode> offered;
        int onErrorCalls;
        std::string outcome;
        bool connected;
        int connects;
    };
    const std::vector<Case> cases = {
        {"lost, reconnected once", false, std::nullopt, false, 0, {}, {}, 1, "EMyError", true, 2},
        {"lost, reconnect fails", false, std::nullopt, false, 1, {}, {}, 2, "EMyError", false, 1},
        {"lost in a transaction", false, std::nullopt, true, 0, {}, {}, 1, "EMyError", false, 1},
        {"failover, open", true, clOpen, false, 0, {}, rmReconnectExecute, 0, "EFailOver 2", true, 2},
        {"failover, execute", true, clExecute, false, 0, {}, rmRaise, 1, "EMyError", false, 1},
        {"failover, open, reconnect only", true, clOpen, false, 0, rmReconnect, rmReconnectExecute, 1,
         "EMyError", true, 2},
        {"failover, open in a transaction", true, clOpen, true, 0, {}, {}, 1, "EMyError", false, 1},
        {"failover, apply in a transaction",
         true,
         clConnectionApply,
         true,
         0,
         {},
         rmReconnectExecute,
         0,
         "EFailOver 7",
         true,
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeConnection connection;
        connection.Options().SetLocalFailover(c.localFailover);
        int onErrorCalls = 0;
        std::optional<TRetryMode> offered;
        connection.OnError = [&](data::TComponent*, EDAError& e, bool& fail) {
            EXPECT_TRUE(fail);
            ++onErrorCalls;
        };
        connection.OnConnectionLost = [&](TCustomDAConnection*, data::TComponent*, TConnLostCause,
                                          TRetryMode& mode) {
            offered = mode;
            if (c.answer) mode = *c.answer;
        };
        connection.Connect();
        if (c.inTransaction) connection.StartTransaction();
        connection.Fake().killed = true;
        connection.Fake().failingConnects = c.failingReconnects;

        EXPECT_EQ(Outcome([&] { connection.Run(c.operation); }), c.outcome);
        EXPECT_EQ(offered, c.offered);
        EXPECT_EQ(onErrorCalls, c.onErrorCalls);
        EXPECT_EQ(connection.Connected(), c.connected);
        EXPECT_EQ(connection.Fake().connects, c.connects);
        EXPECT_FALSE(connection.InTransaction());
        // Whatever happened, the use counts balance: an explicit connect, or nothing.
        EXPECT_EQ(connection.ConnectCount(), c.connected ? 1 : 0);
        EXPECT_EQ(connection.PushOperation(clExecute, true), 0) << "the operations stack is empty again";
    }
}

TEST(DAConnectionFailoverTest, ServerErrorThatIsNotALostConnection) {
    FakeConnection connection;
    std::vector<int> codes;
    connection.OnError = [&](data::TComponent*, EDAError& e, bool& fail) {
        codes.push_back(e.ErrorCode());
        fail = false;
    };
    connection.Connect();
    EXPECT_EQ(Outcome([&] { connection.Fake().Raise(1064, &connection); }), "EAbort");
    EXPECT_THAT(codes, ::testing::ElementsAre(1064));
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(connection.Fake().connects, 1);
    EXPECT_TRUE(connection.Fake().IsValid());
}

TEST(DAConnectionFailoverTest, HandlerRaisingOnALostConnectionStillDisconnects) {
    for (const bool inTransaction : {false, true}) {
        FakeConnection connection;
        connection.OnError = [&](data::TComponent*, EDAError& e, bool&) { throw EHandlerError("handler"); };
        connection.Connect();
        if (inTransaction) connection.StartTransaction();
        connection.Fake().killed = true;
        EXPECT_EQ(Outcome([&] { connection.Run(std::nullopt); }), "EHandlerError");
        EXPECT_FALSE(connection.Connected()) << inTransaction;
        EXPECT_FALSE(connection.InTransaction());
        EXPECT_EQ(connection.ConnectCount(), 0);

        // The next use starts over on a new server connection.
        connection.Run(std::nullopt);
        EXPECT_TRUE(connection.Connected());
        EXPECT_EQ(connection.Fake().connects, 1);
        connection.StartTransaction();
        connection.Commit();
    }
}

TEST(DAConnectionFailoverTest, FailedFirstConnectIsNotRetried) {
    FakeConnection connection;
    connection.Options().SetLocalFailover(true);
    int lost = 0, errors = 0;
    connection.OnConnectionLost = [&](TCustomDAConnection*, data::TComponent*, TConnLostCause, TRetryMode&) {
        ++lost;
    };
    connection.OnError = [&](data::TComponent*, EDAError&, bool&) { ++errors; };
    connection.Connect(); // creates the server connection
    connection.Disconnect();
    connection.Fake().failingConnects = 1;
    EXPECT_EQ(Outcome([&] { connection.Connect(); }), "EMyError");
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(errors, 1);
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.ConnectCount(), 0);
    connection.Connect();
    EXPECT_TRUE(connection.Connected());
}

// A client that cannot close because the server is gone does not hold the disconnect up.
TEST(DAConnectionFailoverTest, DisconnectTellsEveryClientDespiteLostConnections) {
    FakeConnection connection;
    data::TComponent failing(nullptr), other(nullptr);
    int failingCalls = 0, otherCalls = 0, afterDisconnect = 0;
    connection.RegisterClient(&failing, [&](data::TCustomConnection*, bool connecting) {
        if (connecting) return;
        ++failingCalls;
        throw EMyError(2013, "HY000", "Lost connection");
    });
    connection.RegisterClient(&other, [&](data::TCustomConnection*, bool connecting) {
        if (!connecting) ++otherCalls;
    });
    connection.AfterDisconnect = [&](data::TCustomConnection*) { ++afterDisconnect; };
    connection.Connect();
    connection.Disconnect();
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(failingCalls, 2); // once by the component, once by the framework's disconnect
    EXPECT_EQ(otherCalls, 2);
    EXPECT_EQ(afterDisconnect, 1);
    connection.UnRegisterClient(&failing);
    connection.UnRegisterClient(&other);
}

TEST(DAConnectionFailoverTest, OtherClientErrorsPropagateAfterTheDisconnect) {
    FakeConnection connection;
    data::TComponent client(nullptr);
    connection.RegisterClient(&client, [&](data::TCustomConnection*, bool connecting) {
        if (!connecting) throw EMyError(1205, "HY000", "Lock wait timeout");
    });
    connection.Connect();
    EXPECT_EQ(Outcome([&] { connection.Disconnect(); }), "EMyError");
    EXPECT_EQ(connection.ConnectCount(), 0);
    connection.UnRegisterClient(&client);
}

TEST(DAConnectionFailoverTest, DisconnectedModeHoldsTheConnectionWhileUsed) {
    FakeConnection connection;
    connection.Options().SetDisconnectedMode(true);
    connection.AcquireConnection();
    connection.AcquireConnection();
    EXPECT_EQ(connection.ConnectCount(), 2);
    connection.ReleaseConnection();
    EXPECT_TRUE(connection.Connected());
    connection.ReleaseConnection();
    EXPECT_FALSE(connection.Connected());
    connection.ReleaseConnection(); // never below 0
    EXPECT_EQ(connection.ConnectCount(), 0);

    // A transaction holds it open past its statements.
    connection.StartTransaction();
    connection.Run(std::nullopt);
    EXPECT_TRUE(connection.Connected());
    connection.Commit();
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.Fake().connects, 2);
}

TEST(DAConnectionFailoverTest, OperationsStackIsInertWithoutLocalFailover) {
    FakeConnection connection;
    EXPECT_EQ(connection.PushOperation(clOpen, true), 0);
    EXPECT_EQ(connection.PushOperation(clOpen, true), 0);
    EXPECT_EQ(connection.DetectConnLostCause(&connection), clUnknown);

    connection.Options().SetLocalFailover(true);
    EXPECT_EQ(connection.PushOperation(clExecute, true), 0);
    EXPECT_EQ(connection.PushOperation(clOpen, false), 1);
    EXPECT_EQ(connection.PushOperation(clExecute, true), 2);
    // The greatest cause counts, with its own permission.
    EXPECT_EQ(connection.DetectConnLostCause(nullptr), clUnknown);
    connection.PopOperation();
    connection.PopOperation();
    EXPECT_EQ(connection.DetectConnLostCause(nullptr), clExecute);
}

TEST(DAConnectionFailoverTest, CheckNamedParams) {
    const std::string invalid =
        "Invalid Params array. Valid format: <Name1>,<Value1>[,<Name2>,<Value2>[...]]";
    struct Case {
        rtl::VariantArray pairs;
        bool valid;
    };
    const std::vector<Case> cases = {
        {{}, true},
        {{rtl::Variant::Null()}, true},
        {{"a", 1}, true},
        {{u"a", 1, "b", rtl::Variant::Null()}, true},
        {{"a", 1, "b"}, false},
        {{1, "a"}, false},
        {{rtl::Variant::Null(), 1}, false},
    };
    for (const Case& c : cases) {
        std::string error = "no error";
        try {
            TCustomDAConnection::CheckNamedParams(c.pairs);
        } catch (const rtl::Exception& e) {
            error = e.Message();
        }
        EXPECT_EQ(error, c.valid ? "no error" : invalid) << c.pairs.size();
    }
}

} // namespace
} // namespace components
