// A growable in-memory byte stream.
#pragma once

#include "dataaccess/store/uMarshal.h"

namespace dataaccess {

// A growable in-memory byte stream. The array's length is the capacity; the logical end is Length().
class MemoryStream {
public:
    explicit MemoryStream(int capacity);

    int Position() const { return position_; }
    int Length() const { return length_; }
    int Capacity() const { return static_cast<int>(data_.size()); }

    // Empties the array; position and length stay as they are.
    void Close();
    // Sets the length; beyond the capacity the array grows to max(length, capacity * 3 / 2).
    void Resize(int length);
    // A position beyond the length extends the length to it.
    void MoveTo(int position);

    // Copies up to `count` bytes from the position, bounded by the capacity, not by the length:
    // callers that need the logical end compare with Length() themselves.
    int Read(TBytes& buffer, int offset, int count);
    int Read(void* buffer, int offset, int count);
    uint8_t GetByte();

    void Write(const TBytes& buffer, int offset, int count);
    void Write(const void* buffer, int offset, int count);
    void PutByte(uint8_t value);

    TBytes& Bytes() { return data_; }

private:
    TBytes data_;
    int position_ = 0;
    int length_ = 0;
};

} // namespace dataaccess
