// The main window's commands as a table: names, categories, captions, shortcuts and menus.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/ui/Types.h"

namespace ui {
class TAction;
class TActionList;
} // namespace ui

namespace app {

// Every command of the main window: its action's name, category, caption and shortcut text.
struct TMainActionEntry {
    const char* name;
    const char* category;
    const char* caption;
    const char* shortCut;
};

extern const std::vector<TMainActionEntry> kMainActions;

// The main menu: each top-level caption with the names of its actions in order, "-" for a separator.
struct TMainMenuEntry {
    const char* caption;
    std::vector<const char*> actions;
};

extern const std::vector<TMainMenuEntry> kMainMenu;

// The actions of the table in the list, owned by `owner`, by name.
std::map<std::string, ui::TAction*> CreateMainActions(ui::TComponent* owner, ui::TActionList& list);

} // namespace app
