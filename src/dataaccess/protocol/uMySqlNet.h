// Packet framing of the wire protocol over a transport, with optional compression.
#pragma once

#include "dataaccess/protocol/uCRVio.h"
#include "dataaccess/store/uMarshal.h"
#include "dataaccess/store/uMemoryStream.h"

#include <cstdint>
#include <memory>
#include <string>

namespace dataaccess {

// Frames and unframes the client/server protocol's packets over a transport: 4-byte headers with
// sequence numbers, 16 MB pieces, optional compressed frames, and the protocol's integer and string
// encodings. Outgoing bytes are gathered in the packet buffer after 4 bytes of header space; an
// incoming packet's payload sits in the same buffer from byte 0 and is read from a read position.
//
// Every read of a packet is bounds-checked: a short or malformed packet raises EMySqlException 2027.
class TMySqlNet {
public:
    static constexpr int kHeaderSize = 4;
    static constexpr int kCompHeaderExtra = 3;
    static constexpr int kCompHeaderSize = kHeaderSize + kCompHeaderExtra;
    static constexpr int kBufferThreshold = 8192;
    // The largest 3-byte length; a piece of this length is continued by the next packet.
    static constexpr int kPieceSize = 16777215;
    // What the login announces as the largest packet this client accepts.
    static constexpr int kMaxPacketSize = 1073741824;
    // Shorter payloads are not worth compressing.
    static constexpr int kMinCompressLength = 50;

    TMySqlNet();
    ~TMySqlNet();
    TMySqlNet(const TMySqlNet&) = delete;
    TMySqlNet& operator=(const TMySqlNet&) = delete;

    TCRVio* Vio() const { return vio_.get(); }
    // Closes and frees the current transport, then takes the new one.
    void SetVio(std::unique_ptr<TCRVio> vio);
    // Empties both buffers, closes and frees the transport.
    void Close();

    bool Compress() const { return compress_; }
    void SetCompress(bool value) { compress_ = value; }
    // A received packet above this size raises 2027; defaults to kMaxPacketSize.
    int MaxPacketSize() const { return maxPacketSize_; }
    void SetMaxPacketSize(int value) { maxPacketSize_ = value; }
    uint8_t PacketNumber() const { return packetNumber_; }
    uint8_t CompressedPacketNumber() const { return compressedPacketNumber_; }

    // ---- Writing

    // Starts a command: both sequence numbers to 0, buffer reset.
    void NewCommand();
    // Drops any buffered payload: length and position back to the header space.
    void ResetBuffer();
    void WriteByte(uint8_t value);
    void WriteBool(bool value);
    void WriteInt16(int16_t value);
    void WriteInt24(int32_t value);
    void WriteInt32(int32_t value);
    void WriteInt64(int64_t value);
    void WriteFill(uint8_t value, int count);
    // The text's bytes and a terminating zero.
    void WriteString0(const std::string& text);
    void WriteByteArray(const TBytes& bytes);
    // Appends raw bytes; a payload that reaches the piece size is split into 16 MB packets. Bytes beyond
    // the gathering threshold go to the transport directly and complete the packet there, so such a
    // call ends the packet.
    void WriteBytes(const uint8_t* bytes, int offset, int count);
    // Length-coded: up to 250 in 1 byte, up to 65535 in 3, up to 16777215 in 4, above in 9.
    void WriteFieldLength(int64_t value);
    // Puts the length and the packet number into the header space and advances the packet number.
    void WriteHeader(int length);
    // Sends the buffered packet (and the empty packet that ends a payload of whole pieces).
    void Flush();
    void SendEmptyPacket();
    // Sends bytes as they are, or as one compressed frame when compression is on.
    void SendPacket(const uint8_t* bytes, int offset, int count);

    // Bytes buffered after the header space.
    int PayloadLength() const { return buffer_.Position() - kHeaderSize; }

    // ---- Reading

    // Reads a packet header; returns the payload length. Raises 1156 for a packet out of order (the
    // inner numbers of compressed frames are not checked).
    int ReceiveHeader();
    // Reads a compressed frame's header from the transport; returns the frame's data length. Raises
    // 1156 for a frame out of order.
    int ReceiveCompHeader();
    // Fills `destination` with `count` payload bytes, from the transport or from compressed frames.
    void ReadData(uint8_t* destination, int offset, int count);
    // Reads the next logical packet (pieces joined) into the packet buffer; an error packet raises the
    // server's error.
    void ReadPacket();
    // The next packet as an array of its own. An error packet raises the server's error.
    TBytes ReceiveBuffer();
    // Reads the next packet through `chunk` in pieces of at most `chunkSize` bytes, so that a packet of
    // any size can be dropped with a bounded buffer; returns the packet length. With `check`, an error
    // packet raises and chunk[0] ends up as the packet's first byte; without, chunk[0] ends up 0.
    int ReadPacketChunked(TBytes& chunk, int chunkSize, bool check);

    int Position() const { return position_; }
    int PacketLength() const { return buffer_.Length(); }
    int Remaining() const { return PacketLength() - position_; }
    // The received payload; valid up to PacketLength().
    const uint8_t* PacketData() { return buffer_.Bytes().data(); }

    uint8_t ReadByte();
    int16_t ReadInt16();
    int32_t ReadInt24();
    int32_t ReadInt32();
    int64_t ReadInt64();
    void ReadBytes(TBytes& destination, int index, int count);
    // Text up to the next zero byte (passed over), or to the end of the packet.
    std::string ReadString();
    // A length-coded integer; NULL (251) gives -1.
    int64_t ReadFieldLength();
    // Reads one byte; 255 marks an error packet, raised as EMySqlException with the packet's code and
    // its text (the SQLSTATE marker included) as detail.
    void CheckError();

    // The transport's Read or Write; a short count raises 2013 with the transport's last error text.
    void ReadExact(uint8_t* buffer, int offset, int count);
    void WriteExact(const uint8_t* buffer, int offset, int count);

private:
    void WriteLittleEndian(uint64_t value, int size);
    void AppendPiece(const uint8_t* bytes, int offset, int count, int packetLength);
    // Makes the received payload the packet being read.
    void TakePacket(const uint8_t* bytes, int length);
    // Throws 2027 unless `count` bytes are left in the packet.
    void Need(int64_t count) const;
    uint64_t ReadLittleEndian(int size);
    void ReadCompressedData(uint8_t* destination, int offset, int count);
    void ReceiveCompressedFrames();
    void CheckSequence(uint8_t received, const char* where);

    std::unique_ptr<TCRVio> vio_;
    MemoryStream buffer_;
    // Decompressed bytes of incoming frames; those before compressedPosition_ are consumed.
    MemoryStream compressedBuffer_;
    int compressedPosition_ = 0;
    int position_ = 0;
    uint8_t packetNumber_ = 0;
    uint8_t compressedPacketNumber_ = 0;
    uint8_t header_[kHeaderSize] = {};
    uint8_t compressedHeader_[kCompHeaderSize] = {};
    bool compress_ = false;
    // The last packet sent was a whole piece, so the payload still needs its closing packet.
    bool pieceOpen_ = false;
    int maxPacketSize_ = kMaxPacketSize;
};

} // namespace dataaccess
