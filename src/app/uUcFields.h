#pragma once

#include "platform/data/FieldClasses.h"
#include "platform/data/FieldClassTable.h"

#include <memory>

namespace app {

// Text of a column read as UTF-16: the record keeps the UTF-8 bytes, the value is wide text.
// AsString stays UTF-8.
class TUcStringField : public data::TStringField {
public:
    using TStringField::TStringField;

    std::u16string AsWideString() const;

protected:
    rtl::Variant GetAsVariant() const override;
};

// A long text column read as UTF-16.
class TUcMemoField : public data::TMemoField {
public:
    using TMemoField::TMemoField;

    std::u16string AsWideString() const;

protected:
    rtl::Variant GetAsVariant() const override;
};

// The standard field classes with the two above for ftString, ftFixedChar and ftMemo.
std::shared_ptr<const data::TFieldClassTable> UcFieldClasses();

} // namespace app
