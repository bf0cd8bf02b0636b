#include "app/uCodeCompletionItem.h"

#include <array>

namespace app {
namespace {

struct TKindLook {
    const char* Caption;
    ui::TColor Color;
};

constexpr std::array<TKindLook, kCodeCompletionItemKindCount> kKindLooks{{
    {"database", 0x008080},
    {"table", 0x808000},
    {"alias", 0x008000},
    {"column", 0x800080},
    {"function", 0x000000},
    {"procedure", 0x000000},
    {"keyword", 0x800000},
    {"parameter", 0x000080},
    {"variable", 0x000080},
    {"function", 0x008000},
    {"cursor", 0x008000},
    {"condition", 0x008000},
    {"condition", 0x008000},
    {"join", 0x000080},
    {"index", 0x008000},
}};

} // namespace

const char* CodeCompletionItemCaption(TCodeCompletionItemKind kind) {
    return kKindLooks.at(kind).Caption;
}

ui::TColor CodeCompletionItemColor(TCodeCompletionItemKind kind) {
    return kKindLooks.at(kind).Color;
}

bool TCodeCompletionItems::Add(TCodeCompletionItemKind kind, std::string_view name, std::string_view detail,
                               std::string_view insertText, std::string_view context) {
    // Separated, so that kind 1 with name "1id" and kind 11 with name "id" stay two items.
    std::string key = std::to_string(kind);
    key.append(1, '\0').append(name).append(1, '\0').append(context);
    if (!keys_.insert(std::move(key)).second) return false;
    items_.push_back(std::make_unique<TCodeCompletionItem>(
        TCodeCompletionItem{kind, std::string(name), std::string(detail),
                            std::string(insertText.empty() ? name : insertText), std::string(context)}));
    return true;
}

void TCodeCompletionItems::Clear() {
    items_.clear();
    keys_.clear();
}

} // namespace app
