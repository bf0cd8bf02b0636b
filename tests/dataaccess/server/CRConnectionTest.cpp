#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/server/uCRConnection.h"
#include "dataaccess/server/uCRTransaction.h"
#include "platform/data/Component.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dataaccess {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// A connection whose server calls are scripted: connects fail while `serverDown` is set, and every
// call is logged.
class TScriptedConnection : public TCRConnection {
public:
    TCRTransactionClass GetTransactionClass() const override { return &TCRTransaction::Create; }
    void Connect(const std::string& connectString) override {
        log.push_back("connect");
        if (serverDown) throw EDAError(2003, "Can't connect");
        connected_ = true;
        TCRConnection::Connect(connectString);
    }
    void Disconnect() override {
        log.push_back("disconnect");
        connected_ = false;
    }
    void AssignConnect(TCRConnection*) override {}
    void CheckIsValid() override {}
    std::string GetServerVersion() override { return "10.11"; }
    std::string GetServerVersionFull() override { return "10.11.6-MariaDB"; }
    std::string GetClientVersion() override { return "3.3.8"; }

    bool serverDown = false;
    std::vector<std::string> log;
};

class HandleErrorTest : public ::testing::Test {
protected:
    void SetUp() override {
        connection.Connect("");
        connection.log.clear();
        connection.OnReconnected = [this] { connection.log.push_back("reconnected"); };
    }

    TScriptedConnection connection;
    EDAError error{2013, "Lost connection to server during query"};
    bool fail = true;
};

TEST_F(HandleErrorTest, ReconnectWithReexecuteRaisesFailOverWithTheHandlersCause) {
    std::vector<int> attempts;
    connection.OnError = [&](EDAError& e, bool& f, bool& reconnect, bool& reexecute, int attempt,
                             TConnLostCause& cause) {
        EXPECT_EQ(&e, &error);
        attempts.push_back(attempt);
        reconnect = true;
        reexecute = true;
        f = false;
        cause = clExecute;
    };
    try {
        connection.HandleError(error, fail);
        FAIL() << "EFailOver expected";
    } catch (const EFailOver& e) {
        EXPECT_EQ(e.ConnLostCause(), clExecute);
        EXPECT_EQ(e.Message(), "");
    }
    EXPECT_THAT(attempts, ElementsAre(0));
    EXPECT_THAT(connection.log, ElementsAre("disconnect", "connect", "reconnected"));
    EXPECT_TRUE(connection.IsConnected());
    EXPECT_TRUE(connection.Reconnected());
    EXPECT_FALSE(fail);
}

TEST_F(HandleErrorTest, ReconnectWithoutReexecuteReturnsAndLeavesFailToTheCaller) {
    connection.OnError = [](EDAError&, bool&, bool& reconnect, bool&, int, TConnLostCause&) {
        reconnect = true;
    };
    connection.HandleError(error, fail);
    EXPECT_TRUE(fail);
    EXPECT_THAT(connection.log, ElementsAre("disconnect", "connect", "reconnected"));
}

TEST_F(HandleErrorTest, HandlerThatKeepsAskingSeesEveryAttemptUntilItStops) {
    connection.serverDown = true;
    std::vector<int> attempts;
    std::vector<bool> presetReconnect;
    connection.OnError = [&](EDAError&, bool&, bool& reconnect, bool&, int attempt, TConnLostCause&) {
        attempts.push_back(attempt);
        presetReconnect.push_back(reconnect);
        reconnect = attempt < 3;
    };
    int failedCalls = 0;
    connection.OnReconnectError = [&] {
        ++failedCalls;
        EXPECT_TRUE(connection.IsConnected());
        connection.log.push_back("reconnect failed");
    };
    connection.HandleError(error, fail);

    EXPECT_THAT(attempts, ElementsAre(0, 1, 2, 3));
    // Later attempts start with reconnect preset.
    EXPECT_THAT(presetReconnect, ElementsAre(false, true, true, true));
    EXPECT_THAT(connection.log,
                ElementsAre("disconnect", "connect", "connect", "connect", "reconnect failed"));
    EXPECT_EQ(failedCalls, 1);
    EXPECT_FALSE(connection.IsConnected());

    // The guard is clear again: the next error reaches the handler.
    attempts.clear();
    connection.OnError = [&](EDAError&, bool&, bool&, bool&, int attempt, TConnLostCause&) {
        attempts.push_back(attempt);
    };
    connection.HandleError(error, fail);
    EXPECT_THAT(attempts, ElementsAre(0));
}

TEST_F(HandleErrorTest, FailedReconnectEndsQuietlyWhenTheHandlerDoesNotAskAgain) {
    connection.serverDown = true;
    connection.OnError = [](EDAError&, bool&, bool& reconnect, bool& reexecute, int attempt,
                            TConnLostCause&) {
        reconnect = attempt == 0;
        reexecute = true;
    };
    connection.OnReconnectError = [] { throw rtl::Exception("swallowed"); };
    EXPECT_NO_THROW(connection.HandleError(error, fail));
    EXPECT_TRUE(fail);
    EXPECT_THAT(connection.log, ElementsAre("disconnect", "connect"));
}

TEST_F(HandleErrorTest, ReentrantCallsWhileTheGuardIsSetReturnAtOnce) {
    int handlerCalls = 0;
    bool innerFail = true;
    connection.OnError = [&](EDAError&, bool&, bool& reconnect, bool&, int, TConnLostCause&) {
        ++handlerCalls;
        // The handler's own server call fails: its error must not come back here.
        EDAError inner(2006, "MySQL server has gone away");
        connection.HandleError(inner, innerFail);
        reconnect = handlerCalls == 1;
    };
    connection.OnReconnected = [&] {
        EDAError inner(2006, "MySQL server has gone away");
        connection.HandleError(inner, innerFail);
    };
    connection.HandleError(error, fail);
    EXPECT_EQ(handlerCalls, 1);
    EXPECT_TRUE(innerFail);
    EXPECT_THAT(connection.log, ElementsAre("disconnect", "connect"));
}

TEST_F(HandleErrorTest, HandlerFailurePropagatesAndClearsTheGuard) {
    int handlerCalls = 0;
    connection.OnError = [&](EDAError&, bool&, bool&, bool&, int, TConnLostCause&) {
        if (++handlerCalls == 1) throw rtl::Exception("handler failed");
    };
    EXPECT_THROW(connection.HandleError(error, fail), rtl::Exception);
    connection.HandleError(error, fail);
    EXPECT_EQ(handlerCalls, 2);
}

TEST_F(HandleErrorTest, WithoutHandlerNothingHappens) {
    connection.HandleError(error, fail);
    EXPECT_TRUE(fail);
    EXPECT_TRUE(connection.log.empty());
}

TEST(CRConnectionTest, PropertiesAreStoredAndReadBack) {
    TScriptedConnection connection;
    EXPECT_TRUE(connection.SetProp(prAutoCommit, true));
    EXPECT_TRUE(connection.SetProp(prConvertEOL, true));
    EXPECT_TRUE(connection.SetProp(prDisconnectedMode, true));
    EXPECT_TRUE(connection.SetProp(prEnableBCD, true));
    EXPECT_TRUE(connection.SetProp(prEnableFMTBCD, true));
    EXPECT_TRUE(connection.SetProp(prDefaultSortType, 2));
    EXPECT_TRUE(connection.AutoCommit());
    EXPECT_TRUE(connection.ConvertEOL());
    EXPECT_TRUE(connection.DisconnectedMode());
    EXPECT_TRUE(connection.EnableBCD());
    EXPECT_TRUE(connection.EnableFMTBCD());
    EXPECT_EQ(connection.DefaultSortType(), 2);

    connection.SetUsername("root");
    rtl::Variant value;
    EXPECT_TRUE(connection.GetProp(prUsername, value));
    EXPECT_EQ(value, rtl::Variant("root"));
    EXPECT_TRUE(connection.GetProp(prMaxStringSize, value));
    EXPECT_EQ(value, rtl::Variant(0));
    EXPECT_TRUE(connection.GetProp(prLastInsertId, value));
    EXPECT_EQ(value, rtl::Variant(0));
}

TEST(CRConnectionTest, DatabaseAndPortAreLeftToServerClasses) {
    TScriptedConnection connection;
    EXPECT_TRUE(connection.SetProp(prDatabase, "test"));
    EXPECT_TRUE(connection.SetProp(prPort, 3306));
    EXPECT_FALSE(connection.AutoCommit());
    EXPECT_EQ(connection.Server(), "");
}

TEST(CRConnectionTest, UnknownPropertyCodesFailAnAssertionNamingTheCode) {
    TScriptedConnection connection;
    rtl::Variant value;
    for (const int code : {1001, prUsername}) {
        try {
            connection.SetProp(code, 1);
            ADD_FAILURE() << code;
        } catch (const rtl::EAssertionFailed& e) {
            EXPECT_THAT(e.Message(), StartsWith(std::to_string(code) + " ("));
        }
    }
    EXPECT_THROW(connection.GetProp(prAutoCommit, value), rtl::EAssertionFailed);
}

TEST(CRConnectionTest, ConnectStampsTimeAndValidity) {
    TScriptedConnection connection;
    connection.SetIsValid(false);
    connection.Connect("");
    EXPECT_TRUE(connection.IsValid());
    EXPECT_GT(connection.ConnectTime(), 0u);
}

TEST(CRConnectionTest, InternalTransactionHoldsTheConnection) {
    TScriptedConnection connection;
    TCRTransaction* transaction = connection.InternalTransaction();
    ASSERT_NE(transaction, nullptr);
    EXPECT_EQ(connection.InternalTransaction(), transaction);
    ASSERT_EQ(transaction->Connections().Count(), 1);
    EXPECT_EQ(transaction->Connections().Items(0), &connection);
}

TEST(CRConnectionTest, DistributedTransactionsAreRefused) {
    TScriptedConnection connection;
    TCRTransaction transaction;
    for (const auto& call :
         {&TCRConnection::JoinDistributedTransaction, &TCRConnection::LeaveDistributedTransaction}) {
        try {
            (connection.*call)(&transaction);
            ADD_FAILURE();
        } catch (const rtl::Exception& e) {
            EXPECT_EQ(e.Message(), "MS DTC transactions not supported");
        }
    }
}

class TRecordingPool : public TCRConnectionReturn {
public:
    void ReturnConnection(TCRConnection* connection) override { returned.push_back(connection); }
    std::vector<TCRConnection*> returned;
};

TEST(CRConnectionTest, ReturnToPoolDropsTheComponentsHandler) {
    TScriptedConnection connection;
    EXPECT_THROW(connection.ReturnToPool(), rtl::EAssertionFailed);

    TRecordingPool pool;
    data::TComponent component(nullptr);
    connection.SetPool(&pool);
    connection.SetComponent(&component);
    connection.OnError = [](EDAError&, bool&, bool&, bool&, int, TConnLostCause&) {};
    connection.ReturnToPool();
    EXPECT_THAT(pool.returned, ElementsAre(&connection));
    EXPECT_FALSE(connection.OnError);
    EXPECT_EQ(connection.Component(), nullptr);
}

TEST(CRConnectionTest, ConnectionListChecksIndexes) {
    TScriptedConnection a, b;
    TCRConnections list;
    list.Add(&a);
    list.Add(&b);
    EXPECT_EQ(list.IndexOf(&b), 1);
    list.Delete(0);
    EXPECT_EQ(list.IndexOf(&a), -1);
    EXPECT_EQ(list.Items(0), &b);
    try {
        list.Items(1);
        FAIL();
    } catch (const rtl::EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (1)");
    }
}

} // namespace
} // namespace dataaccess
