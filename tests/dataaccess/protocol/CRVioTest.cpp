#include "dataaccess/protocol/uCRVio.h"
#include "dataaccess/protocol/uCRVioHandler.h"
#include "dataaccess/protocol/uMySqlErrors.h"
#include "dataaccess/protocol/uMySqlNet.h"
#include "dataaccess/protocol/uMySqlVioPipe.h"
#include "platform/rtl/Threads.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <deque>
#include <numeric>

namespace dataaccess {
namespace {

// ---- The read-ahead and write loops, against a fake peer on the other end of a socket pair

struct RawRead {
    const uint8_t* destination;
    int count;
};

class SocketPairVio : public TCRVio {
public:
    explicit SocketPairVio(int socket) : socket_(socket) {}
    int GetTimeout() const override { return 0; }
    void SetTimeout(int) override {}
    void Close() override {}
    int ReadNoWait(uint8_t* buffer, int offset, int count) override {
        reads.push_back({buffer + offset, count});
        return ReceiveOnce(socket_, buffer, offset, count);
    }
    // Never blocks: a full socket buffer writes nothing.
    int WriteNoWait(const uint8_t* buffer, int offset, int count) override {
        ++writeAttempts;
        const ssize_t n = send(socket_, buffer + offset, count, MSG_DONTWAIT | MSG_NOSIGNAL);
        return n > 0 ? static_cast<int>(n) : 0;
    }

    std::vector<RawRead> reads;
    int writeAttempts = 0;

private:
    int socket_;
};

class VioLoopTest : public ::testing::Test {
protected:
    VioLoopTest() {
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sockets_), 0);
        vio_ = std::make_unique<SocketPairVio>(sockets_[0]);
        vio_->Connect();
    }
    ~VioLoopTest() override {
        vio_.reset();
        ::close(sockets_[0]);
        if (sockets_[1] != -1) ::close(sockets_[1]);
    }
    void PeerSends(const std::vector<uint8_t>& bytes) {
        ASSERT_EQ(send(sockets_[1], bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    }
    void PeerCloses() {
        ::close(sockets_[1]);
        sockets_[1] = -1;
    }
    static std::vector<uint8_t> Sequence(int size) {
        std::vector<uint8_t> bytes(size);
        std::iota(bytes.begin(), bytes.end(), 0);
        return bytes;
    }

    int sockets_[2] = {-1, -1};
    std::unique_ptr<SocketPairVio> vio_;
};

TEST_F(VioLoopTest, SmallReadsAreServedFromOneRawRead) {
    PeerSends(Sequence(100));
    std::array<uint8_t, 100> buffer{};
    ASSERT_EQ(vio_->Read(buffer.data(), 0, 5), 5);
    EXPECT_EQ(vio_->reads.size(), 1u);
    EXPECT_EQ(vio_->reads[0].count, TCRVio::kReadAheadSize);
    ASSERT_EQ(vio_->Read(buffer.data(), 5, 95), 95);
    EXPECT_EQ(vio_->reads.size(), 1u); // the other 95 came from the buffer
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(buffer[i], i);
}

TEST_F(VioLoopTest, LargeReadGoesStraightIntoTheCallersBuffer) {
    PeerSends(Sequence(4096));
    std::vector<uint8_t> buffer(4096);
    ASSERT_EQ(vio_->Read(buffer.data(), 0, 4096), 4096);
    ASSERT_FALSE(vio_->reads.empty());
    for (const RawRead& read : vio_->reads) {
        EXPECT_GE(read.destination, buffer.data());
        EXPECT_LE(read.destination + read.count, buffer.data() + buffer.size());
    }
    EXPECT_EQ(buffer[4095], 4095 % 256);
}

TEST_F(VioLoopTest, ClosedPeerGivesAShortReadAfterOnePause) {
    PeerSends({1, 2, 3});
    PeerCloses();
    std::array<uint8_t, 10> buffer{};
    const uint64_t start = rtl::GetTickCount();
    EXPECT_EQ(vio_->Read(buffer.data(), 0, 10), 3);
    const uint64_t elapsed = rtl::GetTickCount() - start;
    EXPECT_GE(elapsed, static_cast<uint64_t>(TCRVio::kRetryPauseMs));
    EXPECT_LT(elapsed, 1000u);
    EXPECT_EQ(buffer[2], 3);
    EXPECT_EQ(vio_->Read(buffer.data(), 0, 10), 0);
}

TEST_F(VioLoopTest, WriteGivesUpAfterThreeAttemptsThatWroteNothing) {
    const std::vector<uint8_t> block(65536, 'x');
    while (send(sockets_[0], block.data(), block.size(), MSG_DONTWAIT) > 0) {
    }
    const uint64_t start = rtl::GetTickCount();
    EXPECT_EQ(vio_->Write(block.data(), 0, 1000), 0);
    EXPECT_EQ(vio_->writeAttempts, 3);
    EXPECT_GE(rtl::GetTickCount() - start, 2u * TCRVio::kRetryPauseMs); // a pause before each retry
}

// WriteNoWait results given in advance.
class ScriptedVio : public TCRVio {
public:
    int GetTimeout() const override { return 0; }
    void SetTimeout(int) override {}
    void Close() override {}
    int ReadNoWait(uint8_t*, int, int) override { return 0; }
    int WriteNoWait(const uint8_t*, int, int count) override {
        ++calls;
        if (results.empty()) return count;
        const int n = results.front();
        results.pop_front();
        return n;
    }
    std::deque<int> results;
    int calls = 0;
};

TEST(VioWriteTest, FailedAttemptsAreCountedAcrossProgress) {
    ScriptedVio vio;
    vio.results = {0, 10, 0, 10, 0, 10};
    const std::vector<uint8_t> bytes(100);
    EXPECT_EQ(vio.Write(bytes.data(), 0, 100), 20);
    EXPECT_EQ(vio.calls, 5);
}

// ---- TCP

// A port on the loopback interface that nothing listens on.
int ClosedPort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    socklen_t length = sizeof(address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(s);
    return ntohs(address.sin_port);
}

int SocketOption(int socket, int level, int name) {
    int value = 0;
    socklen_t length = sizeof(value);
    getsockopt(socket, level, name, &value, &length);
    return value;
}

TEST(VioTcpTest, ConnectYieldsTheGreeting) {
    const auto server = VELTRANE_REQUIRE_SERVER();
    TMySqlNet net;
    auto tcp = std::make_unique<TCRVioTcp>(server.host, static_cast<int>(server.port));
    TCRVioTcp* vio = tcp.get();
    net.SetVio(std::move(tcp));
    for (int round = 0; round < 2; ++round) { // a closed transport connects again
        vio->Connect();
        EXPECT_EQ(SocketOption(vio->GetSocket(), IPPROTO_TCP, TCP_NODELAY), 1);
        EXPECT_EQ(SocketOption(vio->GetSocket(), SOL_SOCKET, SO_KEEPALIVE), 1);
        timeval timeout{};
        socklen_t length = sizeof(timeout);
        getsockopt(vio->GetSocket(), SOL_SOCKET, SO_RCVTIMEO, &timeout, &length);
        EXPECT_EQ(timeout.tv_sec, TCRVioTcp::kDefaultTimeout);
        net.NewCommand();
        net.ReadPacket();
        EXPECT_EQ(net.ReadByte(), 10);
        EXPECT_FALSE(net.ReadString().empty()); // server version
        vio->Close();
        EXPECT_EQ(vio->GetSocket(), -1);
    }
}

TEST(VioTcpTest, WaitForDataSeesBufferedBytes) {
    const auto server = VELTRANE_REQUIRE_SERVER();
    TCRVioTcp vio(server.host, static_cast<int>(server.port));
    vio.Connect();
    EXPECT_TRUE(vio.WaitForData(5));
    uint8_t header[4];
    ASSERT_EQ(vio.Read(header, 0, 4), 4); // the whole greeting is now in the read-ahead buffer
    EXPECT_TRUE(vio.WaitForData(0));
    std::vector<uint8_t> payload(header[0] | header[1] << 8 | header[2] << 16);
    ASSERT_EQ(vio.Read(payload.data(), 0, static_cast<int>(payload.size())),
              static_cast<int>(payload.size()));
    EXPECT_FALSE(vio.WaitForData(0));
}

TEST(VioTcpTest, ReadTimeoutEndsInOneShortRead) {
    const auto server = VELTRANE_REQUIRE_SERVER();
    TMySqlNet net;
    net.SetVio(std::make_unique<TCRVioTcp>(server.host, static_cast<int>(server.port)));
    net.Vio()->SetTimeout(1);
    net.Vio()->Connect();
    net.ReadPacket(); // the greeting; then the server waits for the login
    const uint64_t start = rtl::GetTickCount();
    try {
        net.ReadPacket();
        FAIL() << "read";
    } catch (const EMySqlException& e) {
        EXPECT_EQ(e.ErrorCode(), 2013);
        EXPECT_EQ(e.Message(), "Lost connection to MySQL server during query\r\nSocket error on read. "
                               "WSAGetLastError return 11($B)");
    }
    const uint64_t elapsed = rtl::GetTickCount() - start;
    EXPECT_GE(elapsed, 900u);
    EXPECT_LT(elapsed, 1900u); // the timeout is waited out once, not once per raw read
}

TEST(VioTcpTest, ClosedPortRaises2003) {
    TCRVioTcp vio("127.0.0.1", ClosedPort());
    try {
        vio.Connect();
        FAIL() << "connected";
    } catch (const SocketException& e) {
        EXPECT_EQ(e.ErrorCode(), 2003);
        EXPECT_EQ(e.Message(), "Socket error on connect. WSAGetLastError return 111($6F)");
    }
    EXPECT_EQ(vio.LastError(), "Socket error on connect. WSAGetLastError return 111($6F)");
    EXPECT_EQ(vio.GetSocket(), -1);
}

TEST(VioTcpTest, UnknownHostRaises2005) {
    TCRVioTcp vio("no-such-host.invalid", 3306);
    try {
        vio.Connect();
        FAIL() << "connected";
    } catch (const SocketException& e) {
        EXPECT_EQ(e.ErrorCode(), 2005);
        EXPECT_EQ(e.Message().rfind("Socket error on connect. WSAGetLastError return ", 0), 0u)
            << e.Message();
    }
    EXPECT_EQ(vio.GetSocket(), -1);
}

TEST(VioTcpTest, WriteToAPeerThatStopsReadingGivesUp) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    socklen_t length = sizeof(address);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    ASSERT_EQ(listen(listener, 1), 0);

    TCRVioTcp vio("127.0.0.1", ntohs(address.sin_port));
    vio.SetTimeout(1);
    vio.Connect();
    const int peer = accept(listener, nullptr, nullptr); // accepts, never reads
    const std::vector<uint8_t> bytes(64 << 20, 'x');
    const int written = vio.Write(bytes.data(), 0, static_cast<int>(bytes.size()));
    EXPECT_LT(written, static_cast<int>(bytes.size()));
    EXPECT_EQ(vio.LastError(), "Socket error on write. WSAGetLastError return 11($B)");
    vio.Close();
    EXPECT_EQ(vio.Write(bytes.data(), 0, 10), 0); // closed: nothing is written
    ::close(peer);
    ::close(listener);
}

// ---- The named-pipe stand-in: the server's Unix socket

TEST(VioPipeTest, ConnectYieldsTheGreeting) {
    const auto server = VELTRANE_REQUIRE_SERVER();
    TMySqlNet net;
    auto pipe = std::make_unique<TMySqlVioPipe>("LOCALHOST", 0, server.socket);
    TMySqlVioPipe* vio = pipe.get();
    net.SetVio(std::move(pipe));
    vio->Connect();
    EXPECT_EQ(vio->Host(), ".");
    net.ReadPacket();
    EXPECT_EQ(net.ReadByte(), 10);
}

TEST(VioPipeTest, OpenFailuresRaise2017WithTheReason) {
    struct Case {
        std::string host;
        std::string pipe;
        std::string detail;
    };
    const Case cases[] = {
        {"", "/nonexistent/veltrane.sock", "No such file or directory"},
        {"db.example.com", "/nonexistent/veltrane.sock", "A socket file reaches the local host only"},
        {".", "/" + std::string(200, 'p'), "File name too long"},
    };
    for (const Case& c : cases) {
        TMySqlVioPipe vio(c.host, 3306, c.pipe);
        try {
            vio.Connect();
            ADD_FAILURE() << c.host << " " << c.pipe;
        } catch (const EMySqlException& e) {
            EXPECT_EQ(e.ErrorCode(), 2017);
            EXPECT_EQ(e.Message(), "Can't open named pipe to host: %s  pipe: %s (%s)\r\n" + c.detail);
        }
    }
}

TEST(VioPipeTest, EmptyPipeNameMeansTheDefaultSocket) {
    TMySqlVioPipe vio("", 0, "");
    try {
        vio.Connect();
    } catch (const EMySqlException&) {
        // no server on the default socket here
    }
    EXPECT_EQ(vio.PipeName(), "/run/mysqld/mysqld.sock");
    EXPECT_EQ(vio.Host(), ".");
}

// ---- A user-written transport

class RecordingHandler : public TCRIOHandler {
public:
    RecordingHandler() : TCRIOHandler(nullptr) {}
    TCRIOHandle Connect(const std::string& host, int port, const std::string& keyFile,
                        const std::string& certFile, const std::string& caFile) override {
        log += "Connect(" + host + "," + std::to_string(port) + "," + keyFile + "," + certFile + "," +
               caFile + ")";
        return 42;
    }
    void Disconnect(TCRIOHandle handle) override { log += "Disconnect(" + std::to_string(handle) + ")"; }
    int ReadNoWait(TCRIOHandle handle, uint8_t*, int, int count) override {
        log += "ReadNoWait(" + std::to_string(handle) + ")";
        return count;
    }
    int Read(TCRIOHandle handle, uint8_t*, int, int count) override {
        log += "Read(" + std::to_string(handle) + "," + std::to_string(count) + ")";
        return count;
    }
    int Write(TCRIOHandle handle, const uint8_t*, int, int count) override {
        log += "Write(" + std::to_string(handle) + "," + std::to_string(count) + ")";
        return count;
    }
    int GetTimeout(TCRIOHandle handle) override { return timeout; }
    void SetTimeout(TCRIOHandle handle, int seconds) override {
        log += "SetTimeout(" + std::to_string(handle) + "," + std::to_string(seconds) + ")";
        timeout = seconds;
    }
    void RegisterClient(data::TComponent*) override { log += "Register"; }

    std::string log;
    int timeout = 0;
};

TEST(VioHandlerTest, EveryCallGoesToTheHandlerWithItsHandle) {
    RecordingHandler handler;
    TCRIOHandlerUtils::RegisterClient(&handler, nullptr);
    TCRVioHandler vio(&handler, "h", 3306, "key", "cert", "ca");
    vio.SetTimeout(7); // kept until connected
    EXPECT_EQ(vio.GetTimeout(), 7);
    vio.Connect();
    EXPECT_EQ(vio.Handle(), 42);
    uint8_t buffer[8];
    EXPECT_EQ(vio.Read(buffer, 0, 8), 8);
    EXPECT_EQ(vio.Write(buffer, 0, 3), 3);
    EXPECT_EQ(vio.ReadNoWait(buffer, 0, 1), 1);
    handler.timeout = 9;
    EXPECT_EQ(vio.GetTimeout(), 9);
    EXPECT_THROW(vio.WriteNoWait(buffer, 0, 1), rtl::EAssertionFailed);
    vio.Close();
    EXPECT_EQ(vio.Handle(), 0);
    EXPECT_EQ(handler.log,
              "RegisterConnect(h,3306,key,cert,ca)SetTimeout(42,7)Read(42,8)Write(42,3)ReadNoWait(42)"
              "Disconnect(42)");
}

} // namespace
} // namespace dataaccess
