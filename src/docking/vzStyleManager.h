// The painting styles by name and the component that picks the current one.
#pragma once

#include "docking/vzDockingUI.h"
#include "docking/vzDockUtils.h"

namespace docking::uistyle {

// The painting styles by name, in the order the style manager makes them.
using TvzUIStyleClasses = TvzClassList<TvzDockingUIStyle, ui::TComponent*>;
TvzUIStyleClasses& UIStyleClasses();

// Tells a listener that a style of a manager changed, arrived or left.
class TvzStylesChangeLink : public TvzChangeLink {
public:
    using TvzChangeLink::TvzChangeLink;
    TvzStyleManager* Sender() const { return sender_; }
    std::function<void(TvzDockingUIStyle*)> OnStyleChange;
    std::function<void(TvzDockingUIStyle*)> OnRegister;
    std::function<void(TvzDockingUIStyle*)> OnUnRegister;

private:
    friend class TvzStyleManager;
    TvzStyleManager* sender_ = nullptr;
};

// The styles of a manager under their display names, in the order they joined.
class TvzStyles : public ui::TPersistent {
public:
    explicit TvzStyles(TvzStyleManager* manager);
    ~TvzStyles() override;

    int Count() const { return static_cast<int>(entries_.size()); }
    TvzDockingUIStyle* Styles(int index) const { return entries_.at(index).style; }
    const std::string& Names(int index) const { return entries_.at(index).name; }
    // The style listed under `name`, or none.
    TvzDockingUIStyle* Find(const std::string& name) const;

    // A predefined style is listed under its class's registered name, any other under that name and the
    // first free number ("Themed1").
    void Add(TvzDockingUIStyle* style);
    void Remove(TvzDockingUIStyle* style);
    // Frees every style, last first.
    void Clear();
    // Replaces the styles with new ones of the same classes and values.
    void Assign(const ui::TPersistent* source) override;

private:
    struct Entry {
        std::string name;
        TvzDockingUIStyle* style;
    };
    TvzStyleManager* manager_;
    std::vector<Entry> entries_;
    TvzStyleChangeLink link_;
};

// Owns one style of every registered class, and any made by hand, and tells listeners of their
// changes, arrivals and departures.
class TvzStyleManager : public ui::TComponent {
public:
    explicit TvzStyleManager(ui::TComponent* owner = nullptr);
    ~TvzStyleManager() override;

    TvzStyles* Items() const { return items_.get(); }
    // None: the predefined styles again, and only them.
    void SetItems(const TvzStyles* items);
    // Frees every style and makes one of each registered class.
    void CreatePredefinedStyles();
    // A new style of class `T` in this manager's list.
    template <class T>
    T* AddStyle() {
        auto* style = new T(this);
        style->SetParentManager(this);
        return style;
    }

    void RegisterChanges(TvzStylesChangeLink* link);
    void UnRegisterChanges(TvzStylesChangeLink* link);
    std::function<void(TvzDockingUIStyle*)> OnChange;
    std::function<void(TvzDockingUIStyle*)> OnRegister;
    std::function<void(TvzDockingUIStyle*)> OnUnRegister;

private:
    friend class TvzStyles;
    enum Notice { nChange, nRegister, nUnRegister };
    void Notify(Notice notice, TvzDockingUIStyle* style);

    std::unique_ptr<TvzStyles> items_;
    std::vector<TvzStylesChangeLink*> links_;
};

} // namespace docking::uistyle
