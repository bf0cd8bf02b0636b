#include "ToyDataSet.h"

#include "platform/data/CustomConnection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace data;

class Connection : public TCustomConnection {
public:
    Connection(std::vector<std::string>& log) : TCustomConnection(nullptr), log_(log) {}
    bool failConnect = false;

protected:
    bool GetConnected() const override { return connected_; }
    void DoConnect() override {
        log_.push_back("DoConnect");
        if (failConnect) DatabaseError("refused");
        connected_ = true;
    }
    void DoDisconnect() override {
        log_.push_back("DoDisconnect");
        connected_ = false;
    }

private:
    std::vector<std::string>& log_;
    bool connected_ = false;
};

TEST(CustomConnectionTest, ConnectAndDisconnectInOrder) {
    std::vector<std::string> log;
    Connection connection(log);
    const auto record = [&log](const char* name) {
        return [&log, name](TCustomConnection*) { log.push_back(name); };
    };
    connection.BeforeConnect = record("BeforeConnect");
    connection.AfterConnect = record("AfterConnect");
    connection.BeforeDisconnect = record("BeforeDisconnect");
    connection.AfterDisconnect = record("AfterDisconnect");
    TComponent client(nullptr);
    connection.RegisterClient(&client, [&log](TCustomConnection*, bool connecting) {
        log.push_back(connecting ? "client up" : "client down");
    });

    connection.Open();
    EXPECT_TRUE(connection.Connected());
    connection.Open(); // already: nothing
    connection.Close();
    connection.Close();
    EXPECT_EQ(log, (std::vector<std::string>{"BeforeConnect", "DoConnect", "client up", "AfterConnect",
                                             "BeforeDisconnect", "client down", "DoDisconnect",
                                             "AfterDisconnect"}));

    log.clear();
    connection.failConnect = true;
    EXPECT_THROW(connection.Open(), EDatabaseError);
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(log, (std::vector<std::string>{"BeforeConnect", "DoConnect"}));
}

TEST(CustomConnectionTest, DataSetsAreTheDataSetClients) {
    std::vector<std::string> log;
    Connection connection(log);
    datatest::ToyDataSet first(nullptr, {}, {}), second(nullptr, {}, {});
    TComponent command(nullptr);
    connection.RegisterClient(&first);
    connection.RegisterClient(&command);
    connection.RegisterClient(&second,
                              [&](TCustomConnection*, bool) { connection.UnRegisterClient(&command); });
    connection.RegisterClient(&first); // once only
    ASSERT_EQ(connection.DataSetCount(), 2);
    EXPECT_EQ(connection.DataSets(0), &first);
    EXPECT_EQ(connection.DataSets(1), &second);
    EXPECT_THROW(connection.DataSets(2), rtl::EListError);
    connection.Open();
    connection.UnRegisterClient(&first);
    EXPECT_EQ(connection.DataSetCount(), 1);
    EXPECT_EQ(connection.DataSets(0), &second);
}

} // namespace
