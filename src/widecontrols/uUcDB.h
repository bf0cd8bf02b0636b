// Text fields read as UTF-16 in the encoding of their column.
#pragma once

#include "widecontrols/uFiler.h"
#include "widecontrols/uUcUtils.h"

#include "platform/data/FieldClasses.h"
#include "platform/data/FieldClassTable.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace widecontrols {

// How a text column's bytes are read as UTF-16 and written back.
enum TUcStringFieldEncodingMode : uint8_t {
    emNone, // the default ANSI code page
    emUTF8, // the default
    emUTF7,
    emFixedCodePage,     // FixedCodePage
    emFixedCodePage_Safe // FixedCodePage with every byte from 0x80 escaped below 0x80
};

enum TUcStringFieldCodePageEnum : uint8_t {
    fcpOther,
    fcpThai,
    fcpJapanese,
    fcpSimplifiedChinese,
    fcpTraditionalChinese,
    fcpKorean,
    fcpCentralEuropean,
    fcpCyrillic,
    fcpLatinWestern,
    fcpGreek,
    fcpTurkish,
    fcpHebrew,
    fcpArabic,
    fcpBaltic,
    fcpVietnamese
};

// The handler sets `text` to the text to show (doDisplayText) or edit.
using TFieldGetWideTextEvent =
    std::function<void(data::TField* sender, WideString& text, bool doDisplayText)>;
// The handler stores `text` into the field.
using TFieldSetWideTextEvent = std::function<void(data::TField* sender, const WideString& text)>;

// Wide access to a field's value and text.
class IWideTextField {
public:
    virtual WideString GetWideValue() const = 0;
    virtual void SetWideValue(const WideString& text) = 0;
    virtual WideString GetWideDisplayValue() const = 0;
    virtual WideString GetWideEditValue() const = 0;
    virtual void SetWideEditValue(const WideString& text) = 0;

protected:
    ~IWideTextField() = default; // fields are owned components, never freed through this
};

// The escape of emFixedCodePage_Safe: 0x80 becomes 80 80, a byte b above it 80 (b - 0x80).
std::string EncodeSafeCodePageText(std::u16string_view text, int codePage);
// A final lone 0x80 reads as 0x80.
WideString DecodeSafeCodePageText(std::string_view bytes, int codePage);

// A field over 8-bit stored text that reads and writes UTF-16. `Base` is the framework's string or memo
// field; "the stored text" is its own 8-bit value (the record's bytes, or the whole blob).
template <class Base>
class TUcTextField : public Base, public IWideTextField, public IStreamedObject {
public:
    explicit TUcTextField(data::TComponent* owner) : Base(owner) {}

    TUcStringFieldEncodingMode EncodingMode() const { return encodingMode_; }
    void SetEncodingMode(TUcStringFieldEncodingMode mode) { encodingMode_ = mode; }
    uint16_t FixedCodePage() const { return fixedCodePage_; }
    void SetFixedCodePage(uint16_t codePage) { fixedCodePage_ = codePage; }
    // The row of FixedCodePage in the table, fcpOther when it has none; setting fcpOther changes nothing.
    TUcStringFieldCodePageEnum FixedCodePageEnum() const;
    void SetFixedCodePageEnum(TUcStringFieldCodePageEnum value);
    // The variant value is the stored 8-bit text itself.
    bool RawVariantAccess() const { return rawVariantAccess_; }
    void SetRawVariantAccess(bool value) { rawVariantAccess_ = value; }

    // The wide events. Setting one also installs a bridge as the framework's 8-bit event of the same
    // name, so DisplayText, Text and SetEditText run the wide handler too.
    const TFieldGetWideTextEvent& OnGetText() const { return onGetText_; }
    void SetOnGetText(TFieldGetWideTextEvent handler);
    const TFieldSetWideTextEvent& OnSetText() const { return onSetText_; }
    void SetOnSetText(TFieldSetWideTextEvent handler);

    WideString GetWideValue() const override;
    void SetWideValue(const WideString& text) override;
    WideString GetWideDisplayValue() const override { return WideText(true); }
    WideString GetWideEditValue() const override { return WideText(false); }
    void SetWideEditValue(const WideString& text) override;

    void SetAsString(const std::string& value) override;

    // EncodingMode and RawVariantAccess when they are not the default, FixedCodePage only with
    // emFixedCodePage.
    const TPropInfos& PropInfos() const override;

protected:
    std::string GetAsString() const override;
    rtl::Variant GetAsVariant() const override;
    void SetVarValue(const rtl::Variant& value) override;

private:
    WideString WideText(bool display) const;

    TUcStringFieldEncodingMode encodingMode_ = emUTF8;
    uint16_t fixedCodePage_ = 1252;
    bool rawVariantAccess_ = false;
    TFieldGetWideTextEvent onGetText_;
    TFieldSetWideTextEvent onSetText_;
};

extern template class TUcTextField<data::TStringField>;
extern template class TUcTextField<data::TMemoField>;

// Text and fixed-length text columns.
class TUcStringField : public TUcTextField<data::TStringField> {
public:
    using TUcTextField::TUcTextField;
};

// Long text columns.
class TUcMemoField : public TUcTextField<data::TMemoField> {
public:
    using TUcTextField::TUcTextField;
};

// Wide text of any field: through IWideTextField where the field has it, else the framework's wide
// string field, the memo's variant, or the 8-bit text in the default ANSI code page.
WideString GetFieldWideValue(data::TField* field);
void SetFieldWideValue(data::TField* field, const WideString& text);
WideString GetFieldWideDisplayValue(data::TField* field);
WideString GetFieldWideEditValue(data::TField* field);
void SetFieldWideEditValue(data::TField* field, const WideString& text);

// The standard field classes with the two above for ftString, ftFixedChar and ftMemo.
std::shared_ptr<const data::TFieldClassTable> UcFieldClasses();

} // namespace widecontrols
