#include "dataaccess/protocol/uMySqlNet.h"

#include "dataaccess/protocol/uMySqlErrors.h"
#include "dataaccess/store/uCompressHooks.h"
#include "dataaccess/store/uSystemExceptions.h"
#include "platform/rtl/Format.h"

#include <algorithm>
#include <cstring>

namespace dataaccess {

namespace {

constexpr uint8_t kErrorMarker = 255;
constexpr uint8_t kNullLength = 251;
constexpr uint8_t kInt16Length = 252;
constexpr uint8_t kInt24Length = 253;
constexpr uint8_t kInt64Length = 254;

int Int24At(const uint8_t* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16;
}

void StoreInt24(uint8_t* bytes, int value) {
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
    bytes[2] = static_cast<uint8_t>(value >> 16);
}

} // namespace

TMySqlNet::TMySqlNet() : buffer_(kBufferThreshold), compressedBuffer_(100) {
    ResetBuffer();
}

TMySqlNet::~TMySqlNet() {
    try {
        Close();
    } catch (...) {
        // A transport that fails to close is gone all the same.
    }
}

void TMySqlNet::SetVio(std::unique_ptr<TCRVio> vio) {
    if (vio_) vio_->Close();
    vio_ = std::move(vio);
}

void TMySqlNet::Close() {
    ResetBuffer();
    position_ = 0;
    compressedBuffer_.Resize(0);
    compressedPosition_ = 0;
    if (vio_) vio_->Close();
    vio_.reset();
}

// ---- Writing

void TMySqlNet::NewCommand() {
    packetNumber_ = 0;
    compressedPacketNumber_ = 0;
    pieceOpen_ = false;
    ResetBuffer();
}

void TMySqlNet::ResetBuffer() {
    buffer_.Resize(kHeaderSize);
    buffer_.MoveTo(kHeaderSize);
}

void TMySqlNet::WriteLittleEndian(uint64_t value, int size) {
    for (int i = 0; i < size; ++i, value >>= 8)
        buffer_.PutByte(static_cast<uint8_t>(value));
}

void TMySqlNet::WriteByte(uint8_t value) {
    buffer_.PutByte(value);
}

void TMySqlNet::WriteBool(bool value) {
    buffer_.PutByte(value ? 1 : 0);
}

void TMySqlNet::WriteInt16(int16_t value) {
    WriteLittleEndian(static_cast<uint16_t>(value), 2);
}

void TMySqlNet::WriteInt24(int32_t value) {
    WriteLittleEndian(static_cast<uint32_t>(value), 3);
}

void TMySqlNet::WriteInt32(int32_t value) {
    WriteLittleEndian(static_cast<uint32_t>(value), 4);
}

void TMySqlNet::WriteInt64(int64_t value) {
    WriteLittleEndian(static_cast<uint64_t>(value), 8);
}

void TMySqlNet::WriteFill(uint8_t value, int count) {
    for (int i = 0; i < count; ++i)
        buffer_.PutByte(value);
}

void TMySqlNet::WriteString0(const std::string& text) {
    // One call, so that the zero stays in the packet even when the text is sent in place.
    WriteBytes(reinterpret_cast<const uint8_t*>(text.c_str()), 0, static_cast<int>(text.size()) + 1);
}

void TMySqlNet::WriteByteArray(const TBytes& bytes) {
    WriteBytes(bytes.data(), 0, static_cast<int>(bytes.size()));
}

void TMySqlNet::WriteBytes(const uint8_t* bytes, int offset, int count) {
    RTL_ASSERT(count >= 0);
    const int buffered = PayloadLength();
    if (static_cast<int64_t>(buffered) + count < kPieceSize) {
        AppendPiece(bytes, offset, count, buffered + count);
        return;
    }
    // The buffered head and the first bytes complete a whole piece; then whole pieces; then the rest,
    // possibly nothing, as the packet that ends the payload.
    const int first = kPieceSize - buffered;
    AppendPiece(bytes, offset, first, kPieceSize);
    offset += first;
    count -= first;
    while (count >= kPieceSize) {
        AppendPiece(bytes, offset, kPieceSize, kPieceSize);
        offset += kPieceSize;
        count -= kPieceSize;
    }
    AppendPiece(bytes, offset, count, count);
}

void TMySqlNet::AppendPiece(const uint8_t* bytes, int offset, int count, int packetLength) {
    const int copied = std::clamp(kBufferThreshold - buffer_.Position(), 0, count);
    buffer_.Write(bytes, offset, copied);
    const int rest = count - copied;
    if (rest == 0 && packetLength < kPieceSize) return; // stays in the buffer until Flush
    // The rest goes out in place, after the buffered head, without being copied.
    WriteHeader(packetLength);
    SendPacket(buffer_.Bytes().data(), 0, buffer_.Position());
    ResetBuffer();
    if (rest > 0) SendPacket(bytes, offset + copied, rest);
    pieceOpen_ = packetLength == kPieceSize;
}

void TMySqlNet::WriteFieldLength(int64_t value) {
    const auto v = static_cast<uint64_t>(value);
    if (v <= 250) {
        WriteByte(static_cast<uint8_t>(v));
    } else if (v <= 65535) {
        WriteByte(kInt16Length);
        WriteLittleEndian(v, 2);
    } else if (v > static_cast<uint64_t>(kPieceSize)) {
        WriteByte(kInt64Length);
        WriteLittleEndian(v, 8);
    } else {
        WriteByte(kInt24Length);
        WriteLittleEndian(v, 3);
    }
}

void TMySqlNet::WriteHeader(int length) {
    RTL_ASSERT(length >= 0 && length <= kPieceSize);
    uint8_t* header = buffer_.Bytes().data();
    StoreInt24(header, length);
    header[3] = packetNumber_++;
}

void TMySqlNet::Flush() {
    const int length = PayloadLength();
    if (length > 0) {
        WriteHeader(length);
        SendPacket(buffer_.Bytes().data(), 0, buffer_.Position());
        ResetBuffer();
        pieceOpen_ = length == kPieceSize;
    }
    if (pieceOpen_) SendEmptyPacket();
    // The reply's frames continue the numbering of the frames sent, also of those sent before Flush.
    if (compress_) packetNumber_ = compressedPacketNumber_;
}

void TMySqlNet::SendEmptyPacket() {
    RTL_ASSERT(PayloadLength() == 0);
    WriteHeader(0);
    SendPacket(buffer_.Bytes().data(), 0, kHeaderSize);
    if (compress_) packetNumber_ = compressedPacketNumber_;
    pieceOpen_ = false;
}

void TMySqlNet::SendPacket(const uint8_t* bytes, int offset, int count) {
    if (!compress_) {
        WriteExact(bytes, offset, count);
        return;
    }
    TBytes frame;
    int originalLength = 0; // 0 marks a frame sent as it is
    if (count > kMinCompressLength) {
        CheckCompressorLinked();
        uint32_t packed = static_cast<uint32_t>(count + count / 5 + 12);
        frame.resize(kCompHeaderSize + packed);
        // Data that does not shrink goes as it is; this also keeps the frame within a 3-byte length.
        if (TryCompressBlock(frame.data() + kCompHeaderSize, packed, bytes + offset,
                             static_cast<uint32_t>(count)) &&
            packed < static_cast<uint32_t>(count)) {
            frame.resize(kCompHeaderSize + packed);
            originalLength = count;
        }
    }
    if (originalLength == 0) {
        frame.resize(kCompHeaderSize + count);
        if (count > 0) std::memcpy(frame.data() + kCompHeaderSize, bytes + offset, count);
    }
    StoreInt24(frame.data(), static_cast<int>(frame.size()) - kCompHeaderSize);
    frame[3] = compressedPacketNumber_++;
    StoreInt24(frame.data() + kHeaderSize, originalLength);
    WriteExact(frame.data(), 0, static_cast<int>(frame.size()));
}

// ---- Reading

void TMySqlNet::CheckSequence(uint8_t received, const char* where) {
    const uint8_t expected = packetNumber_++;
    compressedPacketNumber_ = packetNumber_;
    if (received != expected)
        throw EMySqlException(kErNetPacketsOutOfOrder,
                              rtl::Format("%s: Net packets out of order: received[%d], expected[%d]", where,
                                          received, expected));
}

int TMySqlNet::ReceiveHeader() {
    ReadData(header_, 0, kHeaderSize);
    if (!compress_) CheckSequence(header_[3], "ReceiveHeader");
    return Int24At(header_);
}

int TMySqlNet::ReceiveCompHeader() {
    ReadExact(compressedHeader_, 0, kCompHeaderSize);
    CheckSequence(compressedHeader_[3], "ReceiveCompHeader");
    return Int24At(compressedHeader_);
}

void TMySqlNet::ReadData(uint8_t* destination, int offset, int count) {
    if (compress_)
        ReadCompressedData(destination, offset, count);
    else
        ReadExact(destination, offset, count);
}

void TMySqlNet::ReadCompressedData(uint8_t* destination, int offset, int count) {
    int done = 0;
    for (;;) {
        const int taken = std::min(count - done, compressedBuffer_.Length() - compressedPosition_);
        if (taken > 0)
            std::memcpy(destination + offset + done, compressedBuffer_.Bytes().data() + compressedPosition_,
                        taken);
        compressedPosition_ += taken;
        done += taken;
        if (compressedPosition_ == compressedBuffer_.Length()) {
            compressedBuffer_.Resize(0);
            compressedPosition_ = 0;
        }
        if (done == count) return;
        ReceiveCompressedFrames();
    }
}

void TMySqlNet::ReceiveCompressedFrames() {
    int dataLength;
    do {
        dataLength = ReceiveCompHeader();
        const int originalLength = Int24At(compressedHeader_ + kHeaderSize);
        const int start = compressedBuffer_.Length();
        const int produced = originalLength == 0 ? dataLength : originalLength;
        if (static_cast<int64_t>(start) + produced > maxPacketSize_)
            throw EMySqlException(kCrMalformedPacket);
        compressedBuffer_.Resize(start + produced);
        if (originalLength == 0) {
            ReadExact(compressedBuffer_.Bytes().data(), start, dataLength);
            continue;
        }
        TBytes packed(static_cast<size_t>(dataLength));
        ReadExact(packed.data(), 0, dataLength);
        uint32_t unpacked = static_cast<uint32_t>(originalLength);
        try {
            UncompressBlock(compressedBuffer_.Bytes().data() + start, unpacked, packed.data(),
                            static_cast<uint32_t>(dataLength));
        } catch (const EZlibError&) {
            throw EMySqlException(kErNetUncompressError);
        }
        if (unpacked != static_cast<uint32_t>(originalLength)) throw EMySqlException(kErNetUncompressError);
    } while (dataLength == kPieceSize);
}

void TMySqlNet::TakePacket(const uint8_t* bytes, int length) {
    buffer_.Resize(length);
    std::memcpy(buffer_.Bytes().data(), bytes, length);
    position_ = 0;
}

void TMySqlNet::ReadPacket() {
    position_ = 0;
    int total = 0;
    int length;
    do {
        length = ReceiveHeader();
        if (static_cast<int64_t>(total) + length > maxPacketSize_) throw EMySqlException(kCrMalformedPacket);
        buffer_.Resize(total + length);
        ReadData(buffer_.Bytes().data(), total, length);
        total += length;
    } while (length == kPieceSize);
    if (total > 0 && buffer_.Bytes()[0] == kErrorMarker) CheckError();
}

TBytes TMySqlNet::ReceiveBuffer() {
    const int length = ReceiveHeader();
    // An empty packet cannot be a row, an end marker or an error.
    if (length < 1)
        throw EMySqlException(kCrMalformedPacket, rtl::Format("TMySqlNet.ReceiveBuffer l = %d", length));
    if (length == kPieceSize) throw ArgumentException("Cannot retrieve huge data in FetchAll mode");
    if (length > maxPacketSize_) throw EMySqlException(kCrMalformedPacket);
    TBytes packet(static_cast<size_t>(length));
    ReadData(packet.data(), 0, length);
    if (packet[0] == kErrorMarker) {
        TakePacket(packet.data(), length);
        CheckError();
    }
    return packet;
}

int TMySqlNet::ReadPacketChunked(TBytes& chunk, int chunkSize, bool check) {
    RTL_ASSERT(!compress_ && chunkSize > 0);
    const int length = ReceiveHeader();
    const size_t room = static_cast<size_t>(std::min(chunkSize, length));
    if (chunk.size() < room) chunk.resize(room);
    uint8_t first = 0;
    for (int done = 0; done < length;) {
        const int n = std::min(chunkSize, length - done);
        ReadExact(chunk.data(), 0, n);
        if (done == 0) {
            first = chunk[0];
            if (check && first == kErrorMarker) {
                TakePacket(chunk.data(), n);
                CheckError();
            }
        }
        done += n;
    }
    if (length > 0) chunk[0] = check ? first : 0;
    return length;
}

void TMySqlNet::Need(int64_t count) const {
    if (count < 0 || position_ + count > PacketLength()) throw EMySqlException(kCrMalformedPacket);
}

uint64_t TMySqlNet::ReadLittleEndian(int size) {
    Need(size);
    const uint8_t* bytes = buffer_.Bytes().data() + position_;
    uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | bytes[i];
    position_ += size;
    return value;
}

uint8_t TMySqlNet::ReadByte() {
    return static_cast<uint8_t>(ReadLittleEndian(1));
}

int16_t TMySqlNet::ReadInt16() {
    return static_cast<int16_t>(ReadLittleEndian(2));
}

int32_t TMySqlNet::ReadInt24() {
    return static_cast<int32_t>(ReadLittleEndian(3));
}

int32_t TMySqlNet::ReadInt32() {
    return static_cast<int32_t>(ReadLittleEndian(4));
}

int64_t TMySqlNet::ReadInt64() {
    return static_cast<int64_t>(ReadLittleEndian(8));
}

void TMySqlNet::ReadBytes(TBytes& destination, int index, int count) {
    Need(count);
    RTL_ASSERT(index >= 0 && static_cast<size_t>(index) + count <= destination.size());
    if (count > 0) std::memcpy(destination.data() + index, buffer_.Bytes().data() + position_, count);
    position_ += count;
}

std::string TMySqlNet::ReadString() {
    const char* begin = reinterpret_cast<const char*>(buffer_.Bytes().data()) + position_;
    const char* end = begin + Remaining();
    const char* zero = std::find(begin, end, '\0');
    position_ += static_cast<int>(zero - begin) + (zero == end ? 0 : 1);
    return std::string(begin, zero);
}

int64_t TMySqlNet::ReadFieldLength() {
    const uint8_t lead = ReadByte();
    switch (lead) {
    case kNullLength:
        return -1;
    case kInt16Length:
        return static_cast<int64_t>(ReadLittleEndian(2));
    case kInt24Length:
        return static_cast<int64_t>(ReadLittleEndian(3));
    case kInt64Length:
        return ReadInt64();
    case kErrorMarker:
        throw EMySqlException(kCrMalformedPacket);
    default:
        return lead;
    }
}

void TMySqlNet::CheckError() {
    if (ReadByte() != kErrorMarker) return;
    const int code = static_cast<uint16_t>(ReadInt16());
    std::string text(reinterpret_cast<const char*>(buffer_.Bytes().data()) + position_, Remaining());
    position_ = PacketLength();
    throw EMySqlException(code, text);
}

void TMySqlNet::ReadExact(uint8_t* buffer, int offset, int count) {
    RTL_ASSERT(vio_);
    if (vio_->Read(buffer, offset, count) != count) throw EMySqlException(kCrServerLost, vio_->LastError());
}

void TMySqlNet::WriteExact(const uint8_t* buffer, int offset, int count) {
    RTL_ASSERT(vio_);
    if (vio_->Write(buffer, offset, count) != count) throw EMySqlException(kCrServerLost, vio_->LastError());
}

} // namespace dataaccess
