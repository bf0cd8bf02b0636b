// A completion candidate: its kind, caption, colour and the list that holds them.
#pragma once

#include "platform/ui/Color.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace app {

// What a completion candidate is; fixes its caption and caption colour.
enum TCodeCompletionItemKind : uint8_t {
    ckDatabase = 0,
    ckTable = 1,
    ckAlias = 2,
    ckColumn = 3,
    ckFunction = 4,
    ckProcedure = 5,
    ckKeyword = 6,
    ckParameter = 7,
    ckVariable = 8,
    ckBuiltinFunction = 9,
    ckCursor = 10,
    ckCondition = 11,
    ckJoinCondition = 12,
    ckJoin = 13,
    ckIndex = 14,
};
inline constexpr int kCodeCompletionItemKindCount = 15;

const char* CodeCompletionItemCaption(TCodeCompletionItemKind kind);
ui::TColor CodeCompletionItemColor(TCodeCompletionItemKind kind);

// One candidate. Texts are UTF-8.
struct TCodeCompletionItem {
    TCodeCompletionItemKind Kind = ckKeyword;
    // Shown in bold and matched by the filter.
    std::string Name;
    // Drawn after the name: a column's or variable's type.
    std::string Detail;
    // What accepting puts into the editor.
    std::string InsertText;
    // Drawn last: a column's table, a routine's parameters, an index's columns.
    std::string Context;
};

// The candidates of one request in the order they were found; an item with the kind, name and
// context of one already present (compared exactly) is not added again.
class TCodeCompletionItems {
public:
    // An empty insert text inserts the name. False when an equal item was there already.
    bool Add(TCodeCompletionItemKind kind, std::string_view name, std::string_view detail = {},
             std::string_view insertText = {}, std::string_view context = {});
    void Clear();
    int Count() const { return static_cast<int>(items_.size()); }
    const TCodeCompletionItem& Items(int index) const { return *items_.at(index); }
    const TCodeCompletionItem& operator[](int index) const { return Items(index); }

private:
    // Items stay where they are while the list grows: the pop-up's tree points at them.
    std::vector<std::unique_ptr<TCodeCompletionItem>> items_;
    std::unordered_set<std::string> keys_;
};

} // namespace app
