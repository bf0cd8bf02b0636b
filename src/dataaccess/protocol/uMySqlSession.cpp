#include "dataaccess/protocol/uMySqlSession.h"

#include "dataaccess/protocol/uCRVioHandler.h"
#include "dataaccess/protocol/uCRVioTcpSSL.h"
#include "dataaccess/protocol/uMySqlErrors.h"
#include "dataaccess/protocol/uMySqlStmt.h"
#include "dataaccess/protocol/uMySqlVioPipe.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Streams.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <exception>

namespace dataaccess {

namespace {

constexpr uint8_t kProtocolVersion = 10;
// The session starts in UTF-8, four-byte where the server has it, as with the client library.
constexpr uint8_t kCharsetUtf8mb4 = 45;
constexpr uint8_t kCharsetUtf8 = 33;
constexpr uint8_t kSwitchToOldToken = 254;
constexpr uint8_t kEndOfData = 254;
constexpr int kEndOfDataMaxLength = 8;
constexpr int kStage2Length = 24;
// More columns than any server allows in a table or result means a broken header.
constexpr int64_t kMaxColumns = 65535;
constexpr int kConnectErrorNumber = 10061; // the code the "can't connect" text has always shown
// MariaDB announces itself to old clients with this prefix before its real version.
constexpr std::string_view kReplicationPrefix = "5.5.5-";

// utf8mb4 exists from 5.5.3 on; MariaDB 10 and later are newer than every 5.x.
bool HasUtf8mb4(const std::string& version) {
    int major = 0, minor = 0, release = 0;
    std::sscanf(version.c_str(), "%d.%d.%d", &major, &minor, &release);
    if (major != 5) return major > 5;
    return minor > 5 || (minor == 5 && release >= 3);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string WithoutBlanks(const std::string& password) {
    std::string result;
    std::copy_if(password.begin(), password.end(), std::back_inserter(result),
                 [](char c) { return !IsBlank(c); });
    return result;
}

TBytes Xor(TBytes a, const TBytes& b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        a[i] ^= b[i];
    return a;
}

TBytes Concat(TBytes a, const TBytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TBytes BytesOf(const std::string& text) {
    return TBytes(text.begin(), text.end());
}

// The pre-4.1 password hash: two 31-bit values.
void HashPassword323(const uint8_t* bytes, size_t length, uint32_t result[2]) {
    uint32_t nr = 1345345333, add = 7, nr2 = 305419889;
    for (size_t i = 0; i < length; ++i) {
        if (IsBlank(static_cast<char>(bytes[i]))) continue;
        const uint32_t c = bytes[i];
        nr ^= (((nr & 63) + add) * c) + (nr << 8);
        nr2 += (nr2 << 8) ^ nr;
        add += c;
    }
    result[0] = nr & 0x7FFFFFFF;
    result[1] = nr2 & 0x7FFFFFFF;
}

class TRandom323 {
public:
    TRandom323(uint32_t seed1, uint32_t seed2) : seed1_(seed1 % kMax), seed2_(seed2 % kMax) {}
    double Next() {
        seed1_ = (seed1_ * 3 + seed2_) % kMax;
        seed2_ = (seed1_ + seed2_ + 33) % kMax;
        return static_cast<double>(seed1_) / static_cast<double>(kMax);
    }

private:
    static constexpr uint64_t kMax = 0x3FFFFFFF;
    uint64_t seed1_, seed2_;
};

} // namespace

// ---- SHA-1

TBytes TSHA1Managed::ComputeHash(const uint8_t* data, size_t length) {
    uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    TBytes message(data, data + length);
    message.push_back(0x80);
    while (message.size() % 64 != 56)
        message.push_back(0);
    const uint64_t bits = static_cast<uint64_t>(length) * 8;
    for (int i = 7; i >= 0; --i)
        message.push_back(static_cast<uint8_t>(bits >> (i * 8)));
    for (size_t chunk = 0; chunk < message.size(); chunk += 64) {
        uint32_t w[80];
        for (int i = 0; i < 16; ++i) {
            const uint8_t* p = &message[chunk + 4 * i];
            w[i] = static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
        }
        for (int i = 16; i < 80; ++i)
            w[i] = std::rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
        for (int i = 0; i < 80; ++i) {
            uint32_t f, k;
            if (i < 20) {
                f = (b & c) | (~b & d);
                k = 0x5A827999;
            } else if (i < 40) {
                f = b ^ c ^ d;
                k = 0x6ED9EBA1;
            } else if (i < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8F1BBCDC;
            } else {
                f = b ^ c ^ d;
                k = 0xCA62C1D6;
            }
            const uint32_t next = std::rotl(a, 5) + f + e + k + w[i];
            e = d;
            d = c;
            c = std::rotl(b, 30);
            b = a;
            a = next;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
    }
    TBytes digest(kHashSize);
    for (int i = 0; i < kHashSize; ++i)
        digest[i] = static_cast<uint8_t>(h[i / 4] >> (24 - 8 * (i % 4)));
    return digest;
}

// ---- Password tokens

TBytes Scramble41(const std::string& password, const TBytes& scramble) {
    const TBytes stage1 = TSHA1Managed::ComputeHash(BytesOf(password));
    const TBytes stage2 = TSHA1Managed::ComputeHash(stage1);
    const TBytes salted(scramble.begin(), scramble.begin() + TMySqlSession::kScrambleLength);
    return Xor(stage1, TSHA1Managed::ComputeHash(Concat(salted, stage2)));
}

TBytes Scramble323(const std::string& password, const TBytes& scramble) {
    uint32_t hashPassword[2], hashMessage[2];
    HashPassword323(reinterpret_cast<const uint8_t*>(password.data()), password.size(), hashPassword);
    HashPassword323(scramble.data(), TMySqlSession::kOldScrambleLength, hashMessage);
    TRandom323 random(hashPassword[0] ^ hashMessage[0], hashPassword[1] ^ hashMessage[1]);
    TBytes token(TMySqlSession::kOldScrambleLength);
    for (uint8_t& c : token)
        c = static_cast<uint8_t>(std::floor(random.Next() * 31) + 64);
    const auto extra = static_cast<uint8_t>(std::floor(random.Next() * 31));
    for (uint8_t& c : token)
        c ^= extra;
    return token;
}

// ---- Errors

void TMySqlError::Store(const EMySqlException& error) {
    Code = error.ErrorCode();
    Text = error.Message();
    SqlState = "HY000";
    // A server error has no text of its own in the client table: CR LF, then the server's message.
    if (MySqlErrorMessage(Code).empty() && Text.starts_with("\r\n")) {
        Text.erase(0, 2);
        if (Text.size() >= 6 && Text[0] == '#') {
            SqlState = Text.substr(1, 5);
            Text.erase(0, 6);
        }
    }
}

// ---- Session

TMySqlSession::TMySqlSession()
    : net_(std::make_unique<TMySqlNet>()), scramble_(kScrambleLength),
      pendingColumns_(std::make_unique<TMySqlFieldInfos>()) {}

TMySqlSession::~TMySqlSession() {
    for (TMySqlStmt* stmt : statements_)
        stmt->Detach();
    if (currentResult_) DetachResult(*currentResult_);
}

void TMySqlSession::DetachStatement(TMySqlStmt* stmt) {
    std::erase(statements_, stmt);
}

void TMySqlSession::SetSslOptions(std::string key, std::string cert, std::string ca, std::string caPath,
                                  std::string cipher) {
    keyFile_ = std::move(key);
    certFile_ = std::move(cert);
    caFile_ = std::move(ca);
    caPath_ = std::move(caPath);
    cipherList_ = std::move(cipher);
}

void TMySqlSession::SetLastQuery(const char* text, size_t length) {
    if (localInfile_)
        lastQuery_.assign(text, length);
    else
        lastQuery_.clear();
    std::string_view sql(text, length);
    const size_t start = sql.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos || sql.size() - start < 10) return;
    std::string head(sql.substr(start, 10));
    std::transform(head.begin(), head.end(), head.begin(), [](unsigned char c) { return std::toupper(c); });
    if (head != "SET NAMES ") return;
    std::string name(sql.substr(start + 10));
    name.erase(
        std::remove_if(name.begin(), name.end(), [](char c) { return c == '`' || c == '\'' || c == '"'; }),
        name.end());
    const size_t end = name.find_first_of(" \t\r\n;");
    charsetName_ = name.substr(0, end);
    std::transform(charsetName_.begin(), charsetName_.end(), charsetName_.begin(),
                   [](unsigned char c) { return std::tolower(c); });
}

bool TMySqlSession::IsProtocol41() const {
    return (serverCapabilities_ & capProtocol41) && (clientFlags_ & capProtocol41);
}

void TMySqlSession::Connect(const std::string& host, const std::string& user, const std::string& password,
                            const std::string& database, int port, const std::string& pipeName,
                            uint32_t clientFlags) {
    if (!host.empty()) host_ = host;
    if (!user.empty()) user_ = user;
    if (!password.empty()) password_ = password;
    if (!database.empty()) database_ = database;
    if (port != 0) port_ = port;
    serverStatus_ = srvAutocommit;
    state_ = ssReady;
    quitSent_ = false;
    OpenTransport(host_, port_, pipeName);
    ReadGreeting();
    Login(user_, password_, database_, clientFlags);
}

void TMySqlSession::OpenTransport(const std::string& host, int port, const std::string& pipeName) {
    const int tcpPort = port == 0 ? kDefaultPort : port;
    const std::string tcpHost = host.empty() ? "localhost" : host;
    std::unique_ptr<TCRVio> vio;
    if (ioHandler_) {
        vio = std::make_unique<TCRVioHandler>(ioHandler_, host, tcpPort, keyFile_, certFile_, caFile_);
        hostInfo_ = host + " via " + ioHandler_->ClassName();
    } else {
        // As with the client library, "localhost" means the local socket unless TCP is asked for.
        const bool local = protocol_ == mtSocket || protocol_ == mtPipe ||
                           (protocol_ == mtDefault && (host.empty() || host == "localhost"));
        if (local) {
            vio = std::make_unique<TMySqlVioPipe>(tcpHost, tcpPort, pipeName);
            hostInfo_ = MySqlErrorMessage(2010);
        } else if (protocol_ == mtDefault || protocol_ == mtTcp) {
            vio = std::make_unique<TCRVioTcp>(tcpHost, tcpPort);
            hostInfo_ = tcpHost + " via TCP/IP";
        } else if (protocol_ == mtSsl) {
            vio = std::make_unique<TCRVioTcpSSL>(tcpHost, tcpPort, keyFile_, certFile_, caFile_, caPath_,
                                                 cipherList_);
            hostInfo_ = tcpHost + " via SSL";
        } else if (!net_->Vio()) {
            throw EMySqlException(2046);
        }
    }
    if (vio) net_->SetVio(std::move(vio));
    TCRVio& transport = *net_->Vio();
    if (connectTimeout_ > 0) transport.SetTimeout(connectTimeout_);
    try {
        transport.Connect();
    } catch (const std::exception& e) {
        if (ioHandler_) throw;
        const std::string detail = transport.LastError().empty() ? e.what() : transport.LastError();
        throw EMySqlException(kCrConnHostError, detail, {tcpHost, kConnectErrorNumber});
    }
}

void TMySqlSession::ReadGreeting() {
    TMySqlNet& net = *net_;
    net.NewCommand();
    net.ReadPacket();
    if (net.ReadByte() != kProtocolVersion) throw EMySqlException(2007);
    serverVersion_ = net.ReadString();
    if (serverVersion_.starts_with(kReplicationPrefix)) serverVersion_.erase(0, kReplicationPrefix.size());
    threadId_ = static_cast<uint32_t>(net.ReadInt32());
    std::fill(scramble_.begin(), scramble_.end(), 0);
    net.ReadBytes(scramble_, 0, kOldScrambleLength);
    fullScramble_ = false;
    if (net.Remaining() >= 1) net.ReadByte();
    if (net.Remaining() >= 2) serverCapabilities_ = static_cast<uint16_t>(net.ReadInt16());
    if (net.Remaining() >= 16) {
        serverLanguage_ = net.ReadByte();
        serverStatus_ = static_cast<uint16_t>(net.ReadInt16());
        TBytes skipped(13);
        net.ReadBytes(skipped, 0, 13);
    }
    if (net.Remaining() >= kScrambleLength - kOldScrambleLength) {
        net.ReadBytes(scramble_, kOldScrambleLength, kScrambleLength - kOldScrambleLength);
        fullScramble_ = true;
    }
}

void TMySqlSession::WriteLoginFields() {
    TMySqlNet& net = *net_;
    net.ResetBuffer();
    if (clientFlags_ & capProtocol41) {
        net.WriteInt32(static_cast<int32_t>(clientFlags_));
        net.WriteInt32(TMySqlNet::kMaxPacketSize);
        net.WriteByte(HasUtf8mb4(serverVersion_) ? kCharsetUtf8mb4 : kCharsetUtf8);
        net.WriteFill(0, 23);
    } else {
        net.WriteInt16(static_cast<int16_t>(clientFlags_));
        net.WriteInt24(TMySqlNet::kMaxPacketSize & 0xFFFF);
    }
}

void TMySqlSession::Login(const std::string& user, const std::string& password, const std::string& database,
                          uint32_t clientFlags) {
    TMySqlNet& net = *net_;
    const bool tlsWanted = protocol_ == mtSsl || (clientFlags & capSsl);
    uint32_t flags = clientFlags | clientFlags_ | capLongPassword | capLongFlag | capProtocol41 |
                     capTransactions | capSecureConnection | capMultiStatements | capMultiResults |
                     capConnectWithDb;
    // Local files are announced only when they may be read at all.
    if (localInfile_) flags |= capLocalFiles;
    flags &= ~((capCompress | capProtocol41 | capSsl) & ~serverCapabilities_);
    const bool tls = tlsWanted && (serverCapabilities_ & capSsl);
    // Asked for TLS and not offered: refuse rather than log in in the clear.
    if (tlsWanted && !tls) throw EMySqlException(2026, "The server does not support TLS connections");
    flags = tls ? flags | capSsl : flags & ~capSsl;
    clientFlags_ = flags;
    charsetName_ = HasUtf8mb4(serverVersion_) ? "utf8mb4" : "utf8";

    WriteLoginFields();
    if (tls) StartTls();
    if (user.empty())
        net.WriteByte(0);
    else
        net.WriteString0(user);
    if (serverCapabilities_ & capSecureConnection) {
        if (password.empty()) {
            net.WriteByte(0);
        } else if (fullScramble_) {
            net.WriteByte(kScrambleLength);
            net.WriteByteArray(Scramble41(password, scramble_));
        } else {
            net.WriteFill('x', kOldScrambleLength);
            net.WriteByte(0);
        }
    } else {
        if (!password.empty()) net.WriteByteArray(Scramble323(password, scramble_));
        net.WriteByte(0);
    }
    // The name ends the packet, so it goes without its terminator; nothing follows without a name.
    if ((serverCapabilities_ & capConnectWithDb) && !database.empty()) {
        net.WriteBytes(reinterpret_cast<const uint8_t*>(database.data()), 0,
                       static_cast<int>(database.size()));
        database_ = database;
    }
    net.Flush();
    ReadAuthResult(password);
    if (clientFlags_ & capCompress) net.SetCompress(true);
}

void TMySqlSession::StartTls() {
    net_->Flush();
    if (ioHandler_) {
        auto* vio = dynamic_cast<TCRVioHandler*>(net_->Vio());
        RTL_ASSERT(vio);
        ioHandler_->RenegotiateSSL(vio->Handle(), true);
    } else {
        auto* vio = dynamic_cast<TCRVioTcpSSL*>(net_->Vio());
        if (!vio) throw EMySqlException(2026, "The transport cannot start TLS");
        try {
            vio->StartSSL(true);
        } catch (const EMySqlException&) {
            throw;
        } catch (const std::exception& e) {
            throw EMySqlException(2026, e.what());
        }
    }
    WriteLoginFields();
}

void TMySqlSession::SendOldToken(const std::string& password) {
    TMySqlNet& net = *net_;
    net.ResetBuffer();
    if (!password.empty()) net.WriteByteArray(Scramble323(password, scramble_));
    net.WriteByte(0);
    net.Flush();
}

void TMySqlSession::ReadAuthResult(const std::string& password) {
    TMySqlNet& net = *net_;
    net.ReadPacket();
    if (!(serverCapabilities_ & capSecureConnection)) return;
    const uint8_t* reply = net.PacketData();
    if (net.PacketLength() == 1 && reply[0] == kSwitchToOldToken) {
        SendOldToken(password);
        net.ReadPacket();
        return;
    }
    if (net.PacketLength() != kStage2Length || reply[0] == 0) return;
    // The 4.1.0 servers' second stage.
    const TBytes head(reply, reply + 4);
    const TBytes salt(reply + 4, reply + kStage2Length);
    if (reply[0] == '*') {
        std::copy(salt.begin(), salt.end(), scramble_.begin());
        SendOldToken(password);
    } else {
        const TBytes stage1 = TSHA1Managed::ComputeHash(BytesOf(WithoutBlanks(password)));
        const TBytes stage2 = TSHA1Managed::ComputeHash(Concat(head, stage1));
        scramble_ = Xor(salt, stage2);
        net.ResetBuffer();
        net.WriteByteArray(Xor(scramble_, stage1));
        net.Flush();
    }
    net.ReadPacket();
}

void TMySqlSession::WriteCommand(uint8_t command) {
    if (state_ != ssReady) throw EMySqlException(2014);
    info_.clear();
    affectedRows_ = 0;
    net_->NewCommand();
    net_->WriteByte(command);
}

void TMySqlSession::SimpleCommand(uint8_t command, const uint8_t* data, int length, bool skipReply) {
    if (readTimeout_ > 0 && net_->Vio()) net_->Vio()->SetTimeout(readTimeout_);
    WriteCommand(command);
    if (data && length > 0) net_->WriteBytes(data, 0, length);
    net_->Flush();
    if (!skipReply) net_->ReadPacket();
}

void TMySqlSession::ReadQueryResult() {
    TMySqlNet& net = *net_;
    serverStatus_ = srvAutocommit;
    net.ReadPacket();
    for (;;) {
        const int64_t count = net.ReadFieldLength();
        if (count == 0) {
            affectedRows_ = net.ReadFieldLength();
            insertId_ = net.ReadFieldLength();
            if (IsProtocol41() || (serverCapabilities_ & capTransactions))
                serverStatus_ = static_cast<uint16_t>(net.ReadInt16());
            if (IsProtocol41()) warningCount_ = static_cast<uint16_t>(net.ReadInt16());
            info_.assign(reinterpret_cast<const char*>(net.PacketData()) + net.Position(), net.Remaining());
            columnCount_ = 0;
            return;
        }
        if (count < 0) {
            const std::string fileName(reinterpret_cast<const char*>(net.PacketData()) + net.Position(),
                                       net.Remaining());
            SendLocalFile(fileName); // leaves the server's reply to the transfer in the packet buffer
            continue;
        }
        if (count > kMaxColumns) throw EMySqlException(kCrMalformedPacket);
        if (!(serverStatus_ & srvAutocommit)) serverStatus_ |= srvInTransaction;
        if (net.Remaining() > 0) extra_ = net.ReadFieldLength();
        columnCount_ = static_cast<uint32_t>(count);
        ReadColumns(columnCount_, *pendingColumns_);
        state_ = ssResultPending;
        warningCount_ = 0;
        return;
    }
}

void TMySqlSession::ReadColumns(uint32_t count, TMySqlFieldInfos& columns) {
    ReadColumnDefinitions(*this, count, columns);
}

bool TMySqlSession::LocalFileAllowed(const std::string& fileName) const {
    if (!localInfile_ || fileName.empty()) return false;
    const auto upper = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return std::toupper(c); });
        return text;
    };
    const std::string query = upper(lastQuery_);
    return query.find("LOCAL") != std::string::npos && lastQuery_.find(fileName) != std::string::npos;
}

void TMySqlSession::SendLocalFile(const std::string& fileName) {
    TMySqlNet& net = *net_;
    net.ResetBuffer();
    std::exception_ptr failure;
    if (!LocalFileAllowed(fileName)) {
        failure = std::make_exception_ptr(
            EMySqlException(kCrUnknownError, "The server asked for the local file '" + fileName +
                                                 "', which no LOAD DATA LOCAL statement named"));
    } else {
        try {
            rtl::TFileStream file(fileName, rtl::fmOpenRead | rtl::fmShareDenyWrite);
            TBytes chunk(kLocalFileChunk);
            while (const int64_t read = file.Read(chunk.data(), kLocalFileChunk)) {
                net.WriteBytes(chunk.data(), 0, static_cast<int>(read));
                net.Flush();
            }
        } catch (const EMySqlException&) {
            throw; // the connection itself failed
        } catch (...) {
            failure = std::current_exception();
        }
    }
    net.ResetBuffer();
    net.SendEmptyPacket();
    net.ReadPacket();
    if (failure) std::rethrow_exception(failure);
}

void TMySqlSession::SkipResult() {
    TMySqlNet& net = *net_;
    if (state_ == ssReady) return;
    rtl::Finally(
        [&] {
            if (net.Compress()) {
                for (;;) {
                    net.ReadPacket();
                    if (net.PacketLength() <= kEndOfDataMaxLength && net.PacketData()[0] == kEndOfData) {
                        if (net.PacketLength() >= 5) {
                            warningCount_ =
                                static_cast<uint16_t>(net.PacketData()[1] | net.PacketData()[2] << 8);
                            serverStatus_ =
                                static_cast<uint16_t>(net.PacketData()[3] | net.PacketData()[4] << 8);
                        }
                        break;
                    }
                }
            } else {
                TBytes chunk;
                bool continued = false;
                for (;;) {
                    const int length = net.ReadPacketChunked(chunk, kSkipChunk, !continued);
                    if (!continued && length > 0 && length <= kEndOfDataMaxLength && chunk[0] == kEndOfData) {
                        if (length >= 5) {
                            warningCount_ = static_cast<uint16_t>(chunk[1] | chunk[2] << 8);
                            serverStatus_ = static_cast<uint16_t>(chunk[3] | chunk[4] << 8);
                        }
                        break;
                    }
                    continued = length == TMySqlNet::kPieceSize;
                }
            }
        },
        [&] { state_ = ssReady; });
}

void TMySqlSession::Close() {
    rtl::Finally(
        [&] {
            if (!quitSent_ && net_->Vio()) {
                quitSent_ = true;
                state_ = ssReady;
                SimpleCommand(cmdQuit, nullptr, 0, true);
            }
        },
        [&] { net_->Close(); });
}

void TMySqlSession::SelectDb(const std::string& database) {
    SimpleCommand(cmdInitDb, reinterpret_cast<const uint8_t*>(database.data()),
                  static_cast<int>(database.size()), false);
    database_ = database;
}

void TMySqlSession::Ping() {
    SimpleCommand(cmdPing, nullptr, 0, false);
}

} // namespace dataaccess
