// The watch list window: expressions re-evaluated at every stop.
#pragma once

#include "platform/ui/Actions.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"

#include <string>
#include <string_view>
#include <vector>

namespace engine {
class TVeltrane;
}

namespace widecontrols {
class TUcListBox;
}

namespace app {

// What a watch shows: "<disabled>" when unchecked, its value (or the error's message) at a stop, and
// "[process not accessible]" otherwise.
std::u16string WatchValueText(engine::TVeltrane& veltrane, std::u16string_view expression, bool enabled);

// The expressions the user watches at every stop, each with a check mark that enables it. Each line
// shows the check mark, the expression and its value.
class TfrmWatchList : public ui::TFrame {
public:
    TfrmWatchList(ui::TComponent* owner, engine::TVeltrane* veltrane);

    void AddWatch(std::u16string_view expression);
    void AddWatchDialog();
    void EditWatchDialog();
    void Refresh();
    // The expressions as comma text, each in UTF-8.
    std::string GetWatchesText() const;
    void SetWatchesText(std::string_view text);

    int WatchCount() const { return static_cast<int>(watches_.size()); }
    const std::u16string& Expression(int index) const { return watches_.at(index).expression; }
    const std::u16string& ValueText(int index) const { return watches_.at(index).value; }
    bool Checked(int index) const { return watches_.at(index).enabled; }
    // The user's check mark: unchecking shows "<disabled>" at once, checking evaluates again.
    void SetChecked(int index, bool checked);

    widecontrols::TUcListBox* lvWatches;
    ui::TActionList* alFrame;
    ui::TPopupMenu* pmWatches;
    ui::TAction* aAdd = nullptr;
    ui::TAction* aEdit = nullptr;
    ui::TAction* aCopyValue = nullptr;
    ui::TAction* aDelete = nullptr;

private:
    struct TWatch {
        std::u16string expression;
        bool enabled = true;
        std::u16string value;
    };

    void EvaluateWatch(int index);
    void ShowWatch(int index);
    void alFrameUpdate();
    void aDeleteExecute();
    void aCopyValueExecute();

    engine::TVeltrane* veltrane_;
    std::vector<TWatch> watches_;
};

} // namespace app
