#include "components/uMacros.h"

#include "dataaccess/store/uCRParser.h"
#include "dataaccess/store/uDataUtils.h"
#include "platform/data/Component.h"
#include "platform/data/DataError.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"

#include <cctype>
#include <memory>
#include <vector>

namespace components {

using namespace data;

namespace {

std::unique_ptr<dataaccess::TSQLParser> NewSQLParser(std::string text) {
    return std::make_unique<dataaccess::TSQLParser>(std::move(text));
}

// A keyword of the dialect: a table code spelled with letters (symbols have table codes too).
bool IsKeyword(int code, const std::string& lexem) {
    return code > 0 && !lexem.empty() && std::isalpha(static_cast<unsigned char>(lexem[0]));
}

// Reads the name of a reference whose macro character was just read; false (and the lexeme after
// the macro character in `after`) when it starts none.
bool ReadMacroName(dataaccess::TSQLParser& parser, std::string& name, std::string& after) {
    int code = parser.NextLexem(after);
    if (code == dataaccess::lxIdent || IsKeyword(code, after)) {
        name = after;
        return true;
    }
    if (code != dataaccess::lxNumber || !parser.NumericMacroNames()) return false;
    name = after;
    std::string next;
    const int64_t end = parser.CurrentOffset();
    code = parser.NextLexem(next);
    if ((code == dataaccess::lxIdent || IsKeyword(code, next)) && parser.PrevOffset() == end)
        name += next;
    else
        parser.Back();
    return true;
}

// Walks the lexemes of `text`: `onMacro` for each reference, `onText` for everything else.
template <class OnMacro, class OnText>
void ForEachLexeme(dataaccess::TSQLParserClass parserClass, const std::string& text, bool keepQuotes,
                   OnMacro onMacro, OnText onText) {
    const std::unique_ptr<dataaccess::TSQLParser> parser = parserClass(text);
    parser->SetSkipBlanks(false);
    parser->SetSkipComments(false);
    parser->SetUpperKeywords(false);
    parser->SetKeepQuotes(keepQuotes);
    std::string lexem;
    for (int code = parser->NextLexem(lexem); code != dataaccess::lxEnd; code = parser->NextLexem(lexem)) {
        if (lexem.size() != 1 || lexem[0] != kMacroChar || !parser->MacroAllowed(code)) {
            onText(lexem);
            continue;
        }
        std::string name, after;
        if (ReadMacroName(*parser, name, after)) {
            onMacro(name);
        } else {
            onText(lexem);
            onText(after);
        }
    }
}

struct MacroEntry {
    std::string name, value;
    bool active;
};

} // namespace

// ---- TMacro

TMacros* TMacro::Macros() const {
    return static_cast<TMacros*>(Collection());
}

void TMacro::SetValue(const std::string& value) {
    if (value == value_) return;
    value_ = value;
    if (Macros()) Macros()->NotifyOwner(this);
}

void TMacro::SetActive(bool value) {
    if (value == active_) return;
    active_ = value;
    if (Macros()) Macros()->NotifyOwner(this);
}

void TMacro::AssignTo(TPersistent* dest) const {
    auto* macro = dynamic_cast<TMacro*>(dest);
    if (!macro) {
        TCollectionItem::AssignTo(dest);
        return;
    }
    macro->name_ = name_;
    macro->SetValue(value_);
    macro->SetActive(active_);
}

// ---- TMacros

TMacros::TMacros(TComponent* owner)
    : TCollection(&ItemClassOf<TMacro>), owner_(owner), parserClass_(&NewSQLParser) {}

TMacro* TMacros::FindMacro(std::string_view name) const {
    for (int i = 0; i < Count(); ++i)
        if (dataaccess::SameTextAnsi(Items(i)->Name(), name)) return Items(i);
    return nullptr;
}

TMacro* TMacros::MacroByName(std::string_view name) const {
    TMacro* macro = FindMacro(name);
    if (!macro) DatabaseError(rtl::Format("Macro %s not found", name), owner_);
    return macro;
}

void TMacros::Scan(const std::string& text) {
    if (text.find(kMacroChar) == std::string::npos) {
        Clear();
        return;
    }
    std::vector<MacroEntry> found;
    ForEachLexeme(
        parserClass_, text, false,
        [&](const std::string& name) {
            for (const MacroEntry& entry : found)
                if (dataaccess::SameTextAnsi(entry.name, name)) return;
            if (const TMacro* existing = FindMacro(name))
                found.push_back({existing->Name(), existing->Value(), existing->Active()});
            else
                found.push_back({name, "", true});
        },
        [](const std::string&) {});
    bool same = static_cast<int>(found.size()) == Count();
    for (int i = 0; same && i < Count(); ++i) {
        const TMacro* macro = Items(i);
        same = macro->Name() == found[i].name && macro->Value() == found[i].value &&
               macro->Active() == found[i].active;
    }
    if (same) return;
    BeginUpdate();
    rtl::Finally(
        [&] {
            Clear();
            for (const MacroEntry& entry : found) {
                auto* macro = static_cast<TMacro*>(Add());
                macro->SetName(entry.name);
                macro->SetValue(entry.value);
                macro->SetActive(entry.active);
            }
        },
        [&] { EndUpdate(); });
}

void TMacros::Expand(std::string& text) const {
    std::string result;
    ForEachLexeme(
        parserClass_, text, true,
        [&](const std::string& name) {
            if (const TMacro* macro = FindMacro(name)) result += GetMacroValue(*macro);
        },
        [&](const std::string& lexem) { result += lexem; });
    text = std::move(result);
}

bool TMacros::IsEqual(const TMacros& other) const {
    if (&other == this) return true;
    if (other.Count() != Count()) return false;
    for (int i = 0; i < Count(); ++i) {
        const TMacro *a = Items(i), *b = other.Items(i);
        if (a->Name() != b->Name() || a->Value() != b->Value() || a->Active() != b->Active()) return false;
    }
    return true;
}

void TMacros::Update(TCollectionItem* item) {
    NotifyOwner(nullptr);
}

void TMacros::NotifyOwner(const TMacro* macro) {
    if (UpdateCount() > 0 || !OnChange) return;
    OnChange(macro);
}

} // namespace components
