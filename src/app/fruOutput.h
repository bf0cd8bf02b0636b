// The output window: the messages of a run, each line with its image.
#pragma once

#include "platform/ui/Actions.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ListControls.h"
#include "platform/ui/Menus.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace core {
class IEvent;
}

namespace engine {
class IDebuggMessageEvent;
class TVeltrane;
} // namespace engine

namespace app {

// One line of the output window: its caption and the index of its image in the message images.
struct TOutputLine {
    std::string caption;
    int imageIndex = 0;

    bool operator==(const TOutputLine&) const = default;
};

// Warnings, errors and information show their text; statement results their row count and time.
// A kind the window does not know raises "Unknown message type".
TOutputLine OutputLine(const engine::IDebuggMessageEvent& message);

// Opens a statement's routine at its line.
using TGoToCodeEvent =
    std::function<void(const std::string& routineName, std::uint8_t routineKind, int line)>;

// The messages of debugging runs, one line each; a statement's line opens its routine or its rows.
// Messages of the debug thread are handed to the UI thread in their order.
class TfrmOutput : public ui::TFrame {
public:
    TfrmOutput(ui::TComponent* owner, engine::TVeltrane* veltrane, TGoToCodeEvent goToCode);
    ~TfrmOutput() override;

    void Clear();
    void DebugMessage(const std::shared_ptr<core::IEvent>& event);
    void FocusList();

    int MessageCount() const { return static_cast<int>(messages_.size()); }
    // The image of each line, in list order (the list shows the captions).
    const std::vector<int>& ImageIndexes() const { return imageIndexes_; }

    ui::TListBox* lvItems;
    ui::TActionList* alFrame;
    ui::TPopupMenu* pmMessages;
    ui::TAction* aGoToCode = nullptr;
    ui::TAction* aShowResults = nullptr;
    ui::TAction* aClear = nullptr;

private:
    void AddMessage(const std::shared_ptr<engine::IDebuggMessageEvent>& message);
    const engine::IDebuggMessageEvent* SelectedMessage() const;
    void alFrameUpdate();
    void aGoToCodeExecute();
    void aShowResultsExecute();

    engine::TVeltrane* veltrane_;
    TGoToCodeEvent goToCode_;
    std::vector<std::shared_ptr<engine::IDebuggMessageEvent>> messages_;
    std::vector<int> imageIndexes_;
};

} // namespace app
