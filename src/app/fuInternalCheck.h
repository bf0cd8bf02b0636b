// The internal check: compiles every routine of the server and lists those the program cannot handle.
#pragma once

#include "platform/ui/Forms.h"

#include <functional>
#include <memory>
#include <string>

namespace core {
class IDBAConnection;
}
namespace ui {
class TButton;
class TLabel;
class TProgressBar;
} // namespace ui
namespace widecontrols {
class TUcLabel;
class TUcMemo;
} // namespace widecontrols

namespace app {

// Compiles every stored procedure and function of the server in a private program and reports those
// the program's own grammar or compiler cannot handle. Nothing is written to the server.
class TInternalCheck {
public:
    // Told after each routine; answers whether to go on.
    using TProgress = std::function<bool(int position, int maximum)>;

    TInternalCheck(std::shared_ptr<core::IDBAConnection> connection, std::string applicationTitle);

    // Fills the report as it goes; a failure to read a routine ends the scan with that failure, the
    // report so far kept. True when every routine was looked at.
    bool Run(const TProgress& progress);

    // Empty when every routine compiled.
    const std::u16string& Report() const { return report_; }
    void AppendLine(std::u16string_view line);

private:
    void AddFinding(const std::u16string& sourceText, const std::string& message);

    std::shared_ptr<core::IDBAConnection> connection_;
    std::string applicationTitle_;
    std::u16string report_;
};

// The dialog over the check: Start runs the scan with the window kept responsive, Cancel stops it
// after the current routine, Close ends the dialog.
class TfmInternalCheck : public ui::TForm {
public:
    TfmInternalCheck(ui::TComponent* owner, std::shared_ptr<core::IDBAConnection> connection);

    ui::TLabel* laProgress;
    ui::TProgressBar* pbProgress;
    ui::TLabel* laProgressDetails;
    ui::TLabel* laReport;
    widecontrols::TUcMemo* edReport;
    widecontrols::TUcLabel* laNote;
    ui::TButton* buButton;

private:
    void buButtonClick();
    void RunScan();
    bool ShowProgress(int position, int maximum);

    std::shared_ptr<core::IDBAConnection> connection_;
    std::unique_ptr<TInternalCheck> check_;
    bool started_ = false;
    bool finished_ = false;
    bool cancelRequested_ = false;
};

// Shows the internal check modally; true when it closed after a complete scan.
bool ShowInternalCheck(ui::TComponent* owner, std::shared_ptr<core::IDBAConnection> connection);

} // namespace app
