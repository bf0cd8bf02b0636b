#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/server/uCRConnection.h"
#include "dataaccess/server/uCRTransaction.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace dataaccess {
namespace {

// Only the list identity of a connection matters here.
class TIdleConnection : public TCRConnection {
public:
    TCRTransactionClass GetTransactionClass() const override { return &TCRTransaction::Create; }
    void Disconnect() override {}
    void AssignConnect(TCRConnection*) override {}
    void CheckIsValid() override {}
    std::string GetServerVersion() override { return ""; }
    std::string GetServerVersionFull() override { return ""; }
    std::string GetClientVersion() override { return ""; }
};

// Starts and ends without a server, so that the active checks can be seen.
class TLocalTransaction : public TCRTransaction {
public:
    void StartTransaction() override {
        CheckInactive();
        active_ = true;
    }
    void Commit() override {
        CheckActive();
        active_ = false;
    }
};

TEST(CRTransactionTest, ConnectionsAreAddedAndRemovedOnce) {
    TIdleConnection a, b;
    TCRTransaction transaction;
    EXPECT_TRUE(transaction.AddConnection(&a));
    EXPECT_FALSE(transaction.AddConnection(&a));
    EXPECT_TRUE(transaction.AddConnection(&b));
    EXPECT_EQ(transaction.Connections().Count(), 2);
    EXPECT_TRUE(transaction.RemoveConnection(&a));
    EXPECT_FALSE(transaction.RemoveConnection(&a));
    ASSERT_EQ(transaction.Connections().Count(), 1);
    EXPECT_EQ(transaction.Connections().Items(0), &b);
}

TEST(CRTransactionTest, IsolationLevelAndReadOnlyAreProperties) {
    TCRTransaction transaction;
    rtl::Variant value;
    EXPECT_TRUE(transaction.GetProp(prIsolationLevel, value));
    EXPECT_EQ(value, rtl::Variant(0));
    EXPECT_TRUE(transaction.SetProp(prIsolationLevel, static_cast<int>(ilSerializable)));
    EXPECT_TRUE(transaction.SetProp(prTransactionReadOnly, true));
    EXPECT_EQ(transaction.IsolationLevel(), ilSerializable);
    EXPECT_TRUE(transaction.GetProp(prTransactionReadOnly, value));
    EXPECT_EQ(value, rtl::Variant(true));
    try {
        transaction.SetProp(36, 1);
        FAIL();
    } catch (const rtl::EAssertionFailed& e) {
        EXPECT_THAT(e.Message(), ::testing::StartsWith("36 ("));
    }
}

TEST(CRTransactionTest, BaseOperationsAreLeftToServerClasses) {
    TCRTransaction transaction;
    EXPECT_THROW(transaction.StartTransaction(), rtl::EAssertionFailed);
    EXPECT_THROW(transaction.Commit(), rtl::EAssertionFailed);
    EXPECT_THROW(transaction.Rollback(), rtl::EAssertionFailed);
    const std::function<void()> unsupported[] = {
        [&] { transaction.CommitRetaining(); },         [&] { transaction.RollbackRetaining(); },
        [&] { transaction.Savepoint("sp"); },           [&] { transaction.ReleaseSavepoint("sp"); },
        [&] { transaction.RollbackToSavepoint("sp"); },
    };
    for (const auto& call : unsupported) {
        try {
            call();
            ADD_FAILURE();
        } catch (const rtl::Exception& e) {
            EXPECT_EQ(e.Message(), "Operation is not supported by the database");
        }
    }
    EXPECT_FALSE(transaction.CanRestoreAfterFailover());
}

TEST(CRTransactionTest, ActiveChecksNameTheState) {
    TLocalTransaction transaction;
    try {
        transaction.Commit();
        FAIL();
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "Can't perform operation on inactive transaction");
    }
    transaction.StartTransaction();
    EXPECT_TRUE(transaction.GetActive());
    try {
        transaction.StartTransaction();
        FAIL();
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "Can't perform operation on active transaction");
    }
    transaction.Commit();
    EXPECT_FALSE(transaction.GetInTransaction());
}

TEST(CRTransactionTest, ResetForgetsATransactionOfALostSession) {
    TLocalTransaction transaction;
    transaction.StartTransaction();
    transaction.Reset();
    EXPECT_FALSE(transaction.GetActive());
    transaction.StartTransaction(); // not refused as in progress
    EXPECT_TRUE(transaction.GetActive());
}

} // namespace
} // namespace dataaccess
