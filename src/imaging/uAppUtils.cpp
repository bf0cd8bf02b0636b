#include "imaging/uAppUtils.h"

#include "imaging/uRxStrUtils.h"

#include "platform/rtl/Format.h"
#include "platform/ui/Application.h"
#include "platform/ui/Cursors.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/PostedCalls.h"
#include "platform/ui/WindowPlacement.h"

#include <cctype>
#include <charconv>
#include <filesystem>

namespace imaging {

std::function<std::string()> DefaultIniFileNameHook;
std::string RegistryKeyPrefix;
bool UseApplicationTitle = false;

namespace {

constexpr TCharSet kPlacementDelimiters = " ,";

// The first four numbers of a placement string; a word that is not a number keeps its default.
void ReadFourNumbers(const std::string& text, int (&values)[4]) {
    for (int n = 0; n < 4; ++n) {
        const std::string word = NthWord(n + 1, text, kPlacementDelimiters);
        int value = 0;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (!word.empty() && error == std::errc() && end == word.data() + word.size()) values[n] = value;
    }
}

void WriteScreenSized(rtl::TCustomIniFile* store, const std::string& section, const std::string& name,
                      const std::string& value) {
    StoreWriteString(store, section, ScreenSizeName(name), value);
    StoreWriteString(store, section, name, value);
}

std::string ReadScreenSized(rtl::TCustomIniFile* store, const std::string& section, const std::string& name) {
    std::string value = StoreReadString(store, section, ScreenSizeName(name), "");
    return value.empty() ? StoreReadString(store, section, name, "") : value;
}

bool IsMainForm(const ui::TCustomForm* form) {
    return ui::Application && ui::Application->MainForm() == form;
}

bool NoMainForm() {
    return !ui::Application || !ui::Application->MainForm();
}

} // namespace

std::string ProgramFileName() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

std::string DefaultRegistryKey() {
    std::string name;
    if (UseApplicationTitle && ui::Application) name = ui::Application->Title();
    if (name.empty()) name = std::filesystem::path(ProgramFileName()).stem().string();
    if (!RegistryKeyPrefix.empty()) name = RegistryKeyPrefix + "\\" + name;
    return "Software\\" + name;
}

std::string DefaultIniFileName() {
    if (DefaultIniFileNameHook) return DefaultIniFileNameHook();
    return std::filesystem::path(ProgramFileName()).filename().replace_extension(".INI").string();
}

std::string DefaultSectionName(const data::TComponent* component) {
    if (!component) return {};
    if (dynamic_cast<const ui::TCustomForm*>(component)) return component->ClassName();
    if (const auto* control = dynamic_cast<const ui::TControl*>(component)) {
        if (const ui::TCustomForm* form = ui::GetParentForm(control))
            return form->ClassName() + control->Name();
        if (control->Parent()) return control->Parent()->Name() + control->Name();
        return control->Name();
    }
    if (dynamic_cast<const ui::TCustomForm*>(component->Owner()))
        return rtl::Format("%s.%s", component->Owner()->ClassName(), component->Name());
    return component->Name();
}

std::string StoreReadString(rtl::TCustomIniFile* store, const std::string& section, const std::string& name,
                            const std::string& def) {
    return store ? store->ReadString(section, name, def) : def;
}

void StoreWriteString(rtl::TCustomIniFile* store, const std::string& section, const std::string& name,
                      const std::string& value) {
    if (!store) return;
    const bool quoted =
        value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    if (quoted && dynamic_cast<rtl::TIniFile*>(store))
        store->WriteString(section, name, "\"" + value + "\"");
    else
        store->WriteString(section, name, value);
}

int64_t StoreReadInteger(rtl::TCustomIniFile* store, const std::string& section, const std::string& name,
                         int64_t def) {
    return store ? store->ReadInteger(section, name, def) : def;
}

void StoreWriteInteger(rtl::TCustomIniFile* store, const std::string& section, const std::string& name,
                       int64_t value) {
    if (store) store->WriteInteger(section, name, value);
}

std::string ScreenSizeName(const std::string& name) {
    return rtl::Format("%s(%dx%d)", name, ui::GetSystemMetrics(ui::SM_CXSCREEN),
                       ui::GetSystemMetrics(ui::SM_CYSCREEN));
}

void WriteWindowPlacement(ui::TCustomForm* form, rtl::TCustomIniFile* store, const std::string& section) {
    ui::TWindowPlacement placement;
    ui::GetWindowPlacement(form->Handle(), placement);
    if (IsMainForm(form) && form->WindowState() == ui::wsMinimized) placement.showCmd = ui::SW_SHOWMINIMIZED;
    StoreWriteInteger(store, section, "Flags", placement.flags);
    StoreWriteInteger(store, section, "ShowCmd", placement.showCmd);
    StoreWriteInteger(store, section, "PixelsPerInch", ui::ScreenPixelsPerInch());
    WriteScreenSized(store, section, "MinMaxPos",
                     rtl::Format("%d,%d,%d,%d", placement.ptMinPosition.X, placement.ptMinPosition.Y,
                                 placement.ptMaxPosition.X, placement.ptMaxPosition.Y));
    const ui::TRect& r = placement.rcNormalPosition;
    WriteScreenSized(store, section, "NormPos", rtl::Format("%d,%d,%d,%d", r.Left, r.Top, r.Right, r.Bottom));
}

void ReadWindowPlacement(ui::TCustomForm* form, rtl::TCustomIniFile* store, const std::string& section,
                         bool position, bool state) {
    if (!position && !state) return;
    ui::TWindowPlacement placement;
    ui::GetWindowPlacement(form->Handle(), placement);
    if (!form->Visible()) placement.showCmd = ui::SW_HIDE;
    if (position) {
        placement.flags = static_cast<unsigned>(StoreReadInteger(store, section, "Flags", placement.flags));
        const std::string minMax = ReadScreenSized(store, section, "MinMaxPos");
        if (!minMax.empty()) {
            int values[4] = {0, 0, 0, 0};
            ReadFourNumbers(minMax, values);
            placement.ptMinPosition = {values[0], values[1]};
            placement.ptMaxPosition = {values[2], values[3]};
        }
        const std::string normal = ReadScreenSized(store, section, "NormPos");
        if (!normal.empty()) {
            int values[4] = {form->Left(), form->Top(), form->Left() + form->Width(),
                             form->Top() + form->Height()};
            ReadFourNumbers(normal, values);
            placement.rcNormalPosition = {values[0], values[1], values[2], values[3]};
        }
        const bool found = !minMax.empty() || !normal.empty();
        if (found && StoreReadInteger(store, section, "PixelsPerInch", ui::ScreenPixelsPerInch()) ==
                         ui::ScreenPixelsPerInch()) {
            ui::TRect& r = placement.rcNormalPosition;
            const ui::TBorderStyle border = form->FormBorderStyle();
            if (border != ui::bsSizeable && border != ui::bsSizeToolWin)
                r = {r.Left, r.Top, r.Left + form->Width(), r.Top + form->Height()};
            if (r.Right > r.Left) {
                if (form->Position() == ui::poScreenCenter || form->Position() == ui::poDesktopCenter)
                    form->SetPosition(ui::poDesigned);
                ui::SetWindowPlacement(form->Handle(), placement);
            }
        }
    }
    if (state) {
        ui::TWindowState windowState = ui::wsNormal;
        if ((IsMainForm(form) || NoMainForm()) && form->FormStyle() == ui::fsNormal &&
            form->Position() == ui::poDefault)
            windowState = ui::wsMaximized;
        switch (StoreReadInteger(store, section, "ShowCmd", 0)) {
        case 1: // SW_SHOWNORMAL, SW_SHOW, SW_RESTORE
        case 5:
        case 9:
            windowState = ui::wsNormal;
            break;
        case 2: // SW_SHOWMINIMIZED, SW_MINIMIZE, SW_SHOWMINNOACTIVE
        case 6:
        case 7:
            windowState = ui::wsMinimized;
            break;
        case 3: // SW_MAXIMIZE
            windowState = ui::wsMaximized;
            break;
        default:
            break;
        }
        if (windowState == ui::wsMinimized && (IsMainForm(form) || NoMainForm())) {
            // The application minimises, not the form's own window: later, as a posted SC_MINIMIZE.
            form->SetWindowState(ui::wsNormal);
            ui::PostCall(form, [form] { form->SetWindowState(ui::wsMinimized); });
            return;
        }
        form->SetWindowState(windowState);
    }
    form->Update();
}

bool HasFourDigitYear(std::string_view shortDateFormat) {
    std::string upper(shortDateFormat);
    for (char& ch : upper)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return upper.find("YYYY") != std::string::npos;
}

bool ShortDateHasFourDigitYear() {
    static const bool fourDigits = HasFourDigitYear(kShortDateFormat);
    return fourDigits;
}

void InstallUxCursors() {
    ui::ScreenCursors().Set(crUxHand, ui::LoadCursorResource("UX_HANDCUR"));
    ui::ScreenCursors().Set(crUxDrag, ui::LoadCursorResource("UX_DRAGCUR"));
}

} // namespace imaging
