// Small containers: an ordered list of integers and lists of quote pairs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// An ordered list of 32-bit integers; duplicates allowed.
class TIntegerList {
public:
    int Add(int32_t value);
    int Count() const { return static_cast<int>(items_.size()); }
    int32_t Get(int index) const;
    void Put(int index, int32_t value);
    // Removes the first item equal to the value; returns its former index, -1 when absent.
    int Remove(int32_t value);
    void Clear() { items_.clear(); }
    bool Contains(int32_t value) const;

private:
    void CheckIndex(int index) const;

    std::vector<int32_t> items_;
};

// An opening and a closing quote, both non-empty.
class TQuotePair {
public:
    TQuotePair(std::string openQuote, std::string closeQuote);

    const std::string& OpenQuote() const { return openQuote_; }
    const std::string& CloseQuote() const { return closeQuote_; }

private:
    std::string openQuote_;
    std::string closeQuote_;
};

// An ordered list of quote pairs, such as a tokenizer's string or identifier quotes.
class TQuotePairs {
public:
    int Add(std::string openQuote, std::string closeQuote);
    // A pair whose opening and closing quote are the same string.
    int AddQuote(const std::string& quote) { return Add(quote, quote); }
    // The first pair with the string as its opening or closing quote (case-sensitive), or null.
    // The pointer is valid until the list changes.
    const TQuotePair* FindPair(std::string_view quote) const;
    // The other quote of the pair that holds the string; empty when no pair holds it.
    std::string MatchingQuote(std::string_view quote) const;
    bool IsQuote(std::string_view quote) const { return FindPair(quote) != nullptr; }

    const TQuotePair& Items(int index) const;
    int Count() const { return static_cast<int>(pairs_.size()); }
    void Clear() { pairs_.clear(); }

private:
    std::vector<TQuotePair> pairs_;
};

} // namespace core
