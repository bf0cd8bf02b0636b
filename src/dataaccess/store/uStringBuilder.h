// A growable character buffer for building SQL text.
#pragma once

#include "platform/rtl/Exception.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace dataaccess {

// A growable character buffer for building SQL text. The buffer's length is the capacity; only the
// first ActualLength() characters are text. When an append does not fit, the capacity becomes
// used length + needed + capacity / 2.
template <class CharT>
class TStringBuilder {
public:
    using String = std::basic_string<CharT>;
    using View = std::basic_string_view<CharT>;

    explicit TStringBuilder(int capacity) : buffer_(static_cast<size_t>(std::max(capacity, 0)), CharT()) {}
    TStringBuilder(View text, int capacity) : TStringBuilder(capacity) { Append(text); }

    int Capacity() const { return static_cast<int>(buffer_.size()); }
    int ActualLength() const { return length_; }

    void Append(View text) {
        if (text.empty()) return;
        Reserve(static_cast<int>(text.size()));
        std::copy(text.begin(), text.end(), buffer_.begin() + length_);
        length_ += static_cast<int>(text.size());
    }

    // Appends `count` characters of `text` from the 0-based `start`.
    void AppendRange(View text, int start, int count) {
        RTL_ASSERT(start >= 0 && count >= 0 && static_cast<size_t>(start) + count <= text.size());
        Append(text.substr(static_cast<size_t>(start), static_cast<size_t>(count)));
    }

    void AppendChar(CharT ch) {
        Reserve(1);
        buffer_[static_cast<size_t>(length_++)] = ch;
    }

    // Characters between the old and the new length keep whatever the buffer held.
    void SetActualLength(int length) {
        RTL_ASSERT(length >= 0);
        if (Capacity() - length_ < length) Grow(length_ + length + Capacity() / 2);
        length_ = length;
    }

    String AsString() const { return String(buffer_.data(), static_cast<size_t>(length_)); }

    // Replaces every occurrence of `oldText` (case-sensitive); the search resumes after the inserted
    // text, so a replacement that contains `oldText` is not replaced again.
    void Replace(View oldText, View newText) {
        RTL_ASSERT_MSG(!oldText.empty(), "Replace of an empty text");
        const int oldLength = static_cast<int>(oldText.size());
        const int newLength = static_cast<int>(newText.size());
        int position = 0;
        for (;;) {
            const auto used = buffer_.begin() + length_;
            const auto match = std::search(buffer_.begin() + position, used, oldText.begin(), oldText.end());
            if (match == used) return;
            const int at = static_cast<int>(match - buffer_.begin());
            if (newLength <= oldLength) {
                std::copy(newText.begin(), newText.end(), buffer_.begin() + at);
                std::copy(buffer_.begin() + at + oldLength, buffer_.begin() + length_,
                          buffer_.begin() + at + newLength);
            } else {
                Reserve(newLength - oldLength);
                std::copy_backward(buffer_.begin() + at + oldLength, buffer_.begin() + length_,
                                   buffer_.begin() + length_ + (newLength - oldLength));
                std::copy(newText.begin(), newText.end(), buffer_.begin() + at);
            }
            length_ += newLength - oldLength;
            position = at + newLength;
        }
    }

private:
    void Reserve(int count) {
        if (Capacity() - length_ < count) Grow(length_ + count + Capacity() / 2);
    }
    void Grow(int capacity) { buffer_.resize(static_cast<size_t>(capacity), CharT()); }

    String buffer_;
    int length_ = 0;
};

using AnsiStringBuilder = TStringBuilder<char>;
using WideStringBuilder = TStringBuilder<char16_t>;

} // namespace dataaccess
