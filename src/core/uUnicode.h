// Unicode character properties: categories, case and white space tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/Set.h"

namespace core {

// The categories a character can belong to: its general category, its bidirectional class and a
// few derived properties. A character carries several at once.
enum TCharacterCategory : std::uint8_t {
    ccLetterUppercase,
    ccLetterLowercase,
    ccLetterTitlecase,
    ccMarkNonSpacing,
    ccMarkSpacingCombining,
    ccMarkEnclosing,
    ccNumberDecimalDigit,
    ccNumberLetter,
    ccNumberOther,
    ccSeparatorSpace,
    ccSeparatorLine,
    ccSeparatorParagraph,
    ccOtherControl,
    ccOtherFormat,
    ccOtherSurrogate,
    ccOtherPrivate,
    ccOtherUnassigned,
    ccLetterModifier,
    ccLetterOther,
    ccPunctuationConnector,
    ccPunctuationDash,
    ccPunctuationOpen,
    ccPunctuationClose,
    ccPunctuationInitialQuote,
    ccPunctuationFinalQuote,
    ccPunctuationOther,
    ccSymbolMath,
    ccSymbolCurrency,
    ccSymbolModifier,
    ccSymbolOther,
    ccLeftToRight,
    ccLeftToRightEmbedding,
    ccLeftToRightOverride,
    ccRightToLeft,
    ccRightToLeftArabic,
    ccRightToLeftEmbedding,
    ccRightToLeftoverride,
    ccPopDirectionalFormat,
    ccEuropeanNumber,
    ccEuropeanNumberSeparator,
    ccEuropeanNumberTerminator,
    ccArabicNumber,
    ccCommonNumberSeparator,
    ccBoundaryNeutral,
    ccSegmentSeparator,
    ccWhiteSpace,
    ccOtherNeutrals,
    ccComposed,
    ccNonBreaking,
    ccSymmetric,
    ccHexDigit,
    ccQuotationMark,
    ccMirroring,
    ccSpaceOther,
    ccAssigned
};

constexpr int kCharacterCategoryCount = ccAssigned + 1;

using TCharacterCategories = rtl::Set<TCharacterCategory, kCharacterCategoryCount>;

// The categories of a character; empty above U+FFFF, which the tables do not cover.
TCharacterCategories UnicodeCategories(char32_t code);
// Whether the character belongs to any of the categories.
bool CategoryLookup(char32_t code, const TCharacterCategories& categories);

bool UnicodeIsControl(char32_t code);
bool UnicodeIsWhiteSpace(char32_t code);
bool UnicodeIsNumber(char32_t code);
bool UnicodeIsAlpha(char32_t code);
bool UnicodeIsIdentifierPart(char32_t code);
bool UnicodeIsNonSpacing(char32_t code);
bool UnicodeIsCombining(char32_t code);
bool UnicodeIsHexDigit(char32_t code);

// Case mappings as lists of code points (several for characters such as U+00DF); the character
// itself when it has no mapping.
std::u32string UnicodeToUpper(char32_t code);
std::u32string UnicodeToLower(char32_t code);
std::u32string UnicodeToTitle(char32_t code);

// One level of decomposition: the canonical one, or with `compatibility` the compatibility one
// when the character has one and the canonical one otherwise. Empty when there is none.
std::u32string UnicodeDecompose(char32_t code, bool compatibility = false);
int CanonicalCombiningClass(char32_t code);
// Whether the pair has a canonical composite in the composition table, and that composite.
bool UnicodeComposePair(char32_t first, char32_t second, char32_t& composite);

enum TNormalizationForm : int {
    nfNone = 0, // unchanged
    nfC = 1,    // canonical decomposition, then composition
    nfD = 2,    // canonical decomposition
    nfKC = 3,   // compatibility decomposition, then composition
    nfKD = 4    // compatibility decomposition
};

std::u16string WideNormalize(std::u16string_view text, TNormalizationForm form);

// The code point at `pos` of UTF-16 text, a surrogate pair joined into one; `pos` moves past it.
// A lone surrogate is returned as it is.
char32_t WideCodePointAt(std::u16string_view text, std::size_t& pos);
// Appends a code point, above U+FFFF as a surrogate pair.
void WideAppendCodePoint(std::u16string& text, char32_t code);

// Routines on zero-terminated UTF-16 texts.
// Index of the first character of `text` that occurs in `set`; the length of `text` when none does;
// -1 when either is missing.
std::ptrdiff_t WideStrFirstOfSet(const char16_t* text, const char16_t* set);
// The first occurrence of `ch` in `text`, or nullptr.
const char16_t* WideStrScan(const char16_t* text, char16_t ch);
void WideStrSwapByteOrder(char16_t* text);

std::u16string WideStringOfChar(char16_t ch, std::size_t count);
// Without white space and control characters at both ends, or at the right end only.
std::u16string WideTrimUnicode(std::u16string_view text);
std::u16string WideTrimRightUnicode(std::u16string_view text);

// A locale identifier. Locales only pick code pages and the comparison, which on this platform
// are the same for all of them.
using TLocaleId = std::uint32_t;
constexpr TLocaleId kUserDefaultLocale = 0x0400;

// The ANSI code page of a locale: UTF-8 (65001) on this platform, whatever the locale.
int CodePageFromLocale(TLocaleId locale);
int KeyboardCodePage();
char16_t KeyboardCharToWide(char ch);

// Case-insensitive comparison giving -1, 0 or 1. Both texts are compared code point by code point
// after upper-case mapping with the character tables; the locale does not change the result.
int WideCompareTextLocale(std::u16string_view a, std::u16string_view b, TLocaleId locale);

std::u16string CodePageToWideEx(std::string_view bytes, int codePage);
std::string WideToCodePageEx(std::u16string_view text, int codePage);
std::string TranslateCodePage(std::string_view bytes, int fromCodePage, int toCodePage);

} // namespace core
