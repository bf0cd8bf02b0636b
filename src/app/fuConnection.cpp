#include "app/fuConnection.h"

#include "app/uArtworkImages.h"
#include "app/uCheckUpdates.h"
#include "app/uDBAMyDataConnection.h"
#include "app/uUserInput.h"
#include "app/uVeltraneApplicationInfo.h"
#include "app/uWindowFileHelpers.h"
#include "components/uDASQLHelpers.h"
#include "core/uStringUtils.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Dialogs.h"

#include <algorithm>
#include <cctype>

namespace app {

namespace {

constexpr const char* kPasswordKey = "q7Vd!rT2m#Lx9";
constexpr int kBannerHeight = 65;
constexpr int kFieldsTop = 80;
constexpr int kRowHeight = 28;

// The light grey strip across the top with the program's picture.
class TConnectionBanner : public ui::TCustomControl {
public:
    explicit TConnectionBanner(ui::TComponent* owner)
        : ui::TCustomControl(owner), picture_(LoadArtwork("CONNECTION_PICTURE")) {}

protected:
    void Paint() override {
        ui::TCanvas* canvas = Canvas();
        canvas->Brush()->SetColor(0xEBEBEB);
        canvas->Pen()->SetColor(ui::clSilver);
        canvas->Rectangle(ClientRect());
        if (picture_) canvas->StretchDraw(ui::Rect(1, 0, 65, 64), picture_.get());
    }

private:
    std::unique_ptr<imaging::TPNGObject> picture_;
};

} // namespace

bool SupportedServerVersion(const std::string& version) {
    int major = 0;
    for (char c : version) {
        if (!std::isdigit(static_cast<unsigned char>(c))) break;
        major = std::min(major * 10 + (c - '0'), 1000);
    }
    return major >= 5;
}

std::string ScramblePassword(const std::string& password) {
    return core::HexXorEncode(password, kPasswordKey);
}

std::string UnscramblePassword(const std::string& scrambled) {
    return core::HexXorDecode(scrambled, kPasswordKey);
}

TfmConnection::TfmConnection(ui::TComponent* owner) : ui::TForm(owner) {
    BeginLoading();
    SetName("fmConnection");
    SetCaption("Connection");
    SetFormBorderStyle(ui::bsDialog);
    SetPosition(ui::poScreenCenter);
    Font()->SetName("Tahoma");
    Font()->SetHeight(-11);
    SetClientSize(361, 258);

    auto* banner = new TConnectionBanner(this);
    banner->SetParent(this);
    banner->SetBounds(0, 0, 361, kBannerHeight);
    laHome = new ui::TLabel(this);
    laHome->SetName("laHome");
    laHome->SetParent(banner);
    laHome->SetTransparent(true);
    laHome->SetAlignment(ui::taRightJustify);
    laHome->SetBounds(100, 44, 250, 16);
    laHome->OnClick = [this](ui::TObject* sender) { laHomeClick(sender); };

    edHost = AddField("edHost", "Host", "localhost", 0);
    edPort = AddField("edPort", "Port", "3306", 1);
    edLogin = AddField("edLogin", "Login", "root", 2);
    edPassword = AddField("edPassword", "Password", "", 3);
    edPassword->SetPasswordChar(u'*');
    edDatabase = new ui::TComboBox(this);
    edDatabase->SetName("edDatabase");
    edDatabase->SetParent(this);
    edDatabase->SetBounds(110, kFieldsTop + 4 * kRowHeight, 235, 21);
    edDatabase->SetText("");
    edDatabase->OnDropDown = [this](ui::TObject* sender) { edDatabaseDropDown(sender); };
    auto* databaseLabel = new ui::TLabel(this);
    databaseLabel->SetParent(this);
    databaseLabel->SetCaption("Database");
    databaseLabel->SetBounds(16, kFieldsTop + 4 * kRowHeight + 3, 90, 16);

    buTestConnect = AddButton("buTestConnect", "&Test connect", 16, 100);
    buTestConnect->OnClick = [this](ui::TObject* sender) { buTestConnectClick(sender); };
    buOk = AddButton("buOk", "OK", 190, 75);
    buOk->SetDefault(true);
    buOk->OnClick = [this](ui::TObject* sender) { buOkClick(sender); };
    buCancel = AddButton("buCancel", "Cancel", 271, 75);
    buCancel->SetCancel(true);
    buCancel->SetModalResult(ui::mrCancel);

    FormStorage = new imaging::TFormStorage(this);
    FormStorage->SetName("FormStorage");
    FormStorage->SetIniSection("Connection");
    FormStorage->SetUseRegistry(true);
    FormStorage->SetOptions({});
    FormStorage->StoredProps().SetText("edDatabase.Text\nedHost.Text\nedLogin.Text\nedPort.Text");
    imaging::TStoredValue* password = FormStorage->StoredValues().Add();
    password->SetName("Password");
    password->Value = "";
    password->OnSave = [this](imaging::TStoredValue*, rtl::Variant& value) {
        value = ScramblePassword(edPassword->Text());
    };
    password->OnRestore = [this](imaging::TStoredValue*, rtl::Variant& value) {
        edPassword->SetText(UnscramblePassword(value.AsString()));
    };
    SetActiveControl(edDatabase);
    EndLoading();
}

// The stored password is read from edPassword: the fields are saved when the dialog closes, never
// from the base form's destructor, when they are gone.
TfmConnection::~TfmConnection() {
    FormStorage->SetActive(false);
}

ui::TEdit* TfmConnection::AddField(const char* name, const char* label, const char* text, int row) {
    auto* caption = new ui::TLabel(this);
    caption->SetParent(this);
    caption->SetCaption(label);
    caption->SetBounds(16, kFieldsTop + row * kRowHeight + 3, 90, 16);
    auto* edit = new ui::TEdit(this);
    edit->SetName(name);
    edit->SetParent(this);
    edit->SetBounds(110, kFieldsTop + row * kRowHeight, 235, 21);
    edit->SetText(text);
    return edit;
}

ui::TButton* TfmConnection::AddButton(const char* name, const char* caption, int left, int width) {
    auto* button = new ui::TButton(this);
    button->SetName(name);
    button->SetParent(this);
    button->SetCaption(caption);
    button->SetBounds(left, 258 - 37, width, 25);
    return button;
}

std::shared_ptr<core::IDBAConnection> TfmConnection::CreateConnection() const {
    const int port = StrToInt(edPort->Text());
    return CreateDBAConnection(edHost->Text(), edLogin->Text(), edPassword->Text(), edDatabase->Text(), port);
}

void TfmConnection::TestConnection() {
    if (components::TrimBlanks(edDatabase->Text()).empty()) {
        SetActiveControl(edDatabase);
        throw rtl::Exception("No database specified");
    }
    const std::shared_ptr<core::IDBAConnection> connection = CreateConnection();
    connection->Connect();
    const std::string version =
        connection->Evaluate(u"SHOW VARIABLES LIKE 'version'", false, 1)->AsString().AsString();
    if (!SupportedServerVersion(version))
        throw rtl::Exception("Unsupported server version. Version 5.0 or above is required.");
    if (!connection->GetConnected()) throw rtl::Exception("Not connected");
}

void TfmConnection::buTestConnectClick(ui::TObject*) {
    TestConnection();
    ui::MessageDlg("Connection succeeded!", ui::mtInformation, {ui::mbOK});
}

void TfmConnection::buOkClick(ui::TObject*) {
    TestConnection();
    SetModalResult(ui::mrOk);
}

void TfmConnection::edDatabaseDropDown(ui::TObject*) {
    const auto setCursor = [](ui::TCursor cursor) {
        if (ui::Screen) ui::Screen->SetCursor(cursor);
    };
    setCursor(ui::crSQLWait);
    const rtl::ScopeExit restoreCursor([&] { setCursor(ui::crDefault); });
    edDatabase->Items().Clear();
    try {
        const std::shared_ptr<core::IDBAConnection> connection = CreateConnection();
        connection->Connect();
        core::QueryColumnToStrings(connection.get(), "SHOW DATABASES", 0, &edDatabase->Items());
    } catch (const std::exception&) {
        // The list is a convenience: what could not be listed is simply not offered.
    }
}

void TfmConnection::laHomeClick(ui::TObject*) {
    OpenHomePage();
}

std::shared_ptr<core::IDBAConnection> ShowConnectionDialog() {
    TfmConnection dialog(nullptr);
    dialog.laHome->SetCaption(GetSiteName());
    MakeHyperlinkLabel(dialog.laHome);
    if (dialog.ShowModal() != ui::mrOk) return nullptr;
    std::shared_ptr<core::IDBAConnection> connection = dialog.CreateConnection();
    connection->Connect();
    CheckUpdates(GetCheckUpdatesURL());
    return connection;
}

} // namespace app
