// What the tool windows' frames share: named actions in the frame's action list and pop-up menus
// made of them.
#pragma once

#include "platform/ui/Actions.h"
#include "platform/ui/Menus.h"

#include <functional>
#include <initializer_list>
#include <string>

namespace app {

// A new action of `list` with its component name, caption and handler.
ui::TAction* AddFrameAction(ui::TActionList& list, const std::string& name, const std::string& caption,
                            std::function<void()> execute);

// One menu item per action, a separator for null; `defaultAction`'s item is the default one.
void AddMenuItems(ui::TPopupMenu& menu, std::initializer_list<ui::TAction*> actions,
                  const ui::TAction* defaultAction = nullptr);

// The list's OnUpdate runs `update` for any of its actions.
void SetFrameUpdate(ui::TActionList& list, std::function<void()> update);

} // namespace app
