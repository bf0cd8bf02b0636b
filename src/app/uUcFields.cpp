#include "app/uUcFields.h"

#include "platform/rtl/Utf.h"

namespace app {

std::u16string TUcStringField::AsWideString() const {
    return rtl::Utf8ToUtf16(AsString());
}

rtl::Variant TUcStringField::GetAsVariant() const {
    return IsNull() ? rtl::Variant::Null() : rtl::Variant(AsWideString());
}

std::u16string TUcMemoField::AsWideString() const {
    return rtl::Utf8ToUtf16(AsString());
}

rtl::Variant TUcMemoField::GetAsVariant() const {
    return IsNull() ? rtl::Variant::Null() : rtl::Variant(AsWideString());
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

} // namespace app
