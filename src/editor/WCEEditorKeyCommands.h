// The code editor's commands, their names and the keystrokes bound to them.
#pragma once

#include "platform/data/Collection.h"
#include "platform/rtl/Exception.h"

#include <cstdint>
#include <optional>
#include <string>

namespace editor {

// Every user action on the code editor is one of these numbers; numbers above 1000 belong to the
// editor's owner.
using TEditorCommand = uint16_t;

enum : TEditorCommand {
    ecNone = 0,
    ecLeft = 1,
    ecRight = 2,
    ecUp = 3,
    ecDown = 4,
    ecWordLeft = 5,
    ecWordRight = 6,
    ecLineStart = 7,
    ecLineEnd = 8,
    ecPageUp = 9,
    ecPageDown = 10,
    ecPageLeft = 11,
    ecPageRight = 12,
    ecPageTop = 13,
    ecPageBottom = 14,
    ecEditorTop = 15,
    ecEditorBottom = 16,
    ecGoto = 17,
    // A selecting movement is its plain movement plus this.
    ecSelection = 100,
    ecSelectLeft = ecLeft + ecSelection,
    ecSelectRight = ecRight + ecSelection,
    ecSelectUp = ecUp + ecSelection,
    ecSelectDown = ecDown + ecSelection,
    ecSelectWordLeft = ecWordLeft + ecSelection,
    ecSelectWordRight = ecWordRight + ecSelection,
    ecSelectLineStart = ecLineStart + ecSelection,
    ecSelectLineEnd = ecLineEnd + ecSelection,
    ecSelectPageUp = ecPageUp + ecSelection,
    ecSelectPageDown = ecPageDown + ecSelection,
    ecSelectPageLeft = ecPageLeft + ecSelection,
    ecSelectPageRight = ecPageRight + ecSelection,
    ecSelectPageTop = ecPageTop + ecSelection,
    ecSelectPageBottom = ecPageBottom + ecSelection,
    ecSelectEditorTop = ecEditorTop + ecSelection,
    ecSelectEditorBottom = ecEditorBottom + ecSelection,
    ecSelectGoto = ecGoto + ecSelection,
    ecSelectAll = 199,
    ecDeleteLastChar = 401,
    ecDeleteChar = 402,
    ecDeleteWord = 403,
    ecDeleteLastWord = 404,
    ecDeleteBOL = 405,
    ecDeleteEOL = 406,
    ecDeleteLine = 407,
    ecClearAll = 408,
    ecLineBreak = 409,
    ecInsertLine = 410,
    ecChar = 411,
    ecUndo = 601,
    ecRedo = 602,
    ecCut = 603,
    ecCopy = 604,
    ecPaste = 605,
    ecScrollUp = 606,
    ecScrollDown = 607,
    ecScrollLeft = 608,
    ecScrollRight = 609,
    ecInsertMode = 610,
    ecOverwriteMode = 611,
    ecToggleMode = 612,
    ecBlockIndent = 613,
    ecBlockUnindent = 614,
    ecDelete = 615,
    ecGotoMarker0 = 701,
    ecGotoMarker9 = 710,
    ecToggleMarker0 = 751,
    ecToggleMarker9 = 760,
    ecUserFirst = 1001
};

// The identifier of a command ("ecToggleMarker9"), or its decimal digits when it has none.
std::string EditorCommandToIdent(TEditorCommand command);
// The command named `ident` (compared ignoring case), if any.
std::optional<TEditorCommand> IdentToEditorCommand(const std::string& ident);

// Modifier keys of a key stroke.
enum : uint8_t { ssShift = 1, ssAlt = 2, ssCtrl = 4 };
using TShiftState = uint8_t;

// Virtual key codes of the keys the key map and the keyboard handler name.
enum : uint16_t {
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    VK_0 = 0x30, // '0'..'9' and 'A'..'Z' are their ASCII codes
    VK_A = 0x41,
    VK_APPS = 0x5D,
    VK_F1 = 0x70,
    VK_F2 = 0x71
};

// Menu shortcut words: the virtual key in the low byte plus these modifier bits.
using TShortCut = uint16_t;
enum : TShortCut { scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000 };

TShortCut ShortCut(uint16_t key, TShiftState shift);
void ShortCutToKey(TShortCut shortCut, uint16_t& key, TShiftState& shift);
// "Ctrl+Shift+Z", "Alt+Backspace", "" for 0.
std::string ShortCutToText(TShortCut shortCut);

RTL_DECLARE_EXCEPTION(EKeyException, rtl::Exception);

// One entry of a key map: a key with its modifiers and the command it gives.
class TKeyStroke : public data::TCollectionItem {
public:
    explicit TKeyStroke(data::TCollection* collection) : TCollectionItem(collection) {}

    uint16_t Key() const { return key_; }
    void SetKey(uint16_t key) { key_ = key; }
    TShiftState Shift() const { return shift_; }
    void SetShift(TShiftState shift) { shift_ = shift; }
    TEditorCommand Command() const { return command_; }
    void SetCommand(TEditorCommand command) { command_ = command; }

    TShortCut GetShortCut() const { return ShortCut(key_, shift_); }
    // Raises EKeyException "Shortcut already exists" when another item of the map has the non-zero
    // `value`; the item then keeps its old shortcut.
    void SetShortCut(TShortCut value);

    void Assign(const data::TPersistent* source) override;

protected:
    std::string GetDisplayName() const override;

private:
    uint16_t key_ = 0;
    TShiftState shift_ = 0;
    TEditorCommand command_ = ecNone;
};

// A key map: what the editor translates key strokes through.
class TKeyStrokes : public data::TCollection {
public:
    explicit TKeyStrokes(data::TPersistent* owner = nullptr);

    TKeyStroke* Add() { return static_cast<TKeyStroke*>(TCollection::Add()); }
    TKeyStroke* Items(int index) const { return static_cast<TKeyStroke*>(TCollection::Items(index)); }
    TKeyStroke& Add(TEditorCommand command, uint16_t key, TShiftState shift);

    // The index of the first item with this key and modifiers, or -1.
    int FindKeycode(uint16_t key, TShiftState shift) const;
    // The index of the first item with this shortcut word, or -1.
    int FindShortcut(TShortCut shortCut) const;
    // The command of a key stroke, ecNone when the map has none.
    TEditorCommand TranslateKey(uint16_t key, TShiftState shift) const;
    // Replaces the map with the default keys.
    void ResetDefaults();
};

} // namespace editor
