// Small helpers the program's windows share: placement text for the registry, menu and action
// helpers, text measuring, shell calls, link-style labels, temporary files, whole-file text and the
// program's version number.
#pragma once

#include "platform/ui/Actions.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Menus.h"
#include "platform/ui/TreeViews.h"

#include <array>
#include <cstdint>
#include <string>

namespace app {

// The colour of link-like labels.
constexpr ui::TColor LinkColor = 0xCC6600;

// ---- Window placement ----
// "%s|%d|%d|%d|%d": visible as "-1" or "0", then left, top, width and height.
std::string FormPlacementToString(ui::TCustomForm* form);
// Applies a placement text; a text without exactly five parts is ignored, a part that is no number
// raises a conversion error.
void RestoreFormPlacement(ui::TCustomForm* form, const std::string& text);

// ---- Tree views ----
// The first node in the tree's flat order whose data is the object, or null.
ui::TTreeNode* FindTreeNodeByData(ui::TTreeView* tree, const void* object);
// Makes the node its tree's selected node; null is ignored.
void SelectTreeNode(ui::TTreeNode* node);

// ---- Shell ----
void ShellOpen(const std::string& fileName);
void OpenURL(const std::string& url);
// Starts the program once more (a second debugging window).
void StartNewInstance();

// Link colour, underlined font and the hand cursor.
void MakeHyperlinkLabel(ui::TControl* label);
// Sets the parent and alignment, clears the component name so copies never clash; returns the control.
ui::TControl* PlaceControl(ui::TControl* control, ui::TWinControl* parent, ui::TAlign align);
// Paints the themed tool-bar background; visual themes are off here, so it leaves the bar as it is.
void PaintThemedToolBar(ui::TControl* toolBar);

// ---- Menus and actions ----
ui::TMenuItem* AddMenuItem(ui::TComponent* owner, ui::TMenuItem* parent);
ui::TMenuItem* AddActionMenuItem(ui::TMenu* menu, ui::TBasicAction* action);
ui::TMenuItem* AddCaptionMenuItem(ui::TMenu* menu, const std::string& caption);
ui::TMenuItem* AddClickMenuItem(ui::TMenu* menu, const std::string& caption, ui::TNotifyEvent onClick);
ui::TMenuItem* AddSeparatorMenuItem(ui::TMenuItem* item);
ui::TMenuItem* AddActionSubItem(ui::TMenuItem* item, ui::TBasicAction* action);
// Hint "%s (%s)" with caption and shortcut text, or the caption alone without a shortcut.
void UpdateActionHint(ui::TCustomAction* action);
void UpdateActionListHints(ui::TCustomActionList* actions);

// ---- Text measuring, on the screen ----
ui::TSize GetTextSize(const std::string& text, const ui::TFont* font);
int TextWidthInFont(const std::string& text, const ui::TFont* font);
int TextHeightInFont(const std::string& text, const ui::TFont* font);
int CharWidthInFont(const ui::TFont* font);
int LineHeightInFont(const ui::TFont* font);

// ---- Files ----
std::string IncludeTrailingDelimiter(const std::string& path);
// Writes the text's bytes unchanged; raises EOSError when the file cannot be written.
void SaveStringToFile(const std::string& fileName, const std::string& text);
// The file's lines (UTF-8), each followed by CR LF, the last one too.
std::string LoadStringFromFile(const std::string& fileName);
std::string GetTempDirectory();
// A new, empty file with a unique name that starts with `prefix`; raises EOSError on failure.
std::string CreateTempFileName(const std::string& directory, const std::string& prefix);
std::string CreateTempFile();

// ---- Version ----
// Major, minor, release, build.
using TFileVersion = std::array<uint16_t, 4>;
// The program's own version is compiled in; other files carry none and give four zeros.
TFileVersion GetFileVersion(const std::string& fileName);
// "%d.%d.%d.%d".
std::string FormatFileVersion(const TFileVersion& version);
std::string GetAppVersionString();

} // namespace app
