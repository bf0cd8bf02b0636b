#include "app/fuInternalCheck.h"

#include "app/uVeltraneApplicationInfo.h"
#include "app/uWindowFileHelpers.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/ui/Application.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Labels.h"
#include "platform/ui/ProgressBars.h"
#include "widecontrols/uUcStdCtrls.h"

#include "core/uDataValues.h"
#include "core/uDBAConnection.h"
#include "engine/model/uMetadataImp.h"
#include "engine/server/uDBAProgram.h"
#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"

namespace app {
namespace {

constexpr const char* kRoutineQuery =
    "SELECT CONCAT(R.ROUTINE_SCHEMA, '.', R.ROUTINE_NAME) as FULL_NAME, R.ROUTINE_TYPE, R.ROUTINE_SCHEMA, "
    "R.ROUTINE_NAME FROM INFORMATION_SCHEMA.ROUTINES R";

// Where the bug report of the check is to be sent.
constexpr const char* kSupportAddress = "support@veltrane.example";

// The server's "does not exist" of a stored routine.
constexpr int kRoutineDoesNotExist = 1305;

std::string BackQuoted(const std::string& name) {
    std::string quoted = "`";
    for (char c : name)
        quoted += c == '`' ? std::string("``") : std::string(1, c);
    return quoted + "`";
}

} // namespace

TInternalCheck::TInternalCheck(std::shared_ptr<core::IDBAConnection> connection, std::string applicationTitle)
    : connection_(std::move(connection)), applicationTitle_(std::move(applicationTitle)) {
    RTL_ASSERT(connection_ && connection_->GetConnected());
}

void TInternalCheck::AppendLine(std::u16string_view line) {
    if (!report_.empty()) report_ += u"\r\n";
    report_ += line;
}

void TInternalCheck::AddFinding(const std::u16string& sourceText, const std::string& message) {
    if (report_.empty()) {
        const std::string version =
            connection_->Evaluate(u"SHOW VARIABLES LIKE 'version'", false, 1)->AsString().AsString();
        report_ = rtl::Utf8ToUtf16("Internal check report\r\n\r\nApplication: " + applicationTitle_ +
                                   "\r\nMySQL version: " + version + "\r\n" + std::string(83, '-'));
    }
    AppendLine(sourceText);
    AppendLine(rtl::Utf8ToUtf16(message));
    AppendLine(u"");
}

bool TInternalCheck::Run(const TProgress& progress) {
    const int maximum = static_cast<int>(
        connection_
            ->Evaluate(rtl::Utf8ToUtf16(std::string("SELECT COUNT(*) FROM (") + kRoutineQuery + ") as cnt"),
                       true, 0)
            ->AsInteger()
            .AsInt64());
    const auto rows = connection_->CreateQuery(kRoutineQuery, true);
    rows->Open();
    engine::TDBAProgram program(std::make_shared<engine::TSchema>(), connection_);
    int position = 0;
    for (; !rows->Eof(); rows->Next()) {
        const std::string fullName = rows->Fields()[0]->AsString();
        const bool procedure = rows->Fields()[1]->AsString() == "PROCEDURE";
        // Quoted, so that a name that needs quoting is read like any other.
        const std::string name =
            BackQuoted(rows->Fields()[2]->AsString()) + "." + BackQuoted(rows->Fields()[3]->AsString());
        const std::string show = (procedure ? "SHOW CREATE PROCEDURE " : "SHOW CREATE FUNCTION ") + name;
        std::u16string text;
        try {
            text = connection_->Evaluate(rtl::Utf8ToUtf16(show), false, 2)->AsWideString().AsWideString();
        } catch (const core::EDBAConnectionException& error) {
            // Dropped by someone else since the list was read: nothing to check any more.
            if (error.ErrorCode() != kRoutineDoesNotExist) throw;
            if (!progress(++position, maximum)) return false;
            continue;
        }
        engine::TRoutine& routine =
            procedure ? program.AddProcedure(fullName, text) : program.AddFunction(fullName, text);
        try {
            routine.Compile();
        } catch (const std::exception& error) {
            AddFinding(text, error.what());
        }
        if (!progress(++position, maximum)) return false;
    }
    return true;
}

TfmInternalCheck::TfmInternalCheck(ui::TComponent* owner, std::shared_ptr<core::IDBAConnection> connection)
    : ui::TForm(owner), connection_(std::move(connection)) {
    RTL_ASSERT(connection_ && connection_->GetConnected());
    BeginLoading();
    SetName("fmInternalCheck");
    SetCaption("Internal check");
    SetFormBorderStyle(ui::bsDialog);
    SetPosition(ui::poOwnerFormCenter);
    Font()->SetName("Tahoma");
    Font()->SetHeight(-11);
    SetClientSize(665, 408);

    const auto addLabel = [this](const char* name, const char* caption, int left, int top, int width) {
        auto* label = new ui::TLabel(this);
        label->SetName(name);
        label->SetParent(this);
        label->SetCaption(caption);
        label->SetBounds(left, top, width, 14);
        return label;
    };
    laProgress = addLabel("laProgress", "Progress", 8, 8, 200);
    laProgressDetails = addLabel("laProgressDetails", "", 457, 8, 200);
    laProgressDetails->SetAlignment(ui::taRightJustify);
    pbProgress = new ui::TProgressBar(this);
    pbProgress->SetName("pbProgress");
    pbProgress->SetParent(this);
    pbProgress->SetBounds(8, 24, 649, 17);
    laReport = addLabel("laReport", "Report", 8, 50, 200);
    edReport = new widecontrols::TUcMemo(this);
    edReport->SetName("edReport");
    edReport->SetParent(this);
    edReport->SetBounds(8, 66, 649, 288);
    edReport->SetReadOnly(true);
    edReport->SetScrollBars(ui::ssBoth);
    edReport->SetWideText(u"");
    laNote = new widecontrols::TUcLabel(this);
    laNote->SetName("laNote");
    laNote->SetParent(this);
    laNote->SetWordWrap(true);
    laNote->SetBounds(8, 366, 560, 32);
    laNote->SetWideCaption(
        u"Note: This operation will not make attempts to change the data. There will be no "
        u"attempts to send the data from  this computer.");
    buButton = new ui::TButton(this);
    buButton->SetName("buButton");
    buButton->SetParent(this);
    buButton->SetCaption("Start");
    buButton->SetDefault(true);
    buButton->SetBounds(582, 372, 75, 25);
    buButton->OnClick = [this](ui::TObject*) { buButtonClick(); };
    EndLoading();
}

void TfmInternalCheck::buButtonClick() {
    if (cancelRequested_) {
        SetModalResult(ui::mrCancel);
    } else if (finished_) {
        SetModalResult(ui::mrOk);
    } else if (started_) {
        cancelRequested_ = true;
        buButton->SetCaption("Close");
    } else {
        buButton->SetCaption("Cancel");
        RunScan();
    }
}

void TfmInternalCheck::RunScan() {
    started_ = true;
    pbProgress->SetMax(0);
    check_ = std::make_unique<TInternalCheck>(connection_, GetProductTitle() + " " + GetAppVersionString());
    {
        // A failure still ends the scan; it then goes to the error box.
        const rtl::ScopeExit finish([this] {
            if (cancelRequested_) check_->AppendLine(u"Process aborted by user");
            edReport->SetWideText(check_->Report());
            finished_ = true;
            buButton->SetCaption("Close");
        });
        check_->Run([this](int position, int maximum) { return ShowProgress(position, maximum); });
    }
    if (cancelRequested_) return;
    if (!check_->Report().empty())
        ui::MessageDlg(
            std::string("A bug report was generated during the scan. Please send it for analysis to ") +
                kSupportAddress,
            ui::mtWarning, {ui::mbOK});
    else
        ui::MessageDlg("Process completed without errors.", ui::mtInformation, {ui::mbOK});
}

bool TfmInternalCheck::ShowProgress(int position, int maximum) {
    pbProgress->SetMax(maximum);
    pbProgress->SetPosition(position);
    laProgressDetails->SetCaption(rtl::Format("%d/%d", position, maximum));
    if (edReport->WideText().size() != check_->Report().size()) edReport->SetWideText(check_->Report());
    // The button stays pressable during the scan.
    if (ui::Application) ui::Application->ProcessMessages();
    return !cancelRequested_;
}

bool ShowInternalCheck(ui::TComponent* owner, std::shared_ptr<core::IDBAConnection> connection) {
    TfmInternalCheck dialog(owner, std::move(connection));
    return dialog.ShowModal() == ui::mrOk;
}

} // namespace app
