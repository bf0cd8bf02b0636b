#include "dataaccess/mysql/uMySQLConnection.h"
#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/server/uCRTransaction.h"
#include "dataaccess/server/uDTCLoader.h"
#include "dataaccess/TestConnection.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace dataaccess {
namespace {

// An in-process coordinator that records what it was asked.
struct FakeCoordinator {
    std::vector<std::string> calls;
    std::string iid;
    int32_t beginResult = 0;
};
FakeCoordinator* gFake = nullptr;

class FakeTransaction : public ICRTransactionSC {
public:
    int32_t Commit(bool retaining, uint32_t, uint32_t) override {
        gFake->calls.push_back(retaining ? "commit retaining" : "commit");
        return 0;
    }
    int32_t Abort(bool, bool) override {
        gFake->calls.push_back("abort");
        return 0;
    }
};

class FakeDispenser : public ICRTransactionDispenserSC {
public:
    int32_t BeginTransaction(void* outer, int32_t level, uint32_t flags, void* options,
                             std::shared_ptr<ICRTransactionSC>& transaction) override {
        gFake->calls.push_back("begin " + std::to_string(level));
        if (gFake->beginResult < 0) return gFake->beginResult;
        transaction = std::make_shared<FakeTransaction>();
        return 0;
    }
};

int32_t FakeEntry(const char*, const char*, const char* iid, uint32_t, void*,
                  std::shared_ptr<ICRTransactionDispenserSC>& dispenser) {
    gFake->iid = iid;
    gFake->calls.push_back("dispenser");
    dispenser = std::make_shared<FakeDispenser>();
    return 0;
}

// A connection that takes part in distributed transactions.
class EnlistingConnection : public TMySQLConnection {
public:
    EnlistingConnection() { connected_ = true; }
    ~EnlistingConnection() override { connected_ = false; }
    void JoinDistributedTransaction(TCRTransaction*) override { gFake->calls.push_back("enlist"); }
    void LeaveDistributedTransaction(TCRTransaction*) override { gFake->calls.push_back("leave"); }
};

class DTCTransactionTest : public ::testing::Test {
protected:
    void SetUp() override { gFake = &fake_; }
    void TearDown() override {
        RegisterDtcCoordinator(nullptr);
        UnloadDtcLibrary();
        gFake = nullptr;
    }
    FakeCoordinator fake_;
};

TEST_F(DTCTransactionTest, WithoutACoordinatorTheLoaderFailsClearly) {
    EXPECT_EQ(testsupport::ErrorMessageOf([] { LoadDtcEntryPoint(); }), "Can not find xolehlp.dll");
    std::shared_ptr<ICRTransactionDispenserSC> dispenser;
    EXPECT_EQ(testsupport::ErrorMessageOf(
                  [&] { DtcGetTransactionManagerEx(nullptr, nullptr, "", 0, nullptr, dispenser); }),
              "Function is not linked");
    EnlistingConnection connection;
    TMTSTransaction transaction;
    transaction.AddConnection(&connection);
    EXPECT_EQ(testsupport::ErrorMessageOf([&] { transaction.StartTransaction(); }),
              "Can not find xolehlp.dll");
    EXPECT_FALSE(transaction.GetActive());
}

TEST_F(DTCTransactionTest, RunsACoordinatorTransaction) {
    RegisterDtcCoordinator(&FakeEntry);
    EnlistingConnection a, b;
    TMTSTransaction transaction;
    transaction.AddConnection(&a);
    transaction.SetProp(prIsolationLevel, int{ilRepeatableRead});
    transaction.StartTransaction();
    EXPECT_TRUE(transaction.GetActive());
    EXPECT_EQ(fake_.iid, kIID_ICRTransactionDispenserSC);
    transaction.AddConnection(&b); // joins the running transaction
    transaction.Commit();
    EXPECT_FALSE(transaction.GetActive());
    EXPECT_EQ(transaction.CoordinatorTransaction(), nullptr);
    EXPECT_EQ(fake_.calls, (std::vector<std::string>{"dispenser", "begin 65536", "enlist", "enlist", "commit",
                                                     "leave", "leave"}));

    // The dispenser is kept; each level maps to the coordinator's constant.
    fake_.calls.clear();
    for (int level : {ilReadCommitted, ilReadUncommitted, ilSerializable}) {
        transaction.SetProp(prIsolationLevel, level);
        transaction.StartTransaction();
        transaction.Rollback();
    }
    EXPECT_EQ(fake_.calls[0], "begin 4096");
    EXPECT_EQ(fake_.calls[6], "begin 256");
    EXPECT_EQ(fake_.calls[12], "begin 1048576");
    EXPECT_EQ(fake_.calls[3], "abort");

    transaction.SetProp(prIsolationLevel, 7);
    EXPECT_EQ(testsupport::ErrorMessageOf([&] { transaction.StartTransaction(); }),
              "Transaction isolation level is not supported with MTS");
    fake_.beginResult = -2147467259;
    transaction.SetProp(prIsolationLevel, int{ilReadCommitted});
    EXPECT_THROW(transaction.StartTransaction(), EOleSysError);
    EXPECT_FALSE(transaction.GetActive());
    EXPECT_EQ(testsupport::ErrorMessageOf([&] { transaction.Commit(); }),
              "Can't perform operation on inactive transaction");
}

TEST_F(DTCTransactionTest, AMySQLConnectionRefusesToEnlist) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    RegisterDtcCoordinator(&FakeEntry);
    TMySQLConnection connection;
    testing::UseTestServer(connection, settings, false);
    TMTSTransaction transaction;
    transaction.AddConnection(&connection);
    EXPECT_EQ(testsupport::ErrorMessageOf([&] { transaction.StartTransaction(); }),
              "One of the connections in the transaction is not active");
    connection.Connect("");
    EXPECT_EQ(testsupport::ErrorMessageOf([&] { transaction.StartTransaction(); }),
              "MS DTC transactions not supported");
    EXPECT_FALSE(transaction.GetActive());
    EXPECT_EQ(fake_.calls, (std::vector<std::string>{"dispenser", "begin 4096", "abort"}));
}

} // namespace
} // namespace dataaccess
