#include "editor/WCEEditorKeyCommands.h"

#include <array>
#include <strings.h>

namespace editor {

namespace {

struct TCommandIdent {
    TEditorCommand command;
    const char* ident;
};

// Stored in this order; ecUserFirst stands before the bookmark entries.
constexpr std::array<TCommandIdent, 83> kCommandIdents{{
    {ecNone, "ecNone"},
    {ecLeft, "ecLeft"},
    {ecRight, "ecRight"},
    {ecUp, "ecUp"},
    {ecDown, "ecDown"},
    {ecWordLeft, "ecWordLeft"},
    {ecWordRight, "ecWordRight"},
    {ecLineStart, "ecLineStart"},
    {ecLineEnd, "ecLineEnd"},
    {ecPageUp, "ecPageUp"},
    {ecPageDown, "ecPageDown"},
    {ecPageLeft, "ecPageLeft"},
    {ecPageRight, "ecPageRight"},
    {ecPageTop, "ecPageTop"},
    {ecPageBottom, "ecPageBottom"},
    {ecEditorTop, "ecEditorTop"},
    {ecEditorBottom, "ecEditorBottom"},
    {ecGoto, "ecGoto"},
    {ecSelectLeft, "ecSelectLeft"},
    {ecSelectRight, "ecSelectRight"},
    {ecSelectUp, "ecSelectUp"},
    {ecSelectDown, "ecSelectDown"},
    {ecSelectWordLeft, "ecSelectWordLeft"},
    {ecSelectWordRight, "ecSelectWordRight"},
    {ecSelectLineStart, "ecSelectLineStart"},
    {ecSelectLineEnd, "ecSelectLineEnd"},
    {ecSelectPageUp, "ecSelectPageUp"},
    {ecSelectPageDown, "ecSelectPageDown"},
    {ecSelectPageLeft, "ecSelectPageLeft"},
    {ecSelectPageRight, "ecSelectPageRight"},
    {ecSelectPageTop, "ecSelectPageTop"},
    {ecSelectPageBottom, "ecSelectPageBottom"},
    {ecSelectEditorTop, "ecSelectEditorTop"},
    {ecSelectEditorBottom, "ecSelectEditorBottom"},
    {ecSelectGoto, "ecSelectGoto"},
    {ecSelectAll, "ecSelectAll"},
    {ecDeleteLastChar, "ecDeleteLastChar"},
    {ecDeleteChar, "ecDeleteChar"},
    {ecDeleteWord, "ecDeleteWord"},
    {ecDeleteLastWord, "ecDeleteLastWord"},
    {ecDeleteBOL, "ecDeleteBOL"},
    {ecDeleteEOL, "ecDeleteEOL"},
    {ecDeleteLine, "ecDeleteLine"},
    {ecClearAll, "ecClearAll"},
    {ecLineBreak, "ecLineBreak"},
    {ecInsertLine, "ecInsertLine"},
    {ecChar, "ecChar"},
    {ecUndo, "ecUndo"},
    {ecRedo, "ecRedo"},
    {ecCut, "ecCut"},
    {ecCopy, "ecCopy"},
    {ecPaste, "ecPaste"},
    {ecScrollUp, "ecScrollUp"},
    {ecScrollDown, "ecScrollDown"},
    {ecScrollLeft, "ecScrollLeft"},
    {ecScrollRight, "ecScrollRight"},
    {ecInsertMode, "ecInsertMode"},
    {ecOverwriteMode, "ecOverwriteMode"},
    {ecToggleMode, "ecToggleMode"},
    {ecBlockIndent, "ecBlockIndent"},
    {ecBlockUnindent, "ecBlockUnindent"},
    {ecDelete, "ecDelete"},
    {ecUserFirst, "ecUserFirst"},
    {701, "ecGotoMarker0"},
    {702, "ecGotoMarker1"},
    {703, "ecGotoMarker2"},
    {704, "ecGotoMarker3"},
    {705, "ecGotoMarker4"},
    {706, "ecGotoMarker5"},
    {707, "ecGotoMarker6"},
    {708, "ecGotoMarker7"},
    {709, "ecGotoMarker8"},
    {710, "ecGotoMarker9"},
    {751, "ecToggleMarker0"},
    {752, "ecToggleMarker1"},
    {753, "ecToggleMarker2"},
    {754, "ecToggleMarker3"},
    {755, "ecToggleMarker4"},
    {756, "ecToggleMarker5"},
    {757, "ecToggleMarker6"},
    {758, "ecToggleMarker7"},
    {759, "ecToggleMarker8"},
    {760, "ecToggleMarker9"},
}};

// Names of the keys of the default map, for shortcut texts.
std::string KeyName(uint16_t key) {
    switch (key) {
    case VK_BACK:
        return "Backspace";
    case VK_TAB:
        return "Tab";
    case VK_RETURN:
        return "Enter";
    case VK_ESCAPE:
        return "Esc";
    case VK_SPACE:
        return "Space";
    case VK_PRIOR:
        return "PgUp";
    case VK_NEXT:
        return "PgDn";
    case VK_END:
        return "End";
    case VK_HOME:
        return "Home";
    case VK_LEFT:
        return "Left";
    case VK_UP:
        return "Up";
    case VK_RIGHT:
        return "Right";
    case VK_DOWN:
        return "Down";
    case VK_INSERT:
        return "Ins";
    case VK_DELETE:
        return "Del";
    case VK_APPS:
        return "Menu";
    default:
        break;
    }
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, char(key));
    std::string name(1, key >= VK_F1 && key < VK_F1 + 24 ? 'F' : '#');
    name += std::to_string(key >= VK_F1 && key < VK_F1 + 24 ? key - VK_F1 + 1 : key);
    return name;
}

} // namespace

std::string EditorCommandToIdent(TEditorCommand command) {
    for (const auto& entry : kCommandIdents)
        if (entry.command == command) return entry.ident;
    return std::to_string(command);
}

std::optional<TEditorCommand> IdentToEditorCommand(const std::string& ident) {
    for (const auto& entry : kCommandIdents)
        if (strcasecmp(entry.ident, ident.c_str()) == 0) return entry.command;
    return std::nullopt;
}

TShortCut ShortCut(uint16_t key, TShiftState shift) {
    TShortCut result = key & 0xFF;
    if (shift & ssShift) result |= scShift;
    if (shift & ssCtrl) result |= scCtrl;
    if (shift & ssAlt) result |= scAlt;
    return result;
}

void ShortCutToKey(TShortCut shortCut, uint16_t& key, TShiftState& shift) {
    key = shortCut & 0xFF;
    shift = 0;
    if (shortCut & scShift) shift |= ssShift;
    if (shortCut & scCtrl) shift |= ssCtrl;
    if (shortCut & scAlt) shift |= ssAlt;
}

std::string ShortCutToText(TShortCut shortCut) {
    if (shortCut == 0) return {};
    std::string text;
    if (shortCut & scCtrl) text += "Ctrl+";
    if (shortCut & scShift) text += "Shift+";
    if (shortCut & scAlt) text += "Alt+";
    text += KeyName(shortCut & 0xFF);
    return text;
}

void TKeyStroke::SetShortCut(TShortCut value) {
    if (value != 0 && Collection()) {
        const int found = static_cast<const TKeyStrokes*>(Collection())->FindShortcut(value);
        if (found >= 0 && found != Index()) throw EKeyException("Shortcut already exists");
    }
    uint16_t key;
    TShiftState shift;
    ShortCutToKey(value, key, shift);
    key_ = key;
    shift_ = shift;
}

void TKeyStroke::Assign(const data::TPersistent* source) {
    const auto* other = dynamic_cast<const TKeyStroke*>(source);
    if (!other) {
        TCollectionItem::Assign(source);
        return;
    }
    key_ = other->key_;
    shift_ = other->shift_;
    command_ = other->command_;
}

std::string TKeyStroke::GetDisplayName() const {
    std::string name = EditorCommandToIdent(command_);
    name.append(" - ").append(ShortCutToText(GetShortCut()));
    return name;
}

TKeyStrokes::TKeyStrokes(data::TPersistent* owner) : TCollection(&ItemClassOf<TKeyStroke>, owner) {}

TKeyStroke& TKeyStrokes::Add(TEditorCommand command, uint16_t key, TShiftState shift) {
    TKeyStroke& stroke = *Add();
    stroke.SetKey(key);
    stroke.SetShift(shift);
    stroke.SetCommand(command);
    return stroke;
}

int TKeyStrokes::FindKeycode(uint16_t key, TShiftState shift) const {
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Key() == key && Items(i)->Shift() == shift) return i;
    return -1;
}

int TKeyStrokes::FindShortcut(TShortCut shortCut) const {
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->GetShortCut() == shortCut) return i;
    return -1;
}

TEditorCommand TKeyStrokes::TranslateKey(uint16_t key, TShiftState shift) const {
    const int i = FindKeycode(key, shift);
    return i < 0 ? TEditorCommand(ecNone) : Items(i)->Command();
}

void TKeyStrokes::ResetDefaults() {
    struct TDefault {
        TEditorCommand command;
        uint16_t key;
        TShiftState shift;
    };
    static constexpr TDefault kDefaults[] = {
        {ecSelectUp, VK_UP, ssShift},
        {ecUp, VK_UP, 0},
        {ecScrollUp, VK_UP, ssCtrl},
        {ecDown, VK_DOWN, 0},
        {ecSelectDown, VK_DOWN, ssShift},
        {ecScrollDown, VK_DOWN, ssCtrl},
        {ecLeft, VK_LEFT, 0},
        {ecSelectLeft, VK_LEFT, ssShift},
        {ecWordLeft, VK_LEFT, ssCtrl},
        {ecSelectWordLeft, VK_LEFT, ssShift | ssCtrl},
        {ecRight, VK_RIGHT, 0},
        {ecSelectRight, VK_RIGHT, ssShift},
        {ecWordRight, VK_RIGHT, ssCtrl},
        {ecSelectWordRight, VK_RIGHT, ssShift | ssCtrl},
        {ecPageDown, VK_NEXT, 0},
        {ecSelectPageDown, VK_NEXT, ssShift},
        {ecPageBottom, VK_NEXT, ssCtrl},
        {ecSelectPageBottom, VK_NEXT, ssShift | ssCtrl},
        {ecPageUp, VK_PRIOR, 0},
        {ecSelectPageUp, VK_PRIOR, ssShift},
        {ecPageTop, VK_PRIOR, ssCtrl},
        {ecSelectPageTop, VK_PRIOR, ssShift | ssCtrl},
        {ecLineStart, VK_HOME, 0},
        {ecSelectLineStart, VK_HOME, ssShift},
        {ecEditorTop, VK_HOME, ssCtrl},
        {ecSelectEditorTop, VK_HOME, ssShift | ssCtrl},
        {ecLineEnd, VK_END, 0},
        {ecSelectLineEnd, VK_END, ssShift},
        {ecEditorBottom, VK_END, ssCtrl},
        {ecSelectEditorBottom, VK_END, ssShift | ssCtrl},
        {ecToggleMode, VK_INSERT, 0},
        {ecPaste, 'V', ssCtrl},
        {ecPaste, VK_INSERT, ssShift},
        {ecDeleteChar, VK_DELETE, 0},
        {ecDeleteLastChar, VK_BACK, 0},
        {ecDeleteLastWord, VK_BACK, ssCtrl},
        {ecUndo, 'Z', ssCtrl},
        {ecUndo, VK_BACK, ssAlt},
        {ecRedo, 'Z', ssShift | ssCtrl},
        {ecRedo, VK_BACK, ssAlt | ssShift},
        {ecLineBreak, VK_RETURN, 0},
        {ecLineBreak, 'M', ssCtrl},
        {ecSelectAll, 'A', ssCtrl},
        {ecCopy, 'C', ssCtrl},
        {ecCopy, VK_INSERT, ssCtrl},
        {ecCut, 'X', ssCtrl},
        {ecCut, VK_DELETE, ssShift},
        {ecBlockIndent, 'I', ssShift | ssCtrl},
        {ecInsertLine, 'N', ssCtrl},
        {ecDeleteWord, 'T', ssCtrl},
        {ecDeleteWord, VK_DELETE, ssCtrl},
        {ecBlockUnindent, 'U', ssShift | ssCtrl},
        {ecDeleteLine, 'Y', ssCtrl},
        {ecDeleteEOL, 'Y', ssShift | ssCtrl},
    };
    BeginUpdate();
    Clear();
    for (const auto& d : kDefaults)
        Add(d.command, d.key, d.shift);
    for (int i = 0; i <= 9; ++i)
        Add(TEditorCommand(ecGotoMarker0 + i), uint16_t(VK_0 + i), ssCtrl);
    for (int i = 0; i <= 9; ++i)
        Add(TEditorCommand(ecToggleMarker0 + i), uint16_t(VK_0 + i), ssShift | ssCtrl);
    EndUpdate();
}

} // namespace editor
