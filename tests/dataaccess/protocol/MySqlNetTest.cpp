#include "dataaccess/MemoryVio.h"
#include "dataaccess/PacketDecoding.h"
#include "dataaccess/ServerLogin.h"

#include "dataaccess/protocol/uCRVio.h"
#include "dataaccess/protocol/uMySqlErrors.h"
#include "dataaccess/protocol/uMySqlNet.h"
#include "dataaccess/store/uSystemExceptions.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <random>

namespace dataaccess {
namespace {

using testing::TMemoryVio;

constexpr int kPiece = TMySqlNet::kPieceSize;

TBytes Header(int length, uint8_t sequence) {
    return {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
            static_cast<uint8_t>(length >> 16), sequence};
}

TBytes Packet(uint8_t sequence, const TBytes& payload) {
    TBytes bytes = Header(static_cast<int>(payload.size()), sequence);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}

TBytes Frame(uint8_t sequence, const TBytes& data, int originalLength) {
    TBytes bytes = Header(static_cast<int>(data.size()), sequence);
    const TBytes original = Header(originalLength, 0);
    bytes.insert(bytes.end(), original.begin(), original.begin() + 3);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

TBytes Pattern(size_t size) {
    TBytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return bytes;
}

TBytes RandomBytes(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    TBytes bytes(size);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(random());
    return bytes;
}

struct WirePacket {
    int length;
    int sequence;
};

// Splits plain wire bytes into packets; the payloads are joined into `payload`.
std::vector<WirePacket> ParsePackets(const TBytes& wire, TBytes* payload = nullptr) {
    std::vector<WirePacket> packets;
    size_t at = 0;
    while (at < wire.size()) {
        EXPECT_LE(at + 4, wire.size());
        const int length = wire[at] | wire[at + 1] << 8 | wire[at + 2] << 16;
        packets.push_back({length, wire[at + 3]});
        if (payload) payload->insert(payload->end(), wire.begin() + at + 4, wire.begin() + at + 4 + length);
        at += 4 + length;
    }
    EXPECT_EQ(at, wire.size());
    return packets;
}

// A packet layer over a memory transport: what it writes is recorded, what it reads is fed.
class MySqlNetTest : public ::testing::Test {
protected:
    MySqlNetTest() {
        auto vio = std::make_unique<TMemoryVio>();
        vio_ = vio.get();
        net_.SetVio(std::move(vio));
        net_.NewCommand();
    }

    void Write(const TBytes& payload) {
        net_.WriteBytes(payload.data(), 0, static_cast<int>(payload.size()));
    }

    // Writes with a compressing writer and reads the packet back with a decompressing reader.
    TBytes CompressedRoundTrip(const TBytes& payload, TBytes* wire = nullptr) {
        net_.SetCompress(true);
        Write(payload);
        net_.Flush();
        if (wire) *wire = vio_->Written();
        TMySqlNet reader;
        reader.SetVio(std::make_unique<TMemoryVio>(vio_->Written()));
        reader.SetCompress(true);
        reader.ReadPacket();
        return TBytes(reader.PacketData(), reader.PacketData() + reader.PacketLength());
    }

    template <class F>
    void ExpectError(int code, F&& operation, const std::string& message = {}) {
        try {
            operation();
            ADD_FAILURE() << "no error " << code;
        } catch (const EMySqlException& e) {
            EXPECT_EQ(e.ErrorCode(), code) << e.Message();
            if (!message.empty()) {
                EXPECT_EQ(e.Message(), message);
            }
        }
    }

    TMySqlNet net_;
    TMemoryVio* vio_;
};

// ---- Writing

TEST_F(MySqlNetTest, SmallPayloadWaitsForFlush) {
    Write(Pattern(20));
    EXPECT_TRUE(vio_->Writes().empty());
    net_.Flush();
    ASSERT_EQ(vio_->Writes().size(), 1u);
    TBytes expected = Packet(0, Pattern(20));
    EXPECT_EQ(vio_->Writes()[0], expected);
    EXPECT_EQ(net_.PacketNumber(), 1);
    net_.Flush(); // nothing buffered: nothing sent
    EXPECT_EQ(vio_->Writes().size(), 1u);
}

TEST(MySqlNetWriteTest, LargePayloadsAreSplitIntoPieces) {
    struct Case {
        int size;
        std::vector<WirePacket> packets;
    };
    const Case cases[] = {
        {kPiece - 1, {{kPiece - 1, 0}}},
        {kPiece, {{kPiece, 0}, {0, 1}}},
        {kPiece + 1, {{kPiece, 0}, {1, 1}}},
        {2 * kPiece, {{kPiece, 0}, {kPiece, 1}, {0, 2}}},
    };
    for (const Case& c : cases) {
        TMySqlNet net;
        auto vio = std::make_unique<TMemoryVio>();
        TMemoryVio* wire = vio.get();
        net.SetVio(std::move(vio));
        net.NewCommand();
        const TBytes payload = Pattern(static_cast<size_t>(c.size));
        net.WriteBytes(payload.data(), 0, c.size);
        net.Flush();
        TBytes joined;
        const auto packets = ParsePackets(wire->Written(), &joined);
        ASSERT_EQ(packets.size(), c.packets.size()) << c.size;
        for (size_t i = 0; i < packets.size(); ++i) {
            EXPECT_EQ(packets[i].length, c.packets[i].length) << c.size << " #" << i;
            EXPECT_EQ(packets[i].sequence, c.packets[i].sequence) << c.size << " #" << i;
        }
        EXPECT_TRUE(joined == payload) << c.size;
    }
}

TEST_F(MySqlNetTest, BufferedHeadCountsTowardsTheFirstPiece) {
    net_.WriteByte(3);
    Write(Pattern(kPiece));
    net_.Flush();
    TBytes joined;
    const auto packets = ParsePackets(vio_->Written(), &joined);
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[0].length, kPiece);
    EXPECT_EQ(packets[1].length, 1);
    EXPECT_EQ(joined[0], 3);
}

TEST_F(MySqlNetTest, PayloadAboveTheThresholdIsSentInPlace) {
    const TBytes payload = Pattern(10000);
    Write(payload);
    ASSERT_EQ(vio_->Writes().size(), 2u); // sent before Flush
    EXPECT_EQ(vio_->Writes()[0].size(), 4u + 8188u);
    EXPECT_EQ(vio_->Writes()[1].size(), 1812u);
    net_.Flush();
    EXPECT_EQ(vio_->Writes().size(), 2u);
    TBytes joined;
    const auto packets = ParsePackets(vio_->Written(), &joined);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0].length, 10000);
    EXPECT_TRUE(joined == payload);
}

TEST_F(MySqlNetTest, LongZeroTerminatedTextKeepsItsZero) {
    net_.WriteString0(std::string(9000, 's'));
    net_.Flush();
    TBytes joined;
    const auto packets = ParsePackets(vio_->Written(), &joined);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0].length, 9001);
    EXPECT_EQ(joined.back(), 0);
}

TEST_F(MySqlNetTest, WriteFieldLengthSizes) {
    const std::pair<int64_t, size_t> cases[] = {
        {0, 1},     {250, 1},    {251, 3},      {65535, 3},
        {65536, 4}, {kPiece, 4}, {16777216, 9}, {int64_t{1} << 40, 9}};
    TMySqlNet reader;
    for (const auto& [value, size] : cases) {
        net_.ResetBuffer();
        net_.WriteFieldLength(value);
        EXPECT_EQ(static_cast<size_t>(net_.PayloadLength()), size) << value;
        net_.Flush();
    }
    reader.SetVio(std::make_unique<TMemoryVio>(vio_->Written()));
    for (const auto& [value, size] : cases) {
        reader.ReadPacket();
        EXPECT_EQ(reader.ReadFieldLength(), value);
        EXPECT_EQ(reader.Remaining(), 0);
    }
}

TEST_F(MySqlNetTest, ValuesReadBackAsWritten) {
    net_.WriteInt16(-2);
    net_.WriteInt24(0x123456);
    net_.WriteInt32(-100000);
    net_.WriteInt64(-5000000000);
    net_.WriteBool(true);
    net_.WriteFill(0xAB, 3);
    net_.WriteString0("héllo");
    net_.WriteByteArray({1, 2});
    net_.WriteByte(251);
    net_.WriteBytes(reinterpret_cast<const uint8_t*>("tail"), 0, 4);
    net_.Flush();
    TMySqlNet reader;
    reader.SetVio(std::make_unique<TMemoryVio>(vio_->Written()));
    reader.ReadPacket();
    EXPECT_EQ(reader.ReadInt16(), -2);
    EXPECT_EQ(reader.ReadInt24(), 0x123456);
    EXPECT_EQ(reader.ReadInt32(), -100000);
    EXPECT_EQ(reader.ReadInt64(), -5000000000);
    EXPECT_EQ(reader.ReadByte(), 1);
    TBytes fill(3);
    reader.ReadBytes(fill, 0, 3);
    EXPECT_EQ(fill, TBytes(3, 0xAB));
    EXPECT_EQ(reader.ReadString(), "héllo");
    EXPECT_EQ(reader.ReadByte(), 1);
    EXPECT_EQ(reader.ReadByte(), 2);
    EXPECT_EQ(reader.ReadFieldLength(), -1); // 251 is NULL
    EXPECT_EQ(reader.ReadString(), "tail");  // no terminator: up to the end
    EXPECT_EQ(reader.Remaining(), 0);
    EXPECT_EQ(reader.ReadString(), "");
}

// ---- Reading

TEST_F(MySqlNetTest, PiecesAreJoinedIntoOnePacket) {
    const TBytes first = Pattern(kPiece);
    vio_->Feed(Packet(0, first));
    vio_->Feed(Packet(1, {9, 8, 7}));
    net_.ReadPacket();
    ASSERT_EQ(net_.PacketLength(), kPiece + 3);
    EXPECT_EQ(net_.PacketData()[kPiece - 1], first.back());
    EXPECT_EQ(net_.PacketData()[kPiece + 2], 7);
    EXPECT_EQ(net_.PacketNumber(), 2);
}

TEST_F(MySqlNetTest, PacketOutOfOrderRaises1156) {
    vio_->Feed(Packet(0, {1}));
    vio_->Feed(Packet(3, {2}));
    net_.ReadPacket();
    ExpectError(
        1156, [&] { net_.ReadPacket(); },
        "\r\nReceiveHeader: Net packets out of order: received[3], expected[1]");
}

TEST_F(MySqlNetTest, ShortStreamRaises2013WithTheTransportText) {
    vio_->Feed(Header(10, 0));
    vio_->Feed({1, 2, 3});
    ExpectError(
        2013, [&] { net_.ReadPacket(); }, "Lost connection to MySQL server during query");
}

TEST_F(MySqlNetTest, ReadsPastThePacketRaise2027) {
    struct Case {
        const char* name;
        TBytes payload;
        std::function<void(TMySqlNet&)> read;
    };
    const Case cases[] = {
        {"byte", {}, [](TMySqlNet& n) { n.ReadByte(); }},
        {"int16", {1}, [](TMySqlNet& n) { n.ReadInt16(); }},
        {"int24", {1, 2}, [](TMySqlNet& n) { n.ReadInt24(); }},
        {"int32", {1, 2, 3}, [](TMySqlNet& n) { n.ReadInt32(); }},
        {"int64", {1, 2, 3, 4, 5, 6, 7}, [](TMySqlNet& n) { n.ReadInt64(); }},
        {"int after others", {1, 2, 3, 4}, [](TMySqlNet& n) { n.ReadInt24(), n.ReadInt16(); }},
        {"length 252", {252, 1}, [](TMySqlNet& n) { n.ReadFieldLength(); }},
        {"length 253", {253, 1, 2}, [](TMySqlNet& n) { n.ReadFieldLength(); }},
        {"length 254", {254, 1, 2, 3, 4}, [](TMySqlNet& n) { n.ReadFieldLength(); }},
        {"length 255", {7, 255, 0}, [](TMySqlNet& n) { n.ReadByte(), n.ReadFieldLength(); }},
        {"bytes beyond the end",
         {3, 'a', 'b'},
         [](TMySqlNet& n) {
             TBytes value(3);
             n.ReadBytes(value, 0, static_cast<int>(n.ReadFieldLength()));
         }},
        {"negative count",
         {0},
         [](TMySqlNet& n) {
             TBytes value;
             n.ReadBytes(value, 0, -1);
         }},
    };
    uint8_t sequence = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        vio_->Feed(Packet(sequence++, c.payload));
        net_.ReadPacket();
        ExpectError(
            2027, [&] { c.read(net_); }, "Malformed packet");
        EXPECT_LE(net_.Position(), net_.PacketLength());
    }
}

TEST_F(MySqlNetTest, ShortErrorPacketRaises2027) {
    vio_->Feed(Packet(0, {255, 0x15}));
    ExpectError(2027, [&] { net_.ReadPacket(); });
}

TEST_F(MySqlNetTest, OversizedPacketRaises2027) {
    net_.SetMaxPacketSize(100);
    vio_->Feed(Packet(0, Pattern(101)));
    ExpectError(2027, [&] { net_.ReadPacket(); });
}

TEST_F(MySqlNetTest, ServerErrorPacketRaisesTheServersError) {
    TBytes error = {255, 0x15, 0x04};
    const std::string text = "#28000Access denied for user 'x'";
    error.insert(error.end(), text.begin(), text.end());
    const std::string message = "\r\n" + text;
    vio_->Feed(Packet(0, error));
    ExpectError(
        1045, [&] { net_.ReadPacket(); }, message);
    vio_->Feed(Packet(1, error));
    ExpectError(
        1045, [&] { net_.ReceiveBuffer(); }, message);
    vio_->Feed(Packet(2, error));
    TBytes chunk;
    ExpectError(
        1045, [&] { net_.ReadPacketChunked(chunk, 64, true); }, message);
    // Without the check it is just a packet whose first byte is reported as 0.
    vio_->Feed(Packet(3, error));
    EXPECT_EQ(net_.ReadPacketChunked(chunk, 16, false), static_cast<int>(error.size()));
    EXPECT_EQ(chunk[0], 0);
}

TEST_F(MySqlNetTest, ReceiveBuffer) {
    vio_->Feed(Packet(0, {5, 6, 7}));
    EXPECT_EQ(net_.ReceiveBuffer(), (TBytes{5, 6, 7}));
    vio_->Feed(Packet(1, {}));
    ExpectError(2027, [&] { net_.ReceiveBuffer(); });
    vio_->Feed(Header(kPiece, 2));
    try {
        net_.ReceiveBuffer();
        ADD_FAILURE();
    } catch (const ArgumentException& e) {
        EXPECT_EQ(e.Message(), "Cannot retrieve huge data in FetchAll mode");
    }
}

TEST_F(MySqlNetTest, ReadPacketChunkedDropsAPacketThroughABoundedBuffer) {
    const TBytes big = Pattern(1000);
    vio_->Feed(Packet(0, big));
    vio_->Feed(Packet(1, {254, 0, 0, 2, 0}));
    vio_->Feed(Packet(2, {}));
    TBytes chunk;
    EXPECT_EQ(net_.ReadPacketChunked(chunk, 64, true), 1000);
    EXPECT_EQ(chunk.size(), 64u);
    EXPECT_EQ(chunk[0], big[0]);
    EXPECT_EQ(chunk[1], big[1000 - 1000 % 64 + 1]); // the last chunk's bytes
    EXPECT_EQ(net_.ReadPacketChunked(chunk, 64, true), 5);
    EXPECT_EQ(chunk[0], 254);
    EXPECT_EQ(net_.ReadPacketChunked(chunk, 64, true), 0);
}

// ---- Compression

TEST_F(MySqlNetTest, ShortPayloadGoesInAnUncompressedFrame) {
    TBytes wire;
    EXPECT_EQ(CompressedRoundTrip(Pattern(20), &wire), Pattern(20));
    EXPECT_EQ(wire, Frame(0, Packet(0, Pattern(20)), 0));
    EXPECT_EQ(net_.PacketNumber(), net_.CompressedPacketNumber());
}

TEST_F(MySqlNetTest, CompressibleFrameCarriesItsOriginalLength) {
    const TBytes payload(1000, 'x');
    TBytes wire;
    EXPECT_EQ(CompressedRoundTrip(payload, &wire), payload);
    const int dataLength = wire[0] | wire[1] << 8 | wire[2] << 16;
    EXPECT_EQ(static_cast<size_t>(dataLength), wire.size() - 7);
    EXPECT_LT(dataLength, 100);
    EXPECT_EQ(wire[4] | wire[5] << 8 | wire[6] << 16, 1004);
}

TEST_F(MySqlNetTest, ReplyNumberingFollowsTheFramesSent) {
    net_.SetCompress(true);
    Write(Pattern(10000)); // two frames, both sent before Flush
    net_.Flush();
    EXPECT_EQ(vio_->Writes().size(), 2u);
    EXPECT_EQ(net_.CompressedPacketNumber(), 2);
    EXPECT_EQ(net_.PacketNumber(), 2);
    vio_->Feed(Frame(2, Packet(1, {0}), 0));
    net_.ReadPacket();
    EXPECT_EQ(net_.ReadByte(), 0);
}

TEST_F(MySqlNetTest, IncompressibleDataIsSentAsItIs) {
    const TBytes payload = RandomBytes(1000, 7);
    TBytes wire;
    EXPECT_EQ(CompressedRoundTrip(payload, &wire), payload);
    EXPECT_EQ(wire, Frame(0, Packet(0, payload), 0));
}

TEST_F(MySqlNetTest, CompressedPiecesRoundTrip) {
    TBytes payload = Pattern(kPiece + 100);
    const TBytes noise = RandomBytes(100, 3); // the last frame does not shrink
    std::copy(noise.begin(), noise.end(), payload.end() - 100);
    EXPECT_TRUE(CompressedRoundTrip(payload) == payload);
}

TEST_F(MySqlNetTest, BrokenCompressedFrameRaises1157) {
    net_.SetCompress(true);
    vio_->Feed(Frame(0, Pattern(30), 100));
    ExpectError(
        1157, [&] { net_.ReadPacket(); }, "");
}

TEST_F(MySqlNetTest, CompressedFrameOutOfOrderRaises1156) {
    net_.SetCompress(true);
    vio_->Feed(Frame(5, Packet(0, {1}), 0));
    ExpectError(
        1156, [&] { net_.ReadPacket(); },
        "\r\nReceiveCompHeader: Net packets out of order: received[5], expected[0]");
}

TEST_F(MySqlNetTest, SeveralPacketsInOneFrame) {
    net_.SetCompress(true);
    TBytes packets = Packet(7, {1, 2});
    const TBytes second = Packet(9, {3});
    packets.insert(packets.end(), second.begin(), second.end());
    vio_->Feed(Frame(0, packets, 0));
    net_.ReadPacket();
    EXPECT_EQ(net_.ReadInt16(), 0x0201);
    net_.ReadPacket(); // inner numbers are not checked
    EXPECT_EQ(net_.ReadByte(), 3);
}

// ---- Life cycle

TEST_F(MySqlNetTest, CloseAndSetVioReleaseTheTransport) {
    auto replacement = std::make_unique<TMemoryVio>();
    TMemoryVio* second = replacement.get();
    EXPECT_FALSE(vio_->Closed());
    net_.SetVio(std::move(replacement)); // the first is closed and freed here
    EXPECT_EQ(net_.Vio(), second);
    EXPECT_FALSE(second->Closed());
    net_.Close();
    EXPECT_EQ(net_.Vio(), nullptr);
}

// ---- Arbitrary server bytes

TEST(MySqlNetDecoderTest, ArbitraryServerBytesRaiseOnlyProtocolErrors) {
    std::mt19937 random(20240613);
    for (int iteration = 0; iteration < 4000; ++iteration) {
        TBytes input;
        if (iteration % 2 == 0) {
            input.resize(random() % 600);
            for (uint8_t& b : input)
                b = static_cast<uint8_t>(random());
        } else {
            // Well-formed packets with a few bytes spoiled reach the deeper paths.
            const bool compressed = iteration % 4 == 1;
            input.push_back(static_cast<uint8_t>((random() & 0xFE) | (compressed ? 1 : 0)));
            TBytes stream;
            for (int p = 0, count = 1 + random() % 5; p < count; ++p) {
                TBytes payload(random() % 80);
                for (uint8_t& b : payload)
                    b = static_cast<uint8_t>(random() % 4 == 0 ? 250 + random() % 6 : random());
                const TBytes packet = Packet(static_cast<uint8_t>(p), payload);
                stream.insert(stream.end(), packet.begin(), packet.end());
            }
            if (compressed) stream = Frame(0, stream, 0);
            for (int spoil = random() % 3; spoil > 0; --spoil)
                stream[random() % stream.size()] = static_cast<uint8_t>(random());
            input.insert(input.end(), stream.begin(), stream.end());
        }
        ASSERT_NO_THROW(testing::DecodeServerBytes(input.data(), input.size())) << "iteration " << iteration;
    }
}

// ---- The real server

TEST(MySqlNetServerTest, CompressedSession) {
    const auto server = VELTRANE_REQUIRE_SERVER();
    TMySqlNet net;
    net.SetVio(std::make_unique<TCRVioTcp>(server.host, static_cast<int>(server.port)));
    net.Vio()->Connect();
    const auto greeting = testing::ReadGreeting(net);
    ASSERT_TRUE(greeting.capabilities & testing::kClientCompress);
    testing::Login(net, testing::kClientBasicFlags | testing::kClientCompress, server, greeting);
    ASSERT_TRUE(net.Compress());

    // A large compressible reply, in several frames.
    auto row = testing::QueryRow(net, "SELECT REPEAT('ab', 50000), 'x'");
    ASSERT_EQ(row.size(), 2u);
    EXPECT_EQ(*row[0], [] {
        std::string s;
        for (int i = 0; i < 50000; ++i)
            s += "ab";
        return s;
    }());
    EXPECT_EQ(row[1], "x");

    // A large compressible query, and one that does not shrink and goes in uncompressed frames.
    EXPECT_EQ(testing::QueryRow(net, "SELECT LENGTH('" + std::string(30000, 'q') + "')")[0], "30000");
    std::string noise;
    std::mt19937 random(11);
    while (noise.size() < 20000) {
        const char c = static_cast<char>(1 + random() % 255);
        if (c != '\'' && c != '\\') noise += c;
    }
    EXPECT_EQ(testing::QueryRow(net, "SELECT LENGTH(_binary'" + noise + "')")[0], "20000");
    EXPECT_EQ(testing::QueryRow(net, "SELECT NULL")[0], std::nullopt);
}

} // namespace
} // namespace dataaccess
