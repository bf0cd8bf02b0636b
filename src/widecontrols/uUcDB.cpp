#include "widecontrols/uUcDB.h"

#include <array>

namespace widecontrols {

namespace {

constexpr std::array<uint16_t, fcpVietnamese + 1> kFixedCodePages = {
    0, 874, 932, 936, 950, 949, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};

constexpr unsigned char kEscape = 0x80;

[[noreturn]] void UnexpectedEncodingMode() {
    throw EUcInternalError("Internal Error: Unexpected EncodingMode");
}

WideString Decode(const std::string& stored, TUcStringFieldEncodingMode mode, int codePage) {
    switch (mode) {
    case emNone:
        return AnsiToWide(stored);
    case emUTF8:
        return Utf8ToWide(stored);
    case emUTF7:
        try {
            return Utf7ToWide(stored);
        } catch (const EUcGeneralError&) {
            // Stored data never makes a read fail: bytes that are not UTF-7 show as they are.
            return AnsiToWide(stored);
        }
    case emFixedCodePage:
        return StringToWideWithCodePage(stored, codePage);
    case emFixedCodePage_Safe:
        return DecodeSafeCodePageText(stored, codePage);
    }
    UnexpectedEncodingMode();
}

std::string Encode(const WideString& text, TUcStringFieldEncodingMode mode, int codePage) {
    switch (mode) {
    case emNone:
        return WideToAnsi(text);
    case emUTF8:
        return WideToUtf8(text);
    case emUTF7:
        return WideToUtf7(text);
    case emFixedCodePage:
        return WideToStringWithCodePage(text, codePage);
    case emFixedCodePage_Safe:
        return EncodeSafeCodePageText(text, codePage);
    }
    UnexpectedEncodingMode();
}

} // namespace

std::string EncodeSafeCodePageText(std::u16string_view text, int codePage) {
    std::string out;
    for (const char c : WideToStringWithCodePage(text, codePage)) {
        const auto b = static_cast<unsigned char>(c);
        if (b < kEscape) {
            out += c;
        } else {
            out += static_cast<char>(kEscape);
            out += static_cast<char>(b == kEscape ? kEscape : b - kEscape);
        }
    }
    return out;
}

WideString DecodeSafeCodePageText(std::string_view bytes, int codePage) {
    std::string raw;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b != kEscape) {
            raw += static_cast<char>(b);
            continue;
        }
        const unsigned next = ++i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
        raw += static_cast<char>(next == kEscape ? kEscape : (next + kEscape) & 0xFF);
    }
    return StringToWideWithCodePage(raw, codePage);
}

template <class Base>
TUcStringFieldCodePageEnum TUcTextField<Base>::FixedCodePageEnum() const {
    for (size_t i = 0; i < kFixedCodePages.size(); ++i)
        if (kFixedCodePages[i] == fixedCodePage_) return static_cast<TUcStringFieldCodePageEnum>(i);
    return fcpOther;
}

template <class Base>
void TUcTextField<Base>::SetFixedCodePageEnum(TUcStringFieldCodePageEnum value) {
    if (value != fcpOther) fixedCodePage_ = kFixedCodePages.at(value);
}

template <class Base>
void TUcTextField<Base>::SetOnGetText(TFieldGetWideTextEvent handler) {
    onGetText_ = std::move(handler);
    if (!onGetText_) {
        data::TField::OnGetText = nullptr;
        return;
    }
    data::TField::OnGetText = [this](data::TField*, std::string& text, bool displayText) {
        WideString wide = AnsiToWide(text);
        onGetText_(this, wide, displayText);
        text = WideToAnsi(wide);
    };
}

template <class Base>
void TUcTextField<Base>::SetOnSetText(TFieldSetWideTextEvent handler) {
    onSetText_ = std::move(handler);
    if (!onSetText_) {
        data::TField::OnSetText = nullptr;
        return;
    }
    data::TField::OnSetText = [this](data::TField*, const std::string& text) {
        onSetText_(this, AnsiToWide(text));
    };
}

template <class Base>
WideString TUcTextField<Base>::GetWideValue() const {
    return Decode(Base::GetAsString(), encodingMode_, fixedCodePage_);
}

template <class Base>
void TUcTextField<Base>::SetWideValue(const WideString& text) {
    Base::SetAsString(Encode(text, encodingMode_, fixedCodePage_));
}

template <class Base>
WideString TUcTextField<Base>::WideText(bool display) const {
    WideString text;
    if (onGetText_) {
        onGetText_(const_cast<TUcTextField*>(this), text, display);
        return text;
    }
    // A handler on the 8-bit event that is not our bridge: the framework's text runs it.
    if (data::TField::OnGetText) return AnsiToWide(display ? this->GetDisplayText() : this->GetEditText());
    return GetWideValue();
}

template <class Base>
void TUcTextField<Base>::SetWideEditValue(const WideString& text) {
    if (onSetText_)
        onSetText_(this, text);
    else if (data::TField::OnSetText)
        this->SetEditText(WideToAnsi(text));
    else
        SetWideValue(text);
}

template <class Base>
std::string TUcTextField<Base>::GetAsString() const {
    return encodingMode_ == emNone ? Base::GetAsString() : WideToAnsi(GetWideValue());
}

template <class Base>
void TUcTextField<Base>::SetAsString(const std::string& value) {
    if (encodingMode_ == emNone)
        Base::SetAsString(value);
    else
        SetWideValue(AnsiToWide(value));
}

template <class Base>
rtl::Variant TUcTextField<Base>::GetAsVariant() const {
    if (rawVariantAccess_) return Base::GetAsVariant();
    return this->IsNull() ? rtl::Variant::Null() : rtl::Variant(GetWideValue());
}

template <class Base>
void TUcTextField<Base>::SetVarValue(const rtl::Variant& value) {
    if (rawVariantAccess_)
        Base::SetVarValue(value);
    else
        SetWideValue(value.AsWideString());
}

template <class Base>
const TPropInfos& TUcTextField<Base>::PropInfos() const {
    const auto self = [](const data::TPersistent& o) -> const TUcTextField& {
        return static_cast<const TUcTextField&>(o);
    };
    const auto mutableSelf = [](data::TPersistent& o) -> TUcTextField& {
        return static_cast<TUcTextField&>(o);
    };
    static const TPropInfos props = {
        {"EncodingMode", tkInteger,
         [=](const data::TPersistent& o) { return rtl::Variant(int64_t{self(o).encodingMode_}); },
         [=](data::TPersistent& o, const rtl::Variant& v) {
             mutableSelf(o).encodingMode_ = static_cast<TUcStringFieldEncodingMode>(v.AsInt64());
         },
         nullptr, emUTF8},
        {"FixedCodePage", tkInteger,
         [=](const data::TPersistent& o) { return rtl::Variant(int64_t{self(o).fixedCodePage_}); },
         [=](data::TPersistent& o, const rtl::Variant& v) {
             mutableSelf(o).fixedCodePage_ = static_cast<uint16_t>(v.AsInt64());
         },
         [=](const data::TPersistent& o) { return self(o).encodingMode_ == emFixedCodePage; },
         TPropInfo::kNoDefault},
        {"RawVariantAccess", tkInteger,
         [=](const data::TPersistent& o) { return rtl::Variant(int64_t{self(o).rawVariantAccess_}); },
         [=](data::TPersistent& o, const rtl::Variant& v) {
             mutableSelf(o).rawVariantAccess_ = v.AsInt64() != 0;
         },
         nullptr, 0},
    };
    return props;
}

template class TUcTextField<data::TStringField>;
template class TUcTextField<data::TMemoField>;

WideString GetFieldWideValue(data::TField* field) {
    if (auto* wide = dynamic_cast<IWideTextField*>(field)) return wide->GetWideValue();
    if (auto* wide = dynamic_cast<data::TWideStringField*>(field)) return wide->AsWideString();
    if (dynamic_cast<data::TMemoField*>(field)) {
        const rtl::Variant value = field->Value();
        return value.IsNull() ? WideString() : value.AsWideString();
    }
    return AnsiToWide(field->AsString());
}

void SetFieldWideValue(data::TField* field, const WideString& text) {
    if (auto* wide = dynamic_cast<IWideTextField*>(field))
        wide->SetWideValue(text);
    else if (auto* wide = dynamic_cast<data::TWideStringField*>(field))
        wide->SetAsWideString(text);
    else if (dynamic_cast<data::TMemoField*>(field))
        field->SetValue(rtl::Variant(text));
    else
        field->SetAsString(WideToAnsi(text));
}

WideString GetFieldWideDisplayValue(data::TField* field) {
    if (auto* wide = dynamic_cast<IWideTextField*>(field)) return wide->GetWideDisplayValue();
    if (dynamic_cast<data::TWideStringField*>(field) && !field->OnGetText) return GetFieldWideValue(field);
    return AnsiToWide(field->DisplayText());
}

WideString GetFieldWideEditValue(data::TField* field) {
    if (auto* wide = dynamic_cast<IWideTextField*>(field)) return wide->GetWideEditValue();
    if (dynamic_cast<data::TWideStringField*>(field) && !field->OnGetText) return GetFieldWideValue(field);
    return AnsiToWide(field->Text());
}

void SetFieldWideEditValue(data::TField* field, const WideString& text) {
    if (auto* wide = dynamic_cast<IWideTextField*>(field))
        wide->SetWideEditValue(text);
    else if (dynamic_cast<data::TWideStringField*>(field) && !field->OnSetText)
        SetFieldWideValue(field, text);
    else
        field->SetEditText(WideToAnsi(text));
}

std::shared_ptr<const data::TFieldClassTable> UcFieldClasses() {
    static const auto table = [] {
        auto classes = std::make_shared<data::TFieldClassTable>(data::TFieldClassTable::Standard());
        classes->Set(data::ftString, &data::FieldClassOf<TUcStringField>);
        classes->Set(data::ftFixedChar, &data::FieldClassOf<TUcStringField>);
        classes->Set(data::ftMemo, &data::FieldClassOf<TUcMemoField>);
        return std::shared_ptr<const data::TFieldClassTable>(std::move(classes));
    }();
    return table;
}

} // namespace widecontrols
