#include "dataaccess/server/uCRTableInfo.h"

#include "dataaccess/store/uDataUtils.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/ScopeExit.h"

#include <algorithm>

namespace dataaccess {

// ---- TTableInfoClass

std::unique_ptr<TCRTableInfo> TTableInfoClass::Create(TCRTablesInfo* owner) const {
    return std::make_unique<TCRTableInfo>(owner);
}

std::string TTableInfoClass::NormalizeName(std::string_view name, bool alwaysQuote) const {
    return NormalizeNameWith(name, LeftQuote(), RightQuote(), alwaysQuote);
}

std::string TTableInfoClass::NormalizeNameWith(std::string_view name, char leftQuote, char rightQuote,
                                               bool alwaysQuote) const {
    if (name.empty()) return std::string();
    const size_t dot = name.find('.');
    if (dot != std::string_view::npos)
        return NormalizeName(name.substr(0, dot), alwaysQuote) + "." +
               NormalizeName(name.substr(dot + 1), alwaysQuote);
    if (!alwaysQuote && !QuotesNeeded(name)) return UnquoteName(name);
    if (IsQuoted(name)) return std::string(name);
    // The closing quote is doubled inside, so that the quoted name reads back as written.
    std::string result(1, leftQuote);
    for (const char ch : name) {
        if (ch == rightQuote) result.push_back(ch);
        result.push_back(ch);
    }
    result.push_back(rightQuote);
    return result;
}

bool TTableInfoClass::IsQuoted(std::string_view name) const {
    return name.size() > 1 && name.front() == LeftQuote() && name.back() == RightQuote();
}

bool TTableInfoClass::QuotesNeeded(std::string_view name) const {
    const std::string raw = UnquoteName(name);
    return std::any_of(raw.begin(), raw.end(), [](char ch) {
        return !((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') ||
                 ch == '_');
    });
}

std::string TTableInfoClass::UnquoteName(std::string_view name) const {
    if (IsQuoted(name)) return std::string(name.substr(1, name.size() - 2));
    return std::string(name);
}

// ---- TCRTableInfo

const TTableInfoClass& TCRTableInfo::Class() {
    static const TTableInfoClass instance;
    return instance;
}

void TCRTableInfo::SetTableName(const std::string& value) {
    tableName_ = value;
    if (owner_) owner_->RebuildNameIndex();
}

void TCRTableInfo::SetTableAlias(const std::string& value) {
    tableAlias_ = value;
    if (owner_) owner_->RebuildAliasIndex();
}

// ---- TCRTablesInfo

void TCRTablesInfo::Add(std::unique_ptr<TCRTableInfo> item) {
    item->SetIndex(Count());
    items_.push_back(std::move(item));
}

TCRTableInfo* TCRTablesInfo::NewItem() {
    Add(tableInfoClass_->Create(this));
    return items_.back().get();
}

void TCRTablesInfo::Clear() {
    items_.clear();
    nameIndex_.clear();
    aliasIndex_.clear();
    namesNormalized_ = false;
}

TCRTableInfo* TCRTablesInfo::Items(int index) const {
    if (index < 0 || index >= Count()) rtl::ListIndexError(index);
    return items_[static_cast<size_t>(index)].get();
}

int TCRTablesInfo::IndexOf(const TCRTableInfo* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == item) return static_cast<int>(i);
    return -1;
}

int TCRTablesInfo::IndexByName(std::string_view name) const {
    return Lookup(nameIndex_, name, false);
}

int TCRTablesInfo::IndexByAlias(std::string_view alias) const {
    return Lookup(aliasIndex_, alias, true);
}

int TCRTablesInfo::Lookup(const TIndex& index, std::string_view key, bool byAlias) const {
    const std::string wanted =
        namesNormalized_ ? tableInfoClass_->NormalizeName(key, false) : std::string(key);
    if (updateCount_ > 0) {
        for (const auto& item : items_)
            if (SameTextAnsi(byAlias ? item->TableAlias() : item->TableName(), wanted)) return item->Index();
        return -1;
    }
    const auto found =
        std::lower_bound(index.begin(), index.end(), wanted, [](const auto& entry, const std::string& k) {
            return CompareTextAnsi(entry.first, k) < 0;
        });
    if (found == index.end() || CompareTextAnsi(found->first, wanted) != 0) return -1;
    return found->second;
}

void TCRTablesInfo::EndUpdate() {
    --updateCount_;
    RebuildNameIndex();
    RebuildAliasIndex();
}

void TCRTablesInfo::NormalizeNames() {
    BeginUpdate();
    rtl::Finally(
        [&] {
            for (const auto& item : items_) {
                item->SetTableName(tableInfoClass_->NormalizeName(item->TableName(), false));
                item->SetTableAlias(tableInfoClass_->NormalizeName(item->TableAlias(), false));
                item->SetTableNameFull(tableInfoClass_->NormalizeName(item->GetTableNameFull(), false));
            }
        },
        [&] { EndUpdate(); });
    namesNormalized_ = true;
}

void TCRTablesInfo::RebuildNameIndex() {
    if (updateCount_ > 0) return;
    TIndex entries;
    for (const auto& item : items_)
        entries.emplace_back(item->TableName(), item->Index());
    RebuildIndex(nameIndex_, std::move(entries));
}

void TCRTablesInfo::RebuildAliasIndex() {
    if (updateCount_ > 0) return;
    TIndex entries;
    for (const auto& item : items_)
        entries.emplace_back(item->TableAlias(), item->Index());
    RebuildIndex(aliasIndex_, std::move(entries));
}

// Equal names keep the order of their entries, so a lookup finds the first of them.
void TCRTablesInfo::RebuildIndex(TIndex& index, TIndex entries) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return CompareTextAnsi(a.first, b.first) < 0; });
    index = std::move(entries);
}

} // namespace dataaccess
