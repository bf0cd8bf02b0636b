#include "dataaccess/store/uEncoding.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"

#include <string_view>

namespace dataaccess {

namespace {

constexpr int kUtf16BigEndianCodePage = 1201;

void CheckRange(size_t size, int index, int count) {
    RTL_ASSERT(index >= 0 && count >= 0 && static_cast<size_t>(index) + static_cast<size_t>(count) <= size);
}

std::string_view ByteView(const TBytes& bytes, int index, int count) {
    CheckRange(bytes.size(), index, count);
    return {reinterpret_cast<const char*>(bytes.data()) + index, static_cast<size_t>(count)};
}

TBytes BytesOf(std::string_view text) {
    return TBytes(text.begin(), text.end());
}

// Copies `source` into `bytes` from `byteIndex`; the caller sized the array.
int PutBytes(const void* source, size_t count, TBytes& bytes, int byteIndex) {
    CheckRange(bytes.size(), byteIndex, static_cast<int>(count));
    Marshal::CopyToArray(source, bytes, byteIndex, static_cast<int>(count));
    return static_cast<int>(count);
}

std::string AnsiRange(const std::string& chars, int charIndex, int charCount) {
    CheckRange(chars.size(), charIndex, charCount);
    return chars.substr(static_cast<size_t>(charIndex), static_cast<size_t>(charCount));
}

std::u16string WideRange(const std::u16string& chars, int charIndex, int charCount) {
    CheckRange(chars.size(), charIndex, charCount);
    return chars.substr(static_cast<size_t>(charIndex), static_cast<size_t>(charCount));
}

[[noreturn]] void NotImplemented() {
    rtl::AssertionFailed("not implemented", __FILE__, __LINE__);
}

} // namespace

// Default encoding: ANSI bytes as they are.

TBytes Encoding::GetBytes(const std::string& chars) const {
    return BytesOf(chars);
}

int Encoding::GetBytesRange(const std::string& chars, int charIndex, int charCount, TBytes& bytes,
                            int byteIndex) const {
    if (charCount <= 0) return 0;
    CheckRange(chars.size(), charIndex, charCount);
    return PutBytes(chars.data() + charIndex, static_cast<size_t>(charCount), bytes, byteIndex);
}

TBytes Encoding::GetWideBytes(const std::u16string& chars) const {
    return GetBytes(rtl::Utf16ToUtf8(chars));
}

int Encoding::GetWideBytesRange(const std::u16string& chars, int charIndex, int charCount, TBytes& bytes,
                                int byteIndex) const {
    if (charCount <= 0) return 0;
    const std::string narrow = rtl::Utf16ToUtf8(WideRange(chars, charIndex, charCount));
    return GetBytesRange(narrow, 0, static_cast<int>(narrow.size()), bytes, byteIndex);
}

std::string Encoding::GetString(const TBytes& bytes) const {
    return GetStringRange(bytes, 0, static_cast<int>(bytes.size()));
}

std::string Encoding::GetStringRange(const TBytes& bytes, int index, int count) const {
    if (count <= 0) return {};
    return std::string(ByteView(bytes, index, count));
}

std::u16string Encoding::GetWideString(const TBytes& bytes) const {
    return rtl::Utf8ToUtf16(GetString(bytes));
}

std::u16string Encoding::GetWideStringRange(const TBytes& bytes, int index, int count) const {
    return rtl::Utf8ToUtf16(GetStringRange(bytes, index, count));
}

int Encoding::GetMaxByteCount(int charCount) const {
    return charCount;
}

const Encoding& Encoding::DefaultEncoding() {
    static const Encoding instance;
    return instance;
}

const Encoding& Encoding::UnicodeInstance() {
    static const UnicodeEncoding instance;
    return instance;
}

const Encoding& Encoding::UTF8Instance() {
    static const UTF8Encoding instance;
    return instance;
}

// UTF-16 little-endian.

TBytes UnicodeEncoding::GetBytes(const std::string& chars) const {
    return GetWideBytes(rtl::Utf8ToUtf16(chars));
}

int UnicodeEncoding::GetBytesRange(const std::string& chars, int charIndex, int charCount, TBytes& bytes,
                                   int byteIndex) const {
    if (charCount <= 0) return 0;
    const std::u16string wide = rtl::Utf8ToUtf16(AnsiRange(chars, charIndex, charCount));
    return GetWideBytesRange(wide, 0, static_cast<int>(wide.size()), bytes, byteIndex);
}

TBytes UnicodeEncoding::GetWideBytes(const std::u16string& chars) const {
    TBytes bytes(chars.size() * sizeof(char16_t));
    if (!bytes.empty()) std::memcpy(bytes.data(), chars.data(), bytes.size());
    return bytes;
}

int UnicodeEncoding::GetWideBytesRange(const std::u16string& chars, int charIndex, int charCount,
                                       TBytes& bytes, int byteIndex) const {
    if (charCount <= 0) return 0;
    CheckRange(chars.size(), charIndex, charCount);
    return PutBytes(chars.data() + charIndex, static_cast<size_t>(charCount) * sizeof(char16_t), bytes,
                    byteIndex);
}

std::string UnicodeEncoding::GetString(const TBytes& bytes) const {
    return rtl::Utf16ToUtf8(GetWideString(bytes));
}

std::string UnicodeEncoding::GetStringRange(const TBytes& bytes, int index, int count) const {
    return rtl::Utf16ToUtf8(GetWideStringRange(bytes, index, count));
}

std::u16string UnicodeEncoding::GetWideString(const TBytes& bytes) const {
    return GetWideStringRange(bytes, 0, static_cast<int>(bytes.size()));
}

std::u16string UnicodeEncoding::GetWideStringRange(const TBytes& bytes, int index, int count) const {
    if (count <= 0) return {};
    const std::string_view view = ByteView(bytes, index, count);
    std::u16string chars(view.size() / sizeof(char16_t), u'\0');
    if (!chars.empty()) std::memcpy(chars.data(), view.data(), chars.size() * sizeof(char16_t));
    return chars;
}

int UnicodeEncoding::GetMaxByteCount(int charCount) const {
    return charCount * 2;
}

// UTF-8. ANSI is UTF-8 already, so 8-bit strings pass unchanged.

TBytes UTF8Encoding::GetBytes(const std::string& chars) const {
    return BytesOf(chars);
}

int UTF8Encoding::GetBytesRange(const std::string&, int, int, TBytes&, int) const {
    NotImplemented();
}

TBytes UTF8Encoding::GetWideBytes(const std::u16string& chars) const {
    return BytesOf(rtl::Utf16ToUtf8(chars));
}

int UTF8Encoding::GetWideBytesRange(const std::u16string&, int, int, TBytes&, int) const {
    NotImplemented();
}

std::string UTF8Encoding::GetString(const TBytes& bytes) const {
    return GetStringRange(bytes, 0, static_cast<int>(bytes.size()));
}

std::string UTF8Encoding::GetStringRange(const TBytes& bytes, int index, int count) const {
    if (count <= 0) return {};
    return std::string(ByteView(bytes, index, count));
}

std::u16string UTF8Encoding::GetWideString(const TBytes& bytes) const {
    return GetWideStringRange(bytes, 0, static_cast<int>(bytes.size()));
}

std::u16string UTF8Encoding::GetWideStringRange(const TBytes& bytes, int index, int count) const {
    if (count <= 0) return {};
    return rtl::Utf8ToUtf16(ByteView(bytes, index, count));
}

int UTF8Encoding::GetMaxByteCount(int charCount) const {
    return charCount * 3;
}

// A Windows code page.

TBytes CodePageEncoding::GetBytes(const std::string& chars) const {
    return GetWideBytes(rtl::Utf8ToUtf16(chars));
}

int CodePageEncoding::GetBytesRange(const std::string& chars, int charIndex, int charCount, TBytes& bytes,
                                    int byteIndex) const {
    if (charCount <= 0) return 0;
    const std::u16string wide = rtl::Utf8ToUtf16(AnsiRange(chars, charIndex, charCount));
    return GetWideBytesRange(wide, 0, static_cast<int>(wide.size()), bytes, byteIndex);
}

TBytes CodePageEncoding::GetWideBytes(const std::u16string& chars) const {
    if (chars.empty()) return {};
    return BytesOf(rtl::Utf16ToCodePage(chars, codePage_));
}

int CodePageEncoding::GetWideBytesRange(const std::u16string& chars, int charIndex, int charCount,
                                        TBytes& bytes, int byteIndex) const {
    if (charCount <= 0) return 0;
    CheckRange(bytes.size(), byteIndex, 0);
    const std::string converted = rtl::Utf16ToCodePage(WideRange(chars, charIndex, charCount), codePage_);
    // The conversion fills only the room from byteIndex to the end of the array.
    if (converted.size() > bytes.size() - static_cast<size_t>(byteIndex))
        throw rtl::EOSError("The data area passed to a system call is too small");
    return PutBytes(converted.data(), converted.size(), bytes, byteIndex);
}

std::string CodePageEncoding::GetString(const TBytes& bytes) const {
    return rtl::Utf16ToUtf8(GetWideString(bytes));
}

std::string CodePageEncoding::GetStringRange(const TBytes& bytes, int index, int count) const {
    return rtl::Utf16ToUtf8(GetWideStringRange(bytes, index, count));
}

std::u16string CodePageEncoding::GetWideString(const TBytes& bytes) const {
    return GetWideStringRange(bytes, 0, static_cast<int>(bytes.size()));
}

std::u16string CodePageEncoding::GetWideStringRange(const TBytes& bytes, int index, int count) const {
    if (count <= 0) return {};
    return rtl::CodePageToUtf16(ByteView(bytes, index, count), codePage_);
}

int CodePageEncoding::GetMaxByteCount(int charCount) const {
    return codePage_ == kUtf16BigEndianCodePage ? charCount * 2 : charCount;
}

} // namespace dataaccess
