#include "editor/WCEBuffers.h"

#include <algorithm>
#include <cstring>

namespace editor {

namespace {
// Byte counts round up to an even number, then count UTF-16 units.
int64_t Units(int64_t bytes) {
    return bytes >= 0 ? (bytes + 1) / 2 : -(-bytes / 2);
}
} // namespace

void TBufferedString::Add(std::u16string_view text) {
    if (text.size() >= buffer_.size() - length_) Grow(std::max(text.size(), kGrowth));
    std::copy(text.begin(), text.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(length_));
    length_ += text.size();
}

void TBufferedString::AddLineBreak() {
    if (buffer_.size() - length_ <= 4) Grow(kGrowth);
    buffer_[length_++] = u'\r';
    buffer_[length_++] = u'\n';
}

int64_t TWideStringStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || position_ >= text_.size()) return 0;
    const int64_t available = static_cast<int64_t>(text_.size() - position_) * 2;
    const int64_t bytes = std::min(count, available);
    std::memcpy(buffer, text_.data() + position_, static_cast<std::size_t>(bytes));
    position_ += static_cast<std::size_t>(Units(bytes));
    return bytes;
}

int64_t TWideStringStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    text_.resize(position_ + static_cast<std::size_t>(Units(count)));
    // An odd count leaves the high byte of the last unit zero rather than reading past the source.
    text_[text_.size() - 1] = 0;
    std::memcpy(text_.data() + position_, buffer, static_cast<std::size_t>(count));
    position_ = text_.size();
    return count;
}

int64_t TWideStringStream::Seek(int64_t offset, rtl::TSeekOrigin origin) {
    const int64_t units = Units(offset);
    const auto length = static_cast<int64_t>(text_.size());
    int64_t target = units;
    if (origin == rtl::soCurrent) target = static_cast<int64_t>(position_) + units;
    if (origin == rtl::soEnd) target = length - units;
    position_ = static_cast<std::size_t>(std::clamp<int64_t>(target, 0, length));
    return static_cast<int64_t>(position_) * 2;
}

void TWideStringStream::SetSize(int64_t size) {
    text_.resize(static_cast<std::size_t>(std::max<int64_t>(Units(size), 0)));
    position_ = std::min(position_, text_.size());
}

} // namespace editor
