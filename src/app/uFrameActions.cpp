#include "app/uFrameActions.h"

namespace app {

ui::TAction* AddFrameAction(ui::TActionList& list, const std::string& name, const std::string& caption,
                            std::function<void()> execute) {
    auto* action = new ui::TAction(list.Owner());
    action->SetName(name);
    action->SetCaption(caption);
    action->SetActionList(&list);
    action->OnExecute = [execute = std::move(execute)](ui::TObject*) { execute(); };
    return action;
}

void AddMenuItems(ui::TPopupMenu& menu, std::initializer_list<ui::TAction*> actions,
                  const ui::TAction* defaultAction) {
    for (ui::TAction* action : actions) {
        auto* item = new ui::TMenuItem(&menu);
        if (action)
            item->SetAction(action);
        else
            item->SetCaption("-");
        item->SetDefault(action && action == defaultAction);
        menu.Items()->Add(item);
    }
}

void SetFrameUpdate(ui::TActionList& list, std::function<void()> update) {
    list.OnUpdate = [update = std::move(update)](ui::TBasicAction*, bool& handled) {
        update();
        handled = true;
    };
}

std::u16string CheckMarkedLine(bool checked, std::u16string_view text) {
    return (checked ? u"\u2611 " : u"\u2610 ") + std::u16string(text);
}

} // namespace app
