// What the tool windows' frames share: named actions in the frame's action list, pop-up menus made of
// them, and lines with a check mark.
#pragma once

#include "platform/ui/Actions.h"
#include "platform/ui/Menus.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace app {

// A new action of `list` with its component name, caption and handler.
ui::TAction* AddFrameAction(ui::TActionList& list, const std::string& name, const std::string& caption,
                            std::function<void()> execute);

// One menu item per action, a separator for null; `defaultAction`'s item is the default one.
void AddMenuItems(ui::TPopupMenu& menu, std::initializer_list<ui::TAction*> actions,
                  const ui::TAction* defaultAction = nullptr);

// The list's OnUpdate runs `update` for any of its actions.
void SetFrameUpdate(ui::TActionList& list, std::function<void()> update);

// A list line that shows a check mark before its text.
std::u16string CheckMarkedLine(bool checked, std::u16string_view text);

} // namespace app
