// The base syntax highlighter: token attributes and the scan of one line.
#pragma once

#include "editor/WCEShared.h"

#include <bitset>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rtl {
class TSettings;
}

namespace editor {

class TWideCodeEditModel;

// Colours and font style of one token class; Name is its registry key and its match when copying.
class THighlightAttributes {
public:
    explicit THighlightAttributes(std::string name) : name_(std::move(name)) {}

    const std::string& Name() const { return name_; }
    TColor Foreground() const { return foreground_; }
    TColor Background() const { return background_; }
    TFontStyles Style() const { return style_; }
    // Each fires OnChange when the value changes.
    void SetForeground(TColor value);
    void SetBackground(TColor value);
    void SetStyle(TFontStyles value);
    // Copies colours, style and name without firing OnChange.
    void Assign(const THighlightAttributes& source);
    // Sets the three values without firing OnChange (loading).
    void SetValues(TColor foreground, TColor background, TFontStyles style);
    // Loads the values from `key` in another editor's settings layout of the given version: colour
    // indexes into the 16-colour palette before version 7, colour names or numbers from it on. False
    // when the key cannot be opened.
    virtual bool LoadFromLegacyKey(rtl::TSettings& settings, const std::string& key, int version);

    std::function<void(THighlightAttributes& sender)> OnChange;

private:
    void Changed();

    std::string name_;
    TColor foreground_ = ui::clWindowText;
    TColor background_ = ui::clWindow;
    TFontStyles style_;
};

// What GetTokenInfo reports of the current token; colours are plain RGB values.
struct TTokenInfo {
    int Kind = 0;
    int Start = 0; // character index in the line
    int Length = 0;
    TColor Background = 0;
    TColor Foreground = 0;
    TFontStyles Style;
};

using TIdentChars = std::bitset<256>;

// Splits one line at a time into tokens; the range carries the scanner state from line to line. One
// highlighter may serve several editors and repaints them all when an attribute changes.
class TWCEHighlighter {
public:
    TWCEHighlighter() = default;
    virtual ~TWCEHighlighter();
    TWCEHighlighter(const TWCEHighlighter&) = delete;
    TWCEHighlighter& operator=(const TWCEHighlighter&) = delete;

    // Codes 33..255 by default.
    virtual void GetIdentChars(TIdentChars& chars) const;
    // A character of a word: below 256 from GetIdentChars, above by its Unicode class.
    bool IsIdentChar(char16_t c) const;
    virtual std::string GetLanguageName() const = 0;
    // How many attributes are stored and assigned.
    virtual int GetAttribCount() const = 0;
    virtual THighlightAttributes* GetAttribute(int index) const = 0;
    const std::string& DefaultFilter() const { return defaultFilter_; }
    void SetDefaultFilter(std::string filter) { defaultFilter_ = std::move(filter); }
    // Copies the attributes of equal names (ignoring case), then repaints the editors.
    virtual void AssignAttributes(const TWCEHighlighter& source);

    virtual bool GetEol() const = 0;
    virtual int GetRange() const = 0;
    virtual std::u16string GetToken() const = 0;
    virtual void GetTokenInfo(TTokenInfo& info) const = 0;
    virtual bool TokenAvailable() const = 0;
    virtual void Next() = 0;
    // Starts a line in the initial range.
    virtual void SetLine(std::u16string_view line) = 0;
    virtual void SetRange(int range) = 0;
    virtual void ResetRange() = 0;

    // Each attribute under its own subkey of `key`, in a 12-byte "Attributes" value. False when a key
    // cannot be opened; loading stops at the first missing subkey.
    bool LoadFromRegistry(rtl::TSettings& settings, const std::string& key);
    bool SaveToRegistry(rtl::TSettings& settings, const std::string& key) const;

    // The editors showing this highlighter.
    void AddEditor(TWideCodeEditModel* editor);
    void RemoveEditor(TWideCodeEditModel* editor);
    const std::vector<TWideCodeEditModel*>& Editors() const { return editors_; }
    void RepaintEditors();

private:
    std::string defaultFilter_;
    std::vector<TWideCodeEditModel*> editors_;
    mutable TIdentChars identChars_;
    mutable bool identCharsKnown_ = false;
};

} // namespace editor
