#include "core/uContainers.h"

#include "platform/rtl/Exception.h"

#include <algorithm>

namespace core {

int TIntegerList::Add(int32_t value) {
    items_.push_back(value);
    return Count() - 1;
}

void TIntegerList::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) rtl::ListIndexError(index);
}

int32_t TIntegerList::Get(int index) const {
    CheckIndex(index);
    return items_[index];
}

void TIntegerList::Put(int index, int32_t value) {
    CheckIndex(index);
    items_[index] = value;
}

int TIntegerList::Remove(int32_t value) {
    auto it = std::find(items_.begin(), items_.end(), value);
    if (it == items_.end()) return -1;
    int index = static_cast<int>(it - items_.begin());
    items_.erase(it);
    return index;
}

bool TIntegerList::Contains(int32_t value) const {
    return std::find(items_.begin(), items_.end(), value) != items_.end();
}

TQuotePair::TQuotePair(std::string openQuote, std::string closeQuote)
    : openQuote_(std::move(openQuote)), closeQuote_(std::move(closeQuote)) {
    RTL_ASSERT(!openQuote_.empty() && !closeQuote_.empty());
}

int TQuotePairs::Add(std::string openQuote, std::string closeQuote) {
    pairs_.emplace_back(std::move(openQuote), std::move(closeQuote));
    return Count() - 1;
}

const TQuotePair* TQuotePairs::FindPair(std::string_view quote) const {
    for (const TQuotePair& pair : pairs_) {
        if (pair.CloseQuote() == quote || pair.OpenQuote() == quote) return &pair;
    }
    return nullptr;
}

std::string TQuotePairs::MatchingQuote(std::string_view quote) const {
    const TQuotePair* pair = FindPair(quote);
    if (!pair) return {};
    return pair->OpenQuote() == quote ? pair->CloseQuote() : pair->OpenQuote();
}

const TQuotePair& TQuotePairs::Items(int index) const {
    if (index < 0 || index >= Count()) rtl::ListIndexError(index);
    return pairs_[index];
}

} // namespace core
