#include "dataaccess/store/uMemoryStream.h"

#include "platform/rtl/Exception.h"

#include <algorithm>

namespace dataaccess {

MemoryStream::MemoryStream(int capacity) : data_(static_cast<size_t>(std::max(capacity, 0))) {}

void MemoryStream::Close() {
    data_.clear();
}

void MemoryStream::Resize(int length) {
    RTL_ASSERT(length >= 0);
    if (length > Capacity()) data_.resize(static_cast<size_t>(std::max(length, Capacity() + Capacity() / 2)));
    length_ = length;
}

void MemoryStream::MoveTo(int position) {
    RTL_ASSERT(position >= 0);
    if (position > length_) Resize(position);
    position_ = position;
}

int MemoryStream::Read(TBytes& buffer, int offset, int count) {
    const int copied = std::max(0, std::min(count, Capacity() - position_));
    RTL_ASSERT(offset >= 0 && static_cast<size_t>(offset) + copied <= buffer.size());
    return Read(static_cast<void*>(buffer.data()), offset, copied);
}

int MemoryStream::Read(void* buffer, int offset, int count) {
    const int copied = std::max(0, std::min(count, Capacity() - position_));
    Buffer::CopyBlock(data_.data(), position_, buffer, offset, static_cast<size_t>(copied));
    position_ += copied;
    return copied;
}

uint8_t MemoryStream::GetByte() {
    RTL_ASSERT(position_ < Capacity());
    return data_[static_cast<size_t>(position_++)];
}

void MemoryStream::Write(const TBytes& buffer, int offset, int count) {
    RTL_ASSERT(offset >= 0 && count >= 0 && static_cast<size_t>(offset) + count <= buffer.size());
    Write(static_cast<const void*>(buffer.data()), offset, count);
}

void MemoryStream::Write(const void* buffer, int offset, int count) {
    if (count <= 0) return;
    if (position_ + count > length_) Resize(position_ + count);
    Buffer::CopyBlock(buffer, offset, data_.data(), position_, static_cast<size_t>(count));
    position_ += count;
}

void MemoryStream::PutByte(uint8_t value) {
    if (position_ + 1 > length_) Resize(position_ + 1);
    data_[static_cast<size_t>(position_++)] = value;
}

} // namespace dataaccess
