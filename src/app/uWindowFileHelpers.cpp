#include "app/uWindowFileHelpers.h"

#include "app/uUserInput.h"

#include "core/uStringUtils.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Shell.h"
#include "platform/ui/ShortCuts.h"

#include <filesystem>

namespace app {

std::string FormPlacementToString(ui::TCustomForm* form) {
    RTL_ASSERT(form);
    return rtl::Format("%s|%d|%d|%d|%d", form->Visible() ? "-1" : "0", form->Left(), form->Top(),
                       form->Width(), form->Height());
}

void RestoreFormPlacement(ui::TCustomForm* form, const std::string& text) {
    RTL_ASSERT(form);
    const core::TStringArray parts = core::SplitString(text, "|");
    if (parts.size() != 5) return;
    form->SetVisible(StrToBool(parts[0]));
    form->SetBounds(StrToInt(parts[1]), StrToInt(parts[2]), StrToInt(parts[3]), StrToInt(parts[4]));
}

ui::TTreeNode* FindTreeNodeByData(ui::TTreeView* tree, const void* object) {
    RTL_ASSERT(tree);
    for (ui::TTreeNode* node = tree->Items().GetFirstNode(); node; node = node->GetNext())
        if (node->Data() == object) return node;
    return nullptr;
}

void SelectTreeNode(ui::TTreeNode* node) {
    if (node) node->TreeView()->SetSelected(node);
}

void ShellOpen(const std::string& fileName) {
    ui::ShellOpen(fileName);
}

void OpenURL(const std::string& url) {
    ui::ShellOpen(url);
}

void StartNewInstance() {
    ui::StartDetachedProcess(ui::ProgramFileName());
}

void MakeHyperlinkLabel(ui::TControl* label) {
    label->Font()->SetColor(LinkColor);
    label->Font()->SetStyle(label->Font()->Style().Include(ui::fsUnderline));
    label->SetCursor(ui::crHandPoint);
}

ui::TControl* PlaceControl(ui::TControl* control, ui::TWinControl* parent, ui::TAlign align) {
    RTL_ASSERT(control);
    control->SetParent(parent);
    control->SetAlign(align);
    control->SetName({});
    return control;
}

void PaintThemedToolBar(ui::TControl* toolBar) {
    RTL_ASSERT(toolBar);
}

ui::TMenuItem* AddMenuItem(ui::TComponent* owner, ui::TMenuItem* parent) {
    RTL_ASSERT(parent);
    auto* item = new ui::TMenuItem(owner);
    parent->Add(item);
    return item;
}

ui::TMenuItem* AddActionMenuItem(ui::TMenu* menu, ui::TBasicAction* action) {
    RTL_ASSERT(menu);
    return AddActionSubItem(menu->Items(), action);
}

ui::TMenuItem* AddCaptionMenuItem(ui::TMenu* menu, const std::string& caption) {
    RTL_ASSERT(menu);
    ui::TMenuItem* item = AddMenuItem(menu, menu->Items());
    item->SetCaption(caption);
    return item;
}

ui::TMenuItem* AddClickMenuItem(ui::TMenu* menu, const std::string& caption, ui::TNotifyEvent onClick) {
    ui::TMenuItem* item = AddCaptionMenuItem(menu, caption);
    item->OnClick = std::move(onClick);
    return item;
}

ui::TMenuItem* AddSeparatorMenuItem(ui::TMenuItem* item) {
    ui::TMenuItem* separator = AddMenuItem(item->Owner(), item);
    separator->SetCaption("-");
    return separator;
}

ui::TMenuItem* AddActionSubItem(ui::TMenuItem* item, ui::TBasicAction* action) {
    ui::TMenuItem* sub = AddMenuItem(item->Owner(), item);
    sub->SetAction(action);
    return sub;
}

void UpdateActionHint(ui::TCustomAction* action) {
    RTL_ASSERT(action);
    action->SetHint(action->ShortCut() != ui::scNone
                        ? rtl::Format("%s (%s)", action->Caption(), ui::ShortCutToText(action->ShortCut()))
                        : action->Caption());
}

void UpdateActionListHints(ui::TCustomActionList* actions) {
    RTL_ASSERT(actions);
    for (int i = 0; i < actions->ActionCount(); ++i)
        if (auto* action = dynamic_cast<ui::TAction*>(actions->Actions(i))) UpdateActionHint(action);
}

ui::TSize GetTextSize(const std::string& text, const ui::TFont* font) {
    RTL_ASSERT(font);
    ui::TBitmap surface(1, 1);
    surface.Canvas()->SetFont(font);
    return surface.Canvas()->TextExtent(text);
}

int TextWidthInFont(const std::string& text, const ui::TFont* font) {
    return GetTextSize(text, font).cx;
}

int TextHeightInFont(const std::string& text, const ui::TFont* font) {
    return GetTextSize(text, font).cy;
}

int CharWidthInFont(const ui::TFont* font) {
    return TextWidthInFont("W", font);
}

int LineHeightInFont(const ui::TFont* font) {
    return TextHeightInFont("gW", font);
}

std::string IncludeTrailingDelimiter(const std::string& path) {
    return path.ends_with('/') ? path : path + '/';
}

void SaveStringToFile(const std::string& fileName, const std::string& text) {
    rtl::TFileStream file(fileName, rtl::fmCreate);
    file.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

std::string LoadStringFromFile(const std::string& fileName) {
    rtl::TStringList lines;
    lines.LoadFromFile(fileName);
    return lines.Text();
}

std::string GetTempDirectory() {
    return rtl::GetTempDirectory();
}

std::string CreateTempFileName(const std::string& directory, const std::string& prefix) {
    return rtl::CreateTempFile(prefix, directory);
}

std::string CreateTempFile() {
    return CreateTempFileName(GetTempDirectory(), "tmp");
}

TFileVersion GetFileVersion(const std::string& fileName) {
    std::error_code error;
    if (std::filesystem::equivalent(fileName, ui::ProgramFileName(), error)) return {VELTRANE_VERSION};
    return {};
}

std::string FormatFileVersion(const TFileVersion& version) {
    return rtl::Format("%d.%d.%d.%d", version[0], version[1], version[2], version[3]);
}

std::string GetAppVersionString() {
    return FormatFileVersion(GetFileVersion(ui::ProgramFileName()));
}

} // namespace app
