// Blobs whose content is kept zlib-compressed.
#pragma once

#include "dataaccess/store/uBlob.h"

#include <array>

namespace dataaccess {

// Compressed content is one piece: this tag, the uncompressed size (signed 32-bit little-endian),
// then the zlib stream.
inline constexpr std::array<uint8_t, 16> kCompressedBlobTag = {
    0x39, 0x8C, 0x9D, 0xF1, 0x58, 0x55, 0x49, 0x38, 0xA6, 0x52, 0x87, 0xCE, 0xE0, 0xC6, 0xDA, 0x7E};
inline constexpr uint32_t kCompressedHeaderSize = kCompressedBlobTag.size() + sizeof(int32_t);
// Content of this size or less is never compressed.
inline constexpr uint32_t kMinCompressSize = 50;

// Blob data that can hold its content compressed. Whether it does is recorded in the object,
// never guessed from the bytes: plain content that happens to begin with the tag stays plain.
class TCompressedBlobData : public TCRBlobData {
public:
    const char* ClassName() const override { return "TCompressedBlobData"; }

    bool IsCompressed() const { return compressed_; }
    // Takes the current content as compressed data when it is one piece of more than the header
    // that starts with the tag, as values stored compressed on the server arrive. Returns whether
    // it did.
    bool AdoptCompressed();
    // Silent when compression does not pay: the content then stays plain. Returns whether the
    // content is compressed afterwards.
    bool Compress();
    // Raises "Invalid compressed blob size", "Invalid compressed blob header",
    // "Invalid compressed blob data" or "Invalid uncompressed blob size" for damaged data.
    void Uncompress();

    // While compressed: the uncompressed size.
    uint32_t GetSize() const override;
    void SetSize(uint32_t size) override;
    void Clear() override;
    void Truncate(uint32_t size) override;
    // A read of the whole content inflates straight into the destination and keeps the data
    // compressed; any other read uncompresses first.
    uint32_t Read(uint32_t position, uint32_t count, void* destination) override;
    // A write of the whole content replaces it and compresses it again; any other write
    // uncompresses first.
    void Write(uint32_t position, uint32_t count, const void* source) override;
    void MoveTo(TCRBlobData* target) override;

protected:
    ~TCompressedBlobData() override = default;

private:
    uint32_t StoredSize() const;
    // A new piece with the compressed form of `source`, or nullptr when that does not pay.
    PPieceHeader CompressToPiece(const void* source, uint32_t size);
    // Checks the compressed piece and returns the stored size.
    uint32_t CheckCompressedPiece();
    // Inflates into `destination` of exactly `size` bytes.
    void InflateTo(void* destination, uint32_t size);

    bool compressed_ = false;
};

class TCompressedBlob : public TBlob {
public:
    explicit TCompressedBlob(bool isUnicode = false);

    const char* ClassName() const override { return "TCompressedBlob"; }

    TCRBlobData* CreateBlobData() override;

    // Compresses or uncompresses. False when there is no content or it is in that state already;
    // true otherwise, also when the content was too small or compression did not pay.
    bool SetCompressed(bool value);
    bool IsCompressed() const;
    // See TCompressedBlobData::AdoptCompressed.
    bool AdoptCompressed();

protected:
    ~TCompressedBlob() override = default;

private:
    TCompressedBlobData* CompressedData() const;
};

} // namespace dataaccess
