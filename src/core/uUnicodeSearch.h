// Search engines that find every match of a pattern in UTF-16 text, and their flags.
#pragma once

#include <cstddef>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace core {

// Search flags (a set of bits).
enum TSearchFlag : unsigned {
    sfCaseSensitive = 1,    // characters must be equal; otherwise any case variant matches
    sfIgnoreNonSpacing = 2, // non-spacing marks are dropped from the pattern and skipped in the text
    sfSpaceCompress = 4,    // a run of white space and control characters matches one space
    sfWholeWordOnly = 8     // the match must not touch an identifier character on either side
};
using TSearchFlags = unsigned;

// One match: 0-based offsets in UTF-16 code units, `stop` just after the match.
struct TSearchResult {
    std::size_t start = 0;
    std::size_t stop = 0;
    friend bool operator==(const TSearchResult&, const TSearchResult&) = default;
};

// A search engine collects every match of a prepared pattern as a (start, stop) pair.
class TSearchEngine {
public:
    // `owner` is kept for the creator's sake; the engine never uses it.
    explicit TSearchEngine(void* owner) : owner_(owner) {}
    virtual ~TSearchEngine() = default;
    TSearchEngine(const TSearchEngine&) = delete;
    TSearchEngine& operator=(const TSearchEngine&) = delete;

    void* Owner() const { return owner_; }
    std::size_t Count() const { return results_.size(); }
    void AddResult(std::size_t start, std::size_t stop) { results_.push_back({start, stop}); }
    // Clears the results and the prepared pattern.
    virtual void Clear() { ClearResults(); }
    void ClearResults() { results_.clear(); }
    void DeleteResult(std::size_t index);
    const TSearchResult& GetResult(std::size_t index) const;

    virtual void FindPrepare(std::u16string_view pattern, TSearchFlags flags) = 0;
    void FindPrepare(const char16_t* pattern, std::size_t length, TSearchFlags flags) {
        FindPrepare(std::u16string_view(pattern, length), flags);
    }
    // Clears the results and records the first match; true when there is one.
    virtual bool FindFirst(std::u16string_view text);
    bool FindFirst(const char16_t* text, std::size_t length) {
        return FindFirst(std::u16string_view(text, length));
    }
    // Clears the results and records every match left to right, each search continuing after the
    // previous match; true when there is at least one.
    virtual bool FindAll(std::u16string_view text);
    bool FindAll(const char16_t* text, std::size_t length) {
        return FindAll(std::u16string_view(text, length));
    }

protected:
    // The first match that starts at `from` or later; the text before `from` only borders it.
    virtual bool FindFrom(std::u16string_view text, std::size_t from, TSearchResult& result) const = 0;

private:
    void* owner_;
    std::vector<TSearchResult> results_;
};

// Boyer-Moore search with a skip table over the case variants of the pattern's characters.
class TUTBMSearch : public TSearchEngine {
public:
    using TSearchEngine::FindPrepare;
    using TSearchEngine::TSearchEngine;

    void Clear() override;
    void FindPrepare(std::u16string_view pattern, TSearchFlags flags) override;

private:
    // One pattern character with the first code points of its upper, lower and title case mappings
    // (all three the character itself when searching case-sensitively). Under sfSpaceCompress a
    // space stands for a run of white space and control characters.
    struct TPatternChar {
        char32_t upper, lower, title;
        bool space;
    };
    // How far the cursor may move when it rests on a character: `skip` while looking for the last
    // pattern character, `shift` after a failed comparison there.
    struct TSkip {
        std::size_t skip, shift;
    };

    void ClearPattern();
    bool Prepared() const { return !pattern_.empty(); }
    bool Matches(const TPatternChar& p, char32_t c) const;
    bool IsSpaceRun(char32_t c) const;
    TSkip SkipFor(char32_t c, std::size_t length) const;
    // The match whose last character starts at `cursor`, compared backwards down to `from`.
    bool MatchAt(std::u16string_view text, std::size_t from, std::size_t cursor, TSearchResult& result) const;
    bool IsWholeWord(std::u16string_view text, const TSearchResult& match) const;
    bool FindFrom(std::u16string_view text, std::size_t from, TSearchResult& result) const override;

    TSearchFlags flags_ = 0;
    std::vector<TPatternChar> pattern_;
    std::size_t length_ = 0;                    // UTF-16 units of the prepared pattern
    std::size_t lastStart_ = 0;                 // UTF-16 offset of the last pattern character
    std::unordered_map<char32_t, TSkip> skips_; // by case variant
    TSkip spaceSkip_{0, 0};                     // for the compressed space, when the pattern has one
    bool hasSpace_ = false;
};

} // namespace core
