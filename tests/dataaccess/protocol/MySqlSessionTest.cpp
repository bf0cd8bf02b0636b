#include "dataaccess/FakeMySqlPeer.h"
#include "dataaccess/ResultSetDecoding.h"

#include "dataaccess/protocol/uMySqlErrors.h"
#include "dataaccess/protocol/uMySqlResultSet.h"
#include "dataaccess/protocol/uMySqlSession.h"
#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

namespace dataaccess::testing {
namespace {

std::string Hex(const TBytes& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

TBytes FromHex(const std::string& hex) {
    TBytes bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

TEST(SHA1ManagedTest, PublishedVectors) {
    const struct {
        std::string input;
        const char* digest;
    } cases[] = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Hex(TSHA1Managed::ComputeHash(Bytes(c.input))), c.digest) << c.input.substr(0, 10);
}

// The server keeps SHA1(SHA1(password)); PASSWORD('mypass') is the published example of it. The
// token must give that hash back: SHA1(token XOR SHA1(scramble + hash)) = hash.
TEST(PasswordTokenTest, The41TokenMatchesThePublishedPasswordHash) {
    const TBytes stored = FromHex("6C8989366EAF75BB670AD8EA7A7FC1176A95CEF4");
    const TBytes scramble = Scramble20();
    const TBytes token = Scramble41("mypass", scramble);
    ASSERT_EQ(token.size(), 20u);
    TBytes salted = scramble;
    salted.insert(salted.end(), stored.begin(), stored.end());
    TBytes stage1 = TSHA1Managed::ComputeHash(salted);
    for (size_t i = 0; i < 20; ++i)
        stage1[i] ^= token[i];
    EXPECT_EQ(TSHA1Managed::ComputeHash(stage1), stored);
}

// The server's check of a 3.23 token against the stored OLD_PASSWORD hash ('mypass' is the
// published example): the same generator, seeded from the stored hash, must give the token back.
bool OldTokenMatches(const TBytes& token, const std::string& storedHex, const TBytes& scramble) {
    const uint32_t stored[2] = {static_cast<uint32_t>(std::stoul(storedHex.substr(0, 8), nullptr, 16)),
                                static_cast<uint32_t>(std::stoul(storedHex.substr(8, 8), nullptr, 16))};
    uint32_t nr = 1345345333, add = 7, nr2 = 305419889;
    for (int i = 0; i < 8; ++i) {
        const uint32_t c = scramble[i];
        nr ^= (((nr & 63) + add) * c) + (nr << 8);
        nr2 += (nr2 << 8) ^ nr;
        add += c;
    }
    const uint64_t max = 0x3FFFFFFF;
    uint64_t seed1 = ((nr & 0x7FFFFFFF) ^ stored[0]) % max, seed2 = ((nr2 & 0x7FFFFFFF) ^ stored[1]) % max;
    const auto next = [&] {
        seed1 = (seed1 * 3 + seed2) % max;
        seed2 = (seed1 + seed2 + 33) % max;
        return static_cast<double>(seed1) / static_cast<double>(max);
    };
    TBytes expected(8);
    for (uint8_t& c : expected)
        c = static_cast<uint8_t>(std::floor(next() * 31) + 64);
    const auto extra = static_cast<uint8_t>(std::floor(next() * 31));
    for (size_t i = 0; i < 8; ++i)
        if ((token[i] ^ extra) != expected[i]) return false;
    return true;
}

TEST(PasswordTokenTest, The323TokenMatchesThePublishedOldPasswordHash) {
    const TBytes scramble = Scramble20();
    EXPECT_TRUE(OldTokenMatches(Scramble323("mypass", scramble), "6f8c114b58f2ce9e", scramble));
    // Blanks and tabs do not count.
    EXPECT_TRUE(OldTokenMatches(Scramble323("my pa\tss", scramble), "6f8c114b58f2ce9e", scramble));
    EXPECT_FALSE(OldTokenMatches(Scramble323("other", scramble), "6f8c114b58f2ce9e", scramble));
}

TEST(MySqlFieldInfoTest, NumericTypesGetTheNumericFlag) {
    const struct {
        uint8_t type;
        uint32_t length;
        bool numeric;
    } cases[] = {{3, 11, true}, {5, 22, true}, {13, 4, true},    {7, 19, false},
                 {7, 14, true}, {7, 8, true},  {246, 10, false}, {253, 30, false}};
    for (const auto& c : cases) {
        TMySqlFieldInfo info;
        EXPECT_EQ(FillMySqlFieldInfo("n", "o", "t", info, c.type, 63, 1, 0, 0, c.length, "", "db", "ot"),
                  c.numeric)
            << int(c.type) << "/" << c.length;
        EXPECT_EQ((info.Flags & kNumFlag) != 0, c.numeric);
        EXPECT_TRUE(info.Flags & 1);
    }
}

// ---- Login against a scripted server

class MySqlSessionTest : public ::testing::Test {
protected:
    TMemoryVio* Serve(const TScript& script) { return vio_ = AttachScript(session_, script); }
    std::vector<TSentPacket> Sent() const { return SentPackets(vio_->Written()); }

    // The login packet's fields after the fixed head: user, token and database.
    struct LoginFields {
        std::string user;
        TBytes token; // with its length byte or terminator as sent
        TBytes rest;
    };
    // `tokenLength` 0: the token has a length byte.
    static LoginFields ParseLogin(const TBytes& login, size_t tokenLength = 0) {
        LoginFields fields;
        size_t at = 32;
        while (login[at] != 0)
            fields.user += static_cast<char>(login[at++]);
        ++at;
        if (tokenLength == 0) tokenLength = 1 + login[at];
        fields.token.assign(login.begin() + static_cast<long>(at),
                            login.begin() + static_cast<long>(std::min(at + tokenLength, login.size())));
        fields.rest.assign(login.begin() + static_cast<long>(std::min(at + tokenLength, login.size())),
                           login.end());
        return fields;
    }

    TMySqlSession session_;
    TMemoryVio* vio_ = nullptr;
};

TEST_F(MySqlSessionTest, LogsInWithThe41TokenAndStripsTheVersionPrefix) {
    TScript script;
    script.Packet(Greeting("5.5.5-10.11.19-MariaDB-0+deb12u1", kServer41, Scramble20()))
        .Sequence(2)
        .Packet(Ok());
    Serve(script);
    session_.Connect("h", "joe", "mypass", "shop", 0, "", 0);
    EXPECT_EQ(session_.ServerVersion(), "10.11.19-MariaDB-0+deb12u1");
    EXPECT_EQ(session_.ThreadId(), 77u);
    EXPECT_EQ(session_.ServerLanguage(), 33u);
    EXPECT_TRUE(session_.IsProtocol41());

    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].Sequence, 1);
    const TBytes& login = sent[0].Payload;
    const uint32_t flags = login[0] | login[1] << 8 | login[2] << 16 | login[3] << 24;
    EXPECT_EQ(flags & (capProtocol41 | capSecureConnection | capConnectWithDb),
              capProtocol41 | capSecureConnection | capConnectWithDb);
    EXPECT_EQ(flags & (capCompress | capSsl | capLocalFiles), 0u); // not offered, not asked, not enabled
    EXPECT_EQ(login[8], 45);                                       // utf8mb4, as the client library starts
    const LoginFields fields = ParseLogin(login);
    EXPECT_EQ(fields.user, "joe");
    TBytes expected{20};
    const TBytes token = Scramble41("mypass", Scramble20());
    expected.insert(expected.end(), token.begin(), token.end());
    EXPECT_EQ(fields.token, expected);
    EXPECT_EQ(fields.rest, Bytes("shop")); // the name ends the packet
    EXPECT_EQ(session_.Database(), "shop");
}

TEST_F(MySqlSessionTest, TokenFieldsForEachServerAndPassword) {
    const TBytes scramble = Scramble20();
    TBytes old = Scramble323("pw", scramble);
    old.push_back(0);
    const struct Case {
        const char* name;
        uint16_t capabilities;
        bool fullScramble;
        std::string password;
        TBytes token;
        size_t tokenLength;
        TBytes rest;
    } cases[] = {
        {"no password", kServer41, true, "", {0}, 0, Bytes("shop")},
        {"8-byte scramble only", kServer41, false, "pw", Bytes(std::string("xxxxxxxx") + '\0'), 9,
         Bytes("shop")},
        // Without connect-with-database nothing follows the token, and nothing of it is cut.
        {"3.23 server", capLongPassword | capLongFlag, true, "pw", old, 9, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TMySqlSession session;
        TScript script;
        script.Packet(Greeting("4.1.22", c.capabilities, scramble, c.fullScramble)).Sequence(2).Packet(Ok());
        TMemoryVio* vio = AttachScript(session, script);
        session.Connect("h", "u", c.password, "shop", 0, "", 0);
        const auto sent = SentPackets(vio->Written());
        ASSERT_EQ(sent.size(), 1u);
        const bool protocol41 = c.capabilities & capProtocol41;
        TBytes login = sent[0].Payload;
        if (!protocol41) login.insert(login.begin() + 5, 27, 0); // same offsets as the 4.1 head
        const LoginFields fields = ParseLogin(login, c.tokenLength);
        EXPECT_EQ(fields.token, c.token);
        EXPECT_EQ(fields.rest, c.rest);
    }
}

TEST_F(MySqlSessionTest, AnswersTheOldTokenRequest) {
    TScript script;
    script.Packet(Greeting("10.11.19-MariaDB", kServer41, Scramble20()))
        .Sequence(2)
        .Packet({254})
        .Sequence(4)
        .Packet(Ok());
    Serve(script);
    session_.Connect("h", "u", "mypass", "", 0, "", 0);
    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].Sequence, 3);
    TBytes expected = Scramble323("mypass", Scramble20());
    expected.push_back(0);
    EXPECT_EQ(sent[1].Payload, expected);
    EXPECT_TRUE(OldTokenMatches(sent[1].Payload, "6f8c114b58f2ce9e", Scramble20()));
}

TEST_F(MySqlSessionTest, The410SecondStage) {
    // "*" asks for the 3.23 token over a new scramble.
    TBytes stage = {'*', 0, 0, 0};
    const TBytes fresh = FromHex("0102030405060708090a0b0c0d0e0f1011121314");
    stage.insert(stage.end(), fresh.begin(), fresh.end());
    TScript script;
    script.Packet(Greeting("4.1.0-alpha", kServer41, Scramble20()))
        .Sequence(2)
        .Packet(stage)
        .Sequence(4)
        .Packet(Ok());
    Serve(script);
    session_.Connect("h", "u", "mypass", "", 0, "", 0);
    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_TRUE(OldTokenMatches(sent[1].Payload, "6f8c114b58f2ce9e", fresh));
}

TEST_F(MySqlSessionTest, ServerErrorsAndBrokenGreetings) {
    const auto errorOf = [](const TScript& script) {
        TMySqlSession session;
        AttachScript(session, script);
        try {
            session.Connect("h", "u", "p", "", 0, "", 0);
        } catch (const EMySqlException& e) {
            return std::make_pair(e.ErrorCode(), e.Message());
        }
        return std::make_pair(0, std::string());
    };
    TScript denied;
    denied.Packet(Greeting("10.11.19", kServer41, Scramble20()))
        .Sequence(2)
        .Packet(TPayload().Byte(255).Int(1045, 2).Raw(Bytes("#28000Access denied")).Done());
    EXPECT_EQ(errorOf(denied), std::make_pair(1045, std::string("\r\n#28000Access denied")));

    TScript protocol9;
    protocol9.Packet(TPayload().Byte(9).Text0("3.22").Done());
    EXPECT_EQ(errorOf(protocol9).first, 2007);

    TScript cut; // the version runs to the end of the packet: no thread id follows
    cut.Packet(TPayload().Byte(10).Raw(Bytes("10.11")).Done());
    EXPECT_EQ(errorOf(cut).first, kCrMalformedPacket);

    TScript silent; // the server hangs up after its greeting
    silent.Packet(Greeting("10.11.19", kServer41, Scramble20()));
    EXPECT_EQ(errorOf(silent).first, kCrServerLost);

    // Asked for TLS and not offered: no login in the clear.
    TMySqlSession tls;
    AttachScript(tls, TScript().Packet(Greeting("10.11.19", kServer41, Scramble20())));
    try {
        tls.Connect("h", "u", "p", "", 0, "", capSsl);
        ADD_FAILURE() << "no error";
    } catch (const EMySqlException& e) {
        EXPECT_EQ(e.ErrorCode(), 2026);
    }
}

// ---- Commands and results

class MySqlSessionCommandTest : public MySqlSessionTest {
protected:
    // Logs in; `replies` follow as the answer to the first command.
    void Start(const std::function<void(TScript&)>& replies) {
        TScript script;
        script.Packet(Greeting("10.11.19", kServer41, Scramble20())).Sequence(2).Packet(Ok());
        replies(script.Sequence(1));
        Serve(script);
        session_.SetLocalInfile(localInfile_);
        session_.Connect("h", "u", "", "", 0, "", 0);
    }
    void Query(const std::string& sql) {
        session_.SetLastQuery(sql.data(), sql.size());
        session_.SimpleCommand(cmdQuery, reinterpret_cast<const uint8_t*>(sql.data()),
                               static_cast<int>(sql.size()), true);
        session_.ReadQueryResult();
    }
    // The packets sent after the login.
    std::vector<TSentPacket> CommandPackets() const {
        auto sent = Sent();
        sent.erase(sent.begin());
        return sent;
    }

    bool localInfile_ = false;
};

TEST_F(MySqlSessionCommandTest, OkPacketAndResultHeader) {
    Start([](TScript& s) {
        s.Packet(TPayload().Byte(0).Byte(3).Byte(9).Int(8 | 2, 2).Int(1, 2).Raw(Bytes("Records: 3")).Done());
    });
    Query("UPDATE t SET a = 1");
    EXPECT_EQ(session_.AffectedRows(), 3);
    EXPECT_EQ(session_.InsertId(), 9);
    EXPECT_EQ(session_.ServerStatus(), 10u);
    EXPECT_EQ(session_.WarningCount(), 1u);
    EXPECT_EQ(session_.Info(), "Records: 3");
    EXPECT_EQ(session_.ColumnCount(), 0u);
    EXPECT_EQ(session_.State(), ssReady);
}

TEST_F(MySqlSessionCommandTest, PendingRowsBlockTheNextCommandUntilSkipped) {
    Start([](TScript& s) {
        s.Packet({2}).Packet(ColumnDefinition("a", 3)).Packet(ColumnDefinition("b", 253, 4294967295u));
        s.Packet(EndOfData()).Packet(TPayload().LengthCoded("1").LengthCoded("x").Done());
        s.Packet(TPayload().LengthCoded("2").LengthCoded("y").Done()).Packet(EndOfData(2 | 8));
        s.Sequence(1).Packet(Ok());
    });
    Query("SELECT a, b FROM t");
    EXPECT_EQ(session_.State(), ssResultPending);
    ASSERT_EQ(session_.PendingColumns().size(), 2u);
    EXPECT_EQ(session_.PendingColumns()[0].Name, "a");
    EXPECT_EQ(session_.PendingColumns()[0].Table, "t");
    EXPECT_EQ(session_.PendingColumns()[0].Database, "db");
    EXPECT_TRUE(session_.PendingColumns()[0].Flags & kNumFlag);
    EXPECT_EQ(session_.PendingColumns()[1].Length, 4294967295u); // the full 32-bit display length
    try {
        session_.Ping();
        ADD_FAILURE() << "no error";
    } catch (const EMySqlException& e) {
        EXPECT_EQ(e.ErrorCode(), 2014);
        EXPECT_EQ(e.Message(), "Commands out of sync;  You can't run this command now");
    }
    session_.SkipResult();
    EXPECT_EQ(session_.State(), ssReady);
    EXPECT_EQ(session_.ServerStatus(), 10u); // from the end of the skipped rows
    session_.Ping();
}

TEST_F(MySqlSessionCommandTest, AnUnrequestedLocalFileIsRefused) {
    const std::string secret = rtl::CreateTempFile("MySqlSessionTest");
    Start([&](TScript& s) {
        s.Packet(TPayload().Byte(251).Raw(Bytes(secret)).Done()).Sequence(3).Packet(Ok());
    });
    try {
        Query("SELECT 1"); // the server asks for a file no statement named
        ADD_FAILURE() << "no error";
    } catch (const EMySqlException& e) {
        EXPECT_EQ(e.ErrorCode(), kCrUnknownError);
        EXPECT_NE(e.Message().find(secret), std::string::npos);
    }
    const auto sent = CommandPackets();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].Sequence, 2);
    EXPECT_TRUE(sent[1].Payload.empty());
    EXPECT_EQ(session_.State(), ssReady); // the server's reply was read
    std::remove(secret.c_str());
}

TEST_F(MySqlSessionCommandTest, LocalFilesAreSentWhenEnabledAndNamed) {
    const std::string path = rtl::CreateTempFile("MySqlSessionTest");
    {
        rtl::TFileStream file(path, rtl::fmOpenWrite);
        const std::string content(10000, 'q');
        file.Write(content.data(), static_cast<int64_t>(content.size()));
    }
    localInfile_ = true;
    Start([&](TScript& s) {
        s.Packet(TPayload().Byte(251).Raw(Bytes(path)).Done()).Sequence(5).Packet(Ok(2, 1));
    });
    Query("LOAD DATA LOCAL INFILE '" + path + "' INTO TABLE t");
    EXPECT_EQ(session_.AffectedRows(), 1);
    const auto sent = CommandPackets();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[1].Payload.size(), 8192u);
    EXPECT_EQ(sent[2].Payload.size(), 10000u - 8192u);
    EXPECT_TRUE(sent[3].Payload.empty());
    std::remove(path.c_str());
}

TEST_F(MySqlSessionCommandTest, AMissingLocalFileEndsTheTransferThenRaises) {
    const std::string missing = "/nonexistent/MySqlSessionTest.csv";
    localInfile_ = true;
    Start([&](TScript& s) {
        s.Packet(TPayload().Byte(251).Raw(Bytes(missing)).Done()).Sequence(3).Packet(Ok());
    });
    EXPECT_THROW(Query("LOAD DATA LOCAL INFILE '" + missing + "' INTO TABLE t"), rtl::EFOpenError);
    const auto sent = CommandPackets();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_TRUE(sent[1].Payload.empty());
    EXPECT_EQ(session_.State(), ssReady);
}

TEST_F(MySqlSessionCommandTest, TruncatedColumnDefinitionsRaiseMalformedPacket) {
    Start([](TScript& s) {
        s.Packet({1}).Packet(TPayload().LengthCoded("def").LengthCoded("db").Done()).Packet(EndOfData());
    });
    try {
        Query("SELECT 1");
        ADD_FAILURE() << "no error";
    } catch (const EMySqlException& e) {
        EXPECT_EQ(e.ErrorCode(), kCrMalformedPacket);
    }
}

// Replies shaped like results, with random rows and spoiled bytes: only the protocol's own errors.
TEST(MySqlResultSetDecodingTest, RandomRepliesRaiseOnlyProtocolErrors) {
    const uint8_t types[] = {1, 2, 3, 4, 5, 7, 8, 9, 10, 12, 13, 15, 246, 252, 253, 254};
    std::mt19937 random(1);
    for (int iteration = 0; iteration < 3000; ++iteration) {
        TBytes input{static_cast<uint8_t>(random() % 4)};
        TScript reply;
        reply.Sequence(1);
        const int columns = 1 + static_cast<int>(random() % 9);
        reply.Packet({static_cast<uint8_t>(columns)});
        for (int c = 0; c < columns; ++c)
            reply.Packet(ColumnDefinition("c", types[random() % std::size(types)]));
        reply.Packet(EndOfData());
        for (int r = 0, rows = static_cast<int>(random() % 4); r < rows; ++r) {
            TBytes row(random() % 40);
            for (uint8_t& b : row)
                b = static_cast<uint8_t>(random() % 4 == 0 ? 250 + random() % 6 : random() % 8);
            if (!row.empty() && (input[0] & 1)) row[0] = 0;
            reply.Packet(row);
        }
        reply.Packet(EndOfData());
        TBytes stream = reply.Done();
        for (int spoil = static_cast<int>(random() % 3); spoil > 0; --spoil)
            stream[random() % stream.size()] = static_cast<uint8_t>(random());
        input.insert(input.end(), stream.begin(), stream.end());
        ASSERT_NO_THROW(DecodeQueryReply(input.data(), input.size())) << "iteration " << iteration;
    }
}

} // namespace
} // namespace dataaccess::testing
