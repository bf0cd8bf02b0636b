// Named pieces of text substituted for "&name" in SQL before it is sent.
#pragma once

#include "dataaccess/server/uCRCommand.h"
#include "platform/data/Collection.h"

#include <functional>
#include <string>
#include <string_view>

namespace data {
class TComponent;
}

namespace components {

// The character that starts a macro reference in SQL text.
inline constexpr char kMacroChar = '&';

class TMacros;

// A named piece of text substituted for "&name" in SQL before it is sent.
class TMacro : public data::TCollectionItem {
public:
    explicit TMacro(data::TCollection* macros) : TCollectionItem(macros) {}

    TMacros* Macros() const;
    const std::string& Name() const { return name_; }
    void SetName(const std::string& value) { name_ = value; }
    const std::string& Value() const { return value_; }
    // A different text (compared with case) tells the owner.
    void SetValue(const std::string& value);
    // An inactive macro expands to nothing.
    bool Active() const { return active_; }
    void SetActive(bool value);

protected:
    void AssignTo(data::TPersistent* dest) const override;
    std::string GetDisplayName() const override {
        return name_.empty() ? TCollectionItem::GetDisplayName() : name_;
    }

private:
    std::string name_;
    std::string value_;
    bool active_ = true;
};

// The macros of an SQL text: found with the SQL lexer (never inside strings or comments), kept with
// their values across rescans, expanded into the text.
class TMacros : public data::TCollection {
public:
    // Told when a value, an active flag or the collection changed (the macro, or null for the whole
    // collection); the owner rebuilds its final text.
    using TChangeEvent = std::function<void(const TMacro* macro)>;

    explicit TMacros(data::TComponent* owner = nullptr);

    data::TComponent* OwnerComponent() const { return owner_; }
    TMacro* Items(int index) const { return static_cast<TMacro*>(TCollection::Items(index)); }
    TMacro* operator[](int index) const { return Items(index); }
    void SetParserClass(dataaccess::TSQLParserClass parserClass) { parserClass_ = parserClass; }

    // Case-insensitive; null when there is none.
    TMacro* FindMacro(std::string_view name) const;
    // EDatabaseError "Macro %s not found".
    TMacro* MacroByName(std::string_view name) const;
    // Rebuilds the collection from the names referenced in `text`, keeping the values of the names
    // that stay; an unchanged collection is left alone (no change notice).
    void Scan(const std::string& text);
    // Replaces every reference by its macro's value; a reference to an unknown name disappears.
    void Expand(std::string& text) const;
    // Same names, values and active flags in the same order.
    bool IsEqual(const TMacros& other) const;
    virtual std::string GetMacroValue(const TMacro& macro) const {
        return macro.Active() ? macro.Value() : "";
    }

    TChangeEvent OnChange;

protected:
    void Update(data::TCollectionItem* item) override;

private:
    friend class TMacro;
    void NotifyOwner(const TMacro* macro);

    data::TComponent* owner_;
    dataaccess::TSQLParserClass parserClass_;
};

} // namespace components
