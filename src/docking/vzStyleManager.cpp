#include "docking/vzStyleManager.h"

#include "docking/vzDockingUIStyles.h"
#include "docking/vzDockingUIThemed.h"

#include <algorithm>
#include <cassert>
#include <limits>

namespace docking::uistyle {

TvzUIStyleClasses& UIStyleClasses() {
    static TvzUIStyleClasses classes = [] {
        TvzUIStyleClasses list;
        list.Add<TvzDefaultUIStyle>("Default");
        list.Add<TvzStandardUIStyle>("Standard");
        list.Add<TvzEnhancedUIStyle>("Enhanced");
        list.Add<TvzFlatUIStyle>("Flat");
        list.Add<TvzVS2005UIDockingStyle>("VS2005");
        list.Add<TvzThemedUIStyle>("Themed");
        list.Add<TvzOfficeXPUIStyle>("OfficeXP");
        return list;
    }();
    return classes;
}

// ---- TvzStyles ----

TvzStyles::TvzStyles(TvzStyleManager* manager) : manager_(manager) {
    assert(manager);
    link_.OnChange = [this](ui::TObject* sender) {
        manager_->Notify(TvzStyleManager::nChange, static_cast<TvzDockingUIStyle*>(sender));
    };
}

TvzStyles::~TvzStyles() {
    Clear();
}

TvzDockingUIStyle* TvzStyles::Find(const std::string& name) const {
    for (const Entry& entry : entries_)
        if (entry.name == name) return entry.style;
    return nullptr;
}

void TvzStyles::Add(TvzDockingUIStyle* style) {
    const std::string base = UIStyleClasses().NameOf(typeid(*style));
    std::string name = base;
    if (!style->Predefined()) {
        int64_t n = 1;
        while (Find(base + std::to_string(n)))
            if (++n > std::numeric_limits<int32_t>::max())
                throw rtl::EAssertionFailed("Cannot generate a name for style instance");
        name = base + std::to_string(n);
    }
    entries_.push_back({name, style});
    style->SetCaption(name);
    if (style->Name().empty() && style->Owner())
        style->SetName(UniqueName(style->ClassName().substr(1), style->Owner()));
    style->RegisterChanges(&link_);
    manager_->Notify(TvzStyleManager::nRegister, style);
}

void TvzStyles::Remove(TvzDockingUIStyle* style) {
    const auto it =
        std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.style == style; });
    if (it == entries_.end()) return;
    entries_.erase(it);
    style->UnRegisterChanges(&link_);
    manager_->Notify(TvzStyleManager::nUnRegister, style);
}

void TvzStyles::Clear() {
    while (!entries_.empty())
        delete entries_.back().style; // its destructor takes it off the list
}

void TvzStyles::Assign(const ui::TPersistent* source) {
    const auto* other = dynamic_cast<const TvzStyles*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    Clear();
    for (const Entry& entry : other->entries_) {
        const auto* kind = UIStyleClasses().Find(UIStyleClasses().NameOf(typeid(*entry.style)));
        if (!kind) continue;
        TvzDockingUIStyle* style = kind->create(manager_).release();
        style->Assign(entry.style);
        style->SetPredefined(entry.style->Predefined());
        style->SetParentManager(manager_);
    }
}

// ---- TvzStyleManager ----

TvzStyleManager::TvzStyleManager(ui::TComponent* owner)
    : TComponent(owner), items_(std::make_unique<TvzStyles>(this)) {
    CreatePredefinedStyles();
}

TvzStyleManager::~TvzStyleManager() {
    items_->Clear(); // the styles leave the list while it is still there
    items_.reset();
    for (TvzStylesChangeLink* link : links_)
        link->sender_ = nullptr;
}

void TvzStyleManager::CreatePredefinedStyles() {
    items_->Clear();
    const TvzUIStyleClasses& classes = UIStyleClasses();
    for (int i = 0; i < classes.Count(); ++i) {
        TvzDockingUIStyle* style = classes.Classes(i).create(this).release();
        style->SetPredefined(true);
        style->SetParentManager(this);
    }
}

void TvzStyleManager::SetItems(const TvzStyles* items) {
    if (items)
        items_->Assign(items);
    else
        CreatePredefinedStyles();
}

void TvzStyleManager::RegisterChanges(TvzStylesChangeLink* link) {
    link->sender_ = this;
    links_.push_back(link);
}

void TvzStyleManager::UnRegisterChanges(TvzStylesChangeLink* link) {
    link->sender_ = nullptr;
    std::erase(links_, link);
}

void TvzStyleManager::Notify(Notice notice, TvzDockingUIStyle* style) {
    for (TvzStylesChangeLink* link : std::vector(links_)) {
        auto& h = notice == nChange     ? link->OnStyleChange
                  : notice == nRegister ? link->OnRegister
                                        : link->OnUnRegister;
        if (h) h(style);
    }
    auto& own = notice == nChange ? OnChange : notice == nRegister ? OnRegister : OnUnRegister;
    if (own) own(style);
}

} // namespace docking::uistyle
