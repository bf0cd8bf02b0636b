#include "platform/rtl/CodePage.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace rtl {

namespace {

struct CodePageName {
    int codePage;
    const char* charset;
};

constexpr CodePageName kCodePages[] = {
    {850, "CP850"},        {852, "CP852"},         {866, "CP866"},
    {874, "CP874"},        {932, "CP932"},         {936, "GBK"},
    {949, "CP949"},        {950, "CP950"}, // Big5 with the vendor's additions
    {1200, "UTF-16LE"},    {1201, "UTF-16BE"},     {1250, "CP1250"},
    {1251, "CP1251"},      {1252, "CP1252"},       {1253, "CP1253"},
    {1254, "CP1254"},      {1255, "CP1255"},       {1256, "CP1256"},
    {1257, "CP1257"},      {1258, "CP1258"},       {10000, "MACINTOSH"},
    {10001, "SHIFT_JIS"},  {10008, "GB2312"},      {10029, "MAC-CENTRALEUROPE"},
    {12000, "UTF-32LE"},   {12001, "UTF-32BE"},    {20107, "ISO646-SE"},
    {20127, "ASCII"},      {20866, "KOI8-R"},      {20932, "EUC-JP"},
    {21866, "KOI8-U"},     {28591, "ISO-8859-1"},  {28592, "ISO-8859-2"},
    {28593, "ISO-8859-3"}, {28594, "ISO-8859-4"},  {28595, "ISO-8859-5"},
    {28596, "ISO-8859-6"}, {28597, "ISO-8859-7"},  {28598, "ISO-8859-8"},
    {28599, "ISO-8859-9"}, {28603, "ISO-8859-13"}, {28605, "ISO-8859-15"},
    {65001, "UTF-8"},
};

// Code points travel through iconv as UTF-32 in the machine's byte order: one fixed-size unit per
// character makes skipping an unconvertible one trivial.
constexpr const char* kUtf32 = std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE";
constexpr size_t kChunk = 4096;

class Converter {
public:
    Converter(const char* to, const char* from, int codePage) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw EOSError(Format("Code page %d is not available: %s", codePage, std::strerror(errno)));
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much as possible; returns 0 when all input was taken, else the errno that stopped it.
    // Output goes to `out` chunk by chunk.
    template <class Sink>
    int Run(const char*& in, size_t& inLeft, Sink&& out) {
        char buf[kChunk];
        for (;;) {
            char* outPtr = buf;
            size_t outLeft = sizeof buf;
            const size_t r = in ? iconv(cd_, const_cast<char**>(&in), &inLeft, &outPtr, &outLeft)
                                : iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);
            const int err = r == static_cast<size_t>(-1) ? errno : 0;
            out(buf, static_cast<size_t>(outPtr - buf));
            if (err != E2BIG) return err;
        }
    }

private:
    iconv_t cd_;
};

const char* CharsetOrThrow(int codePage) {
    const std::string_view charset = CodePageCharset(codePage);
    if (charset.empty()) throw EOSError(Format("Unsupported code page %d", codePage));
    return charset.data();
}

} // namespace

std::string_view CodePageCharset(int codePage) {
    for (const auto& entry : kCodePages)
        if (entry.codePage == codePage) return entry.charset;
    return {};
}

std::u16string CodePageToUtf16(std::string_view bytes, int codePage) {
    if (codePage == kCodePageBinary) {
        std::u16string out;
        out.reserve(bytes.size());
        for (unsigned char b : bytes)
            out += static_cast<char16_t>(b);
        return out;
    }
    if (codePage == kCodePageUtf8) return Utf8ToUtf16(bytes);

    Converter cd(kUtf32, CharsetOrThrow(codePage), codePage);
    std::u32string codePoints;
    const auto sink = [&](const char* data, size_t size) {
        const size_t old = codePoints.size();
        codePoints.resize(old + size / sizeof(char32_t));
        std::memcpy(codePoints.data() + old, data, size);
    };
    const char* in = bytes.data();
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        const int err = cd.Run(in, inLeft, sink);
        if (err == 0) break;
        // A byte the code page does not define (EILSEQ), or a sequence cut off at the end (EINVAL).
        codePoints += U'\uFFFD';
        ++in;
        --inLeft;
        if (err == EINVAL) break;
    }
    return Utf32ToUtf16(codePoints);
}

std::string Utf16ToCodePage(std::u16string_view text, int codePage) {
    if (codePage == kCodePageBinary) {
        std::string out;
        out.reserve(text.size());
        for (char16_t c : text)
            out += c <= 0xFF ? static_cast<char>(c) : '?';
        return out;
    }
    if (codePage == kCodePageUtf8) return Utf16ToUtf8(text);

    Converter cd(CharsetOrThrow(codePage), kUtf32, codePage);
    const std::u32string codePoints = Utf16ToUtf32(text);
    std::string out;
    const auto sink = [&](const char* data, size_t size) { out.append(data, size); };
    const char* in = reinterpret_cast<const char*>(codePoints.data());
    size_t inLeft = codePoints.size() * sizeof(char32_t);
    while (inLeft > 0 && cd.Run(in, inLeft, sink) != 0) {
        // A character the code page lacks: its default character instead.
        out += '?';
        in += sizeof(char32_t);
        inLeft -= sizeof(char32_t);
    }
    const char* flush = nullptr; // ends a shift sequence of a stateful code page
    cd.Run(flush, inLeft, sink);
    return out;
}

std::string CodePageToUtf8(std::string_view bytes, int codePage) {
    if (codePage == kCodePageBinary) return std::string(bytes);
    return Utf16ToUtf8(CodePageToUtf16(bytes, codePage));
}

std::string Utf8ToCodePage(std::string_view text, int codePage) {
    if (codePage == kCodePageBinary) return std::string(text);
    return Utf16ToCodePage(Utf8ToUtf16(text), codePage);
}

} // namespace rtl
