// The field class made for each field type.
#pragma once

#include "platform/data/DBTypes.h"

#include <array>

namespace data {

class TComponent;
class TField;

// A field class: makes a new field of that class with the given owner.
using TFieldClass = TField* (*)(TComponent* owner);

template <class FieldClass>
TField* FieldClassOf(TComponent* owner) {
    return new FieldClass(owner);
}

// Which field class a data set makes for each field type.
class TFieldClassTable {
public:
    TFieldClass Get(TFieldType type) const;
    void Set(TFieldType type, TFieldClass fieldClass);

    // The standard classes: TStringField for ftString and ftFixedChar, TIntegerField for ftInteger, ...
    static TFieldClassTable Standard();

private:
    static size_t Index(TFieldType type);
    std::array<TFieldClass, ftFixedWideChar + 1> classes_{};
};

// The process-wide table that data sets without a table of their own use; it starts as the standard
// one. Reads and writes are safe from any thread.
TFieldClass DefaultFieldClass(TFieldType type);
void SetDefaultFieldClass(TFieldType type, TFieldClass fieldClass);

} // namespace data
