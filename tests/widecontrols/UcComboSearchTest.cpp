#include "widecontrols/uUcComboSearch.h"

#include "platform/ui/Clock.h"

#include <gtest/gtest.h>

#include <vector>

namespace widecontrols {
namespace {

// A combo box without a window: its edit's text and selection, its list and what happened.
class FakeCombo : public IComboSearchTarget {
public:
    explicit FakeCombo(TComboSearchStyle style) : style(style) {}

    TComboSearchStyle SearchStyle() const override { return style; }
    bool AutoComplete() const override { return autoComplete; }
    bool AutoDropDown() const override { return autoDropDown; }
    bool AutoCloseUp() const override { return autoCloseUp; }
    bool DroppedDown() const override { return droppedDown; }
    void SetDroppedDown(bool value) override {
        droppedDown = value;
        if (value && itemIndex >= 0) text = items[static_cast<size_t>(itemIndex)];
    }
    WideString WideText() const override { return text; }
    void SetWideText(std::u16string_view value) override { text = value; }
    int SelStart() const override { return selStart; }
    void SetSelStart(int value) override { selStart = value; }
    int SelLength() const override { return selLength; }
    void SetSelLength(int value) override { selLength = value; }
    int ItemCount() const override { return static_cast<int>(items.size()); }
    WideString Item(int index) const override { return items.at(static_cast<size_t>(index)); }
    int ItemIndex() const override { return itemIndex; }
    void SetItemIndex(int index) override { itemIndex = index; }
    void ItemChosen() override { ++choices; }

    // Types `key` at the caret as the edit would when the completion leaves it.
    void Type(WideChar key, bool uniqueOnly = false) {
        ComboAutoCompleteKeyPress(*this, key, uniqueOnly, true);
        if (key == 0) return;
        if (key == 8) {
            if (selLength == 0 && selStart > 0) --selStart, ++selLength;
            text.erase(static_cast<size_t>(selStart), static_cast<size_t>(selLength));
        } else {
            text.replace(static_cast<size_t>(selStart), static_cast<size_t>(selLength), 1, key);
            ++selStart;
        }
        selLength = 0;
    }

    TComboSearchStyle style;
    bool autoComplete = true, autoDropDown = false, autoCloseUp = false, droppedDown = false;
    std::vector<WideString> items{u"Apple", u"apricot", u"Banana"};
    WideString text;
    int selStart = 0, selLength = 0, itemIndex = -1, choices = 0;
};

TEST(UcComboAutoCompleteTest, TypingAtTheEndCompletesKeepingTheTypedLetters) {
    FakeCombo combo(TComboSearchStyle::DropDown);
    combo.Type(u'a');
    EXPECT_EQ(combo.text, u"apple");
    EXPECT_EQ(combo.selStart, 1);
    EXPECT_EQ(combo.selLength, 4);
    EXPECT_EQ(combo.itemIndex, 0);
    EXPECT_EQ(combo.choices, 1);

    combo.Type(u'p');
    EXPECT_EQ(combo.text, u"apple");
    EXPECT_EQ(combo.selStart, 2);
    EXPECT_EQ(combo.selLength, 3);
    // The text "apple" is not the item's "Apple": the choice counts again.
    EXPECT_EQ(combo.choices, 2);

    combo.Type(u'r'); // "apr" goes on to the next item
    EXPECT_EQ(combo.text, u"apricot");
    EXPECT_EQ(combo.itemIndex, 1);
    combo.Type(u'i'); // the text is the item's now
    EXPECT_EQ(combo.choices, 3);

    combo.Type(8); // Backspace deletes the completion and completes nothing
    EXPECT_EQ(combo.text, u"apri");
    combo.Type(u'x');
    EXPECT_EQ(combo.text, u"aprix");
    EXPECT_EQ(combo.selLength, 0);
}

TEST(UcComboAutoCompleteTest, NothingCompletesAwayFromTheEndOrWhenSwitchedOff) {
    FakeCombo combo(TComboSearchStyle::DropDown);
    combo.text = u"b";
    combo.selStart = 0;
    combo.Type(u'a');
    EXPECT_EQ(combo.text, u"ab");
    EXPECT_EQ(combo.itemIndex, -1);

    FakeCombo off(TComboSearchStyle::Simple);
    off.autoComplete = false;
    off.Type(u'b');
    EXPECT_EQ(off.text, u"b");
}

TEST(UcComboAutoCompleteTest, AUniqueMatchIsNeededWhenTheControlAsksForIt) {
    FakeCombo combo(TComboSearchStyle::Simple);
    combo.Type(u'a', true); // Apple and apricot
    EXPECT_EQ(combo.text, u"a");
    combo.Type(u'p', true);
    combo.Type(u'p', true);
    EXPECT_EQ(combo.text, u"apple");
    EXPECT_EQ(combo.selLength, 2);
    EXPECT_EQ(FindComboItem(combo, u"B", true), 2);
    EXPECT_EQ(FindComboItem(combo, u"c", false), -1);
}

TEST(UcComboAutoCompleteTest, TheListOpensWithTheTypedTextKeptAndClosesOnAnExactMatch) {
    FakeCombo combo(TComboSearchStyle::DropDown);
    combo.autoDropDown = combo.autoCloseUp = true;
    combo.itemIndex = 2; // opening would show Banana
    combo.Type(u'a');
    EXPECT_TRUE(combo.droppedDown);
    EXPECT_EQ(combo.text, u"apple");
    for (WideChar c : u"ppl")
        if (c) combo.Type(c);
    EXPECT_TRUE(combo.droppedDown);
    combo.Type(u'E');
    EXPECT_FALSE(combo.droppedDown);
    EXPECT_EQ(combo.text, u"applE");

    combo.droppedDown = true;
    combo.Type(9);
    EXPECT_FALSE(combo.droppedDown);
}

TEST(UcComboAutoCompleteTest, IsNotForTheListStyle) {
    FakeCombo combo(TComboSearchStyle::List);
    WideChar key = u'a';
    EXPECT_THROW(ComboAutoCompleteKeyPress(combo, key, false, true), EUcInternalError);
}

TEST(UcComboIncrementalSearchTest, KeysWithinThePauseSearchTogether) {
    ui::TManualClockScope clock(1000);
    FakeCombo combo(TComboSearchStyle::List);
    TComboIncrementalSearch search;
    const auto type = [&](WideChar key) {
        search.KeyPress(combo, key);
        return key;
    };
    EXPECT_EQ(type(u'b'), 0);
    EXPECT_EQ(combo.itemIndex, 2);
    EXPECT_EQ(combo.text, u""); // the list style has no edit to complete
    EXPECT_EQ(combo.choices, 1);

    clock->Advance(300);
    EXPECT_EQ(type(u'x'), u'x'); // "bx" matches nothing: the key passes on
    EXPECT_EQ(search.SearchText(), u"b");
    EXPECT_EQ(type(u'A'), 0);
    EXPECT_EQ(search.SearchText(), u"bA");

    type(8);
    EXPECT_EQ(search.SearchText(), u"b");

    clock->Advance(TComboIncrementalSearch::kComboSearchPause);
    EXPECT_EQ(type(u'a'), 0); // a new search
    EXPECT_EQ(combo.itemIndex, 0);
    clock->Advance(1500);
    EXPECT_EQ(type(u'b'), 0); // "b", not "ab"
    EXPECT_EQ(combo.itemIndex, 2);
    EXPECT_EQ(search.SearchText(), u"b");
    EXPECT_EQ(combo.choices, 3);
}

} // namespace
} // namespace widecontrols
