#include "core/uUnicode.h"

#include <bit>
#include <utility>

#include "core/uUnicodeData.h"
#include "platform/rtl/CodePage.h"

namespace core {

namespace {

// The bits of a set as the category table holds them: bit n for the category with ordinal n.
constexpr std::uint64_t Mask(const TCharacterCategories& categories) {
    std::uint64_t mask = 0;
    for (int c = 0; c < kCharacterCategoryCount; ++c)
        if (categories.Contains(TCharacterCategory(c))) mask |= std::uint64_t{1} << c;
    return mask;
}

constexpr std::uint64_t kControl = Mask({ccOtherControl, ccOtherFormat});
constexpr std::uint64_t kWhiteSpace =
    Mask({ccSeparatorSpace, ccSeparatorParagraph, ccSegmentSeparator, ccWhiteSpace, ccSpaceOther});
constexpr std::uint64_t kNumber = Mask({ccNumberDecimalDigit, ccNumberLetter, ccNumberOther});
constexpr std::uint64_t kAlpha = Mask({ccLetterUppercase, ccLetterLowercase, ccLetterTitlecase,
                                       ccNumberLetter, ccLetterModifier, ccLetterOther});
constexpr std::uint64_t kIdentifierPart =
    Mask({ccLetterUppercase, ccLetterLowercase, ccLetterTitlecase, ccMarkNonSpacing, ccMarkSpacingCombining,
          ccNumberDecimalDigit, ccNumberLetter, ccOtherFormat, ccLetterModifier, ccLetterOther,
          ccPunctuationConnector});
constexpr std::uint64_t kNonSpacing = Mask({ccMarkNonSpacing});

bool HasCategory(char32_t code, std::uint64_t mask) {
    return (CharacterCategoryBits(code) & mask) != 0;
}

// Hangul syllables are composed of leading consonant, vowel and optional trailing consonant jamo.
constexpr char32_t kHangulFirst = 0xAC00;
constexpr char32_t kHangulLast = 0xD7A3;
constexpr char32_t kLeadingBase = 0x1100;
constexpr char32_t kVowelBase = 0x1161;
constexpr char32_t kTrailingBase = 0x11A7;
constexpr char32_t kLeadingCount = 19;
constexpr char32_t kVowelCount = 21;
constexpr char32_t kTrailingCount = 28;
constexpr char32_t kVowelTrailingCount = kVowelCount * kTrailingCount; // 588

bool IsHangulSyllable(char32_t code) {
    return code >= kHangulFirst && code <= kHangulLast;
}

std::u32string CaseMapping(char32_t code, std::u32string TCaseMapping::*which) {
    const auto* mapping = CharacterCaseMapping(code);
    if (!mapping || (mapping->*which).empty()) return std::u32string(1, code);
    return mapping->*which;
}

void AppendDecomposition(std::u32string& out, char32_t code, bool compatibility) {
    const auto parts = UnicodeDecompose(code, compatibility);
    if (parts.empty()) {
        out += code;
        return;
    }
    for (const char32_t part : parts)
        AppendDecomposition(out, part, compatibility);
}

// Sorts each run of marks by combining class, keeping marks of one class in their order.
void CanonicalOrder(std::u32string& text) {
    for (std::size_t i = 1; i < text.size();) {
        const int first = CanonicalCombiningClass(text[i - 1]);
        const int second = CanonicalCombiningClass(text[i]);
        if (second != 0 && first > second) {
            std::swap(text[i - 1], text[i]);
            if (i > 1) --i;
        } else {
            ++i;
        }
    }
}

// The composite of a pair: Hangul jamo arithmetically, everything else from the table; 0 when none.
char32_t Compose(char32_t first, char32_t second) {
    if (first >= kLeadingBase && first < kLeadingBase + kLeadingCount && second >= kVowelBase &&
        second < kVowelBase + kVowelCount)
        return kHangulFirst + ((first - kLeadingBase) * kVowelCount + (second - kVowelBase)) * kTrailingCount;
    if (IsHangulSyllable(first) && (first - kHangulFirst) % kTrailingCount == 0 && second > kTrailingBase &&
        second < kTrailingBase + kTrailingCount)
        return first + (second - kTrailingBase);
    char32_t composite = 0;
    return UnicodeComposePair(first, second, composite) ? composite : 0;
}

// Canonical composition of decomposed, canonically ordered text. A mark joins the last starter unless
// a character between them has class 0 or a class not lower than its own.
void ComposeText(std::u32string& text) {
    std::u32string out;
    std::size_t starter = std::u32string::npos;
    int lastClass = 0;
    for (const char32_t c : text) {
        const int cls = CanonicalCombiningClass(c);
        if (starter != std::u32string::npos) {
            const bool adjacent = starter + 1 == out.size();
            if (adjacent || (lastClass != 0 && lastClass < cls)) {
                if (const char32_t composite = Compose(out[starter], c)) {
                    out[starter] = composite;
                    continue;
                }
            }
        }
        if (cls == 0) starter = out.size();
        lastClass = cls;
        out += c;
    }
    text = std::move(out);
}

bool IsTrimmed(char16_t ch) {
    return UnicodeIsWhiteSpace(ch) || UnicodeIsControl(ch);
}

// Yields the upper-case mapping of a text code point by code point.
class TUpperCaseReader {
public:
    explicit TUpperCaseReader(std::u16string_view text) : text_(text) {}

    bool Next(char32_t& c) {
        if (!pending_.empty()) {
            c = pending_.front();
            pending_.remove_prefix(1);
            return true;
        }
        if (pos_ >= text_.size()) return false;
        c = WideCodePointAt(text_, pos_);
        if (c < 0x80) {
            if (c >= U'a' && c <= U'z') c -= U'a' - U'A';
            return true;
        }
        const auto* mapping = CharacterCaseMapping(c);
        if (mapping && !mapping->upper.empty()) {
            pending_ = mapping->upper;
            c = pending_.front();
            pending_.remove_prefix(1);
        }
        return true;
    }

private:
    std::u16string_view text_;
    std::size_t pos_ = 0;
    std::u32string_view pending_;
};

} // namespace

TCharacterCategories UnicodeCategories(char32_t code) {
    TCharacterCategories categories;
    for (std::uint64_t bits = CharacterCategoryBits(code); bits != 0; bits &= bits - 1)
        categories.Include(TCharacterCategory(std::countr_zero(bits)));
    return categories;
}

bool CategoryLookup(char32_t code, const TCharacterCategories& categories) {
    return HasCategory(code, Mask(categories));
}

bool UnicodeIsControl(char32_t code) {
    return HasCategory(code, kControl);
}
bool UnicodeIsWhiteSpace(char32_t code) {
    return HasCategory(code, kWhiteSpace);
}
bool UnicodeIsNumber(char32_t code) {
    return HasCategory(code, kNumber);
}
bool UnicodeIsAlpha(char32_t code) {
    return HasCategory(code, kAlpha);
}
bool UnicodeIsIdentifierPart(char32_t code) {
    return HasCategory(code, kIdentifierPart);
}
bool UnicodeIsNonSpacing(char32_t code) {
    return HasCategory(code, kNonSpacing);
}
bool UnicodeIsCombining(char32_t code) {
    return HasCategory(code, kNonSpacing);
}

bool UnicodeIsHexDigit(char32_t code) {
    return (code >= U'0' && code <= U'9') || (code >= U'A' && code <= U'F') || (code >= U'a' && code <= U'f');
}

std::u32string UnicodeToUpper(char32_t code) {
    return CaseMapping(code, &TCaseMapping::upper);
}
std::u32string UnicodeToLower(char32_t code) {
    return CaseMapping(code, &TCaseMapping::lower);
}
std::u32string UnicodeToTitle(char32_t code) {
    return CaseMapping(code, &TCaseMapping::title);
}

std::u32string UnicodeDecompose(char32_t code, bool compatibility) {
    if (IsHangulSyllable(code)) {
        const char32_t s = code - kHangulFirst;
        std::u32string parts{kLeadingBase + s / kVowelTrailingCount,
                             kVowelBase + (s % kVowelTrailingCount) / kTrailingCount};
        if (s % kTrailingCount != 0) parts += kTrailingBase + s % kTrailingCount;
        return parts;
    }
    if (compatibility) {
        const auto parts = CharacterDecomposition(code, true);
        if (!parts.empty()) return std::u32string(parts);
    }
    return std::u32string(CharacterDecomposition(code, false));
}

int CanonicalCombiningClass(char32_t code) {
    return CharacterCombiningClass(code);
}

bool UnicodeComposePair(char32_t first, char32_t second, char32_t& composite) {
    const char32_t found = CharacterComposite(first, second);
    if (found == 0) return false;
    composite = found;
    return true;
}

std::u16string WideNormalize(std::u16string_view text, TNormalizationForm form) {
    if (form != nfC && form != nfD && form != nfKC && form != nfKD) return std::u16string(text);
    const bool compatibility = form == nfKC || form == nfKD;
    std::u32string codes;
    for (std::size_t pos = 0; pos < text.size();)
        AppendDecomposition(codes, WideCodePointAt(text, pos), compatibility);
    CanonicalOrder(codes);
    if (form == nfC || form == nfKC) ComposeText(codes);
    std::u16string result;
    result.reserve(codes.size());
    for (const char32_t c : codes)
        WideAppendCodePoint(result, c);
    return result;
}

char32_t WideCodePointAt(std::u16string_view text, std::size_t& pos) {
    const char16_t first = text[pos++];
    if (first >= 0xD800 && first <= 0xDBFF && pos < text.size() && text[pos] >= 0xDC00 && text[pos] <= 0xDFFF)
        return 0x10000 + ((char32_t(first) - 0xD800) << 10) + (char32_t(text[pos++]) - 0xDC00);
    return first;
}

void WideAppendCodePoint(std::u16string& text, char32_t code) {
    if (code < 0x10000) {
        text += static_cast<char16_t>(code);
    } else {
        code -= 0x10000;
        text += static_cast<char16_t>(0xD800 + (code >> 10));
        text += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    }
}

std::ptrdiff_t WideStrFirstOfSet(const char16_t* text, const char16_t* set) {
    if (!text || !set) return -1;
    const std::u16string_view chars(set);
    std::ptrdiff_t i = 0;
    for (; text[i] != 0; ++i)
        if (chars.find(text[i]) != std::u16string_view::npos) break;
    return i;
}

const char16_t* WideStrScan(const char16_t* text, char16_t ch) {
    if (!text) return nullptr;
    for (; *text != 0; ++text)
        if (*text == ch) return text;
    return nullptr;
}

void WideStrSwapByteOrder(char16_t* text) {
    if (!text) return;
    for (; *text != 0; ++text)
        *text = static_cast<char16_t>((*text << 8) | (*text >> 8));
}

std::u16string WideStringOfChar(char16_t ch, std::size_t count) {
    return std::u16string(count, ch);
}

std::u16string WideTrimUnicode(std::u16string_view text) {
    std::size_t first = 0;
    while (first < text.size() && IsTrimmed(text[first]))
        ++first;
    return WideTrimRightUnicode(text.substr(first));
}

std::u16string WideTrimRightUnicode(std::u16string_view text) {
    std::size_t end = text.size();
    while (end > 0 && IsTrimmed(text[end - 1]))
        --end;
    return std::u16string(text.substr(0, end));
}

int CodePageFromLocale(TLocaleId /*locale*/) {
    return rtl::kCodePageUtf8;
}

int KeyboardCodePage() {
    return CodePageFromLocale(kUserDefaultLocale);
}

char16_t KeyboardCharToWide(char ch) {
    const auto text = CodePageToWideEx(std::string_view(&ch, 1), KeyboardCodePage());
    return text.empty() ? u'\0' : text.front();
}

int WideCompareTextLocale(std::u16string_view a, std::u16string_view b, TLocaleId /*locale*/) {
    TUpperCaseReader left(a), right(b);
    for (;;) {
        char32_t l = 0, r = 0;
        const bool hasLeft = left.Next(l);
        const bool hasRight = right.Next(r);
        if (!hasLeft || !hasRight) return hasLeft ? 1 : hasRight ? -1 : 0;
        if (l != r) return l < r ? -1 : 1;
    }
}

std::u16string CodePageToWideEx(std::string_view bytes, int codePage) {
    return rtl::CodePageToUtf16(bytes, codePage);
}

std::string WideToCodePageEx(std::u16string_view text, int codePage) {
    return rtl::Utf16ToCodePage(text, codePage);
}

std::string TranslateCodePage(std::string_view bytes, int fromCodePage, int toCodePage) {
    return rtl::Utf16ToCodePage(rtl::CodePageToUtf16(bytes, fromCodePage), toCodePage);
}

} // namespace core
