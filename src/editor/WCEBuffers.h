// Growable UTF-16 buffers: a string builder for many lines and a stream over wide text.
#pragma once

#include "platform/rtl/Streams.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace editor {

// A growable UTF-16 text builder for joining many lines: it grows by at least 1024 units at a time,
// so joining n lines copies each character a bounded number of times.
class TBufferedString {
public:
    static constexpr std::size_t kGrowth = 1024;

    void Add(std::u16string_view text);
    void AddLineBreak();
    std::u16string GetText() const { return std::u16string(buffer_.data(), length_); }
    std::size_t Capacity() const { return buffer_.size(); }

private:
    void Grow(std::size_t by) { buffer_.resize(buffer_.size() + by); }

    std::u16string buffer_; // its size is the capacity
    std::size_t length_ = 0;
};

// A byte stream over its own copy of a UTF-16 text; the position counts characters. Odd byte counts
// round up to whole characters, but a read or write never moves more than the caller's count.
class TWideStringStream : public rtl::TStream {
public:
    explicit TWideStringStream(std::u16string text = {}) : text_(std::move(text)) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, rtl::TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(text_.size()) * 2; }
    void SetSize(int64_t size) override;

    const std::u16string& Text() const { return text_; }

private:
    std::u16string text_;
    std::size_t position_ = 0; // in characters
};

} // namespace editor
