#include "platform/data/FieldClassTable.h"

#include "platform/data/FieldClasses.h"

#include <mutex>

namespace data {

size_t TFieldClassTable::Index(TFieldType type) {
    const auto index = static_cast<size_t>(type);
    if (index > ftFixedWideChar) rtl::AssertionFailed("Unknown field type", __FILE__, __LINE__);
    return index;
}

TFieldClass TFieldClassTable::Get(TFieldType type) const {
    return classes_[Index(type)];
}

void TFieldClassTable::Set(TFieldType type, TFieldClass fieldClass) {
    classes_[Index(type)] = fieldClass;
}

TFieldClassTable TFieldClassTable::Standard() {
    TFieldClassTable table;
    table.Set(ftString, &FieldClassOf<TStringField>);
    table.Set(ftFixedChar, &FieldClassOf<TStringField>);
    table.Set(ftGuid, &FieldClassOf<TGuidField>);
    table.Set(ftWideString, &FieldClassOf<TWideStringField>);
    table.Set(ftSmallint, &FieldClassOf<TSmallintField>);
    table.Set(ftInteger, &FieldClassOf<TIntegerField>);
    table.Set(ftWord, &FieldClassOf<TWordField>);
    table.Set(ftAutoInc, &FieldClassOf<TAutoIncField>);
    table.Set(ftLargeint, &FieldClassOf<TLargeintField>);
    table.Set(ftFloat, &FieldClassOf<TFloatField>);
    table.Set(ftCurrency, &FieldClassOf<TCurrencyField>);
    table.Set(ftBCD, &FieldClassOf<TBCDField>);
    table.Set(ftBoolean, &FieldClassOf<TBooleanField>);
    table.Set(ftDate, &FieldClassOf<TDateField>);
    table.Set(ftTime, &FieldClassOf<TTimeField>);
    table.Set(ftDateTime, &FieldClassOf<TDateTimeField>);
    table.Set(ftBytes, &FieldClassOf<TBytesField>);
    table.Set(ftVarBytes, &FieldClassOf<TVarBytesField>);
    for (TFieldType blob : {ftBlob, ftGraphic, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftOraBlob})
        table.Set(blob, &FieldClassOf<TBlobField>);
    for (TFieldType memo : {ftMemo, ftFmtMemo, ftOraClob})
        table.Set(memo, &FieldClassOf<TMemoField>);
    table.Set(ftVariant, &FieldClassOf<TVariantField>);
    return table;
}

namespace {

std::mutex& DefaultTableLock() {
    static std::mutex lock;
    return lock;
}

TFieldClassTable& DefaultTable() {
    static TFieldClassTable table = TFieldClassTable::Standard();
    return table;
}

} // namespace

TFieldClass DefaultFieldClass(TFieldType type) {
    std::lock_guard guard(DefaultTableLock());
    return DefaultTable().Get(type);
}

void SetDefaultFieldClass(TFieldType type, TFieldClass fieldClass) {
    std::lock_guard guard(DefaultTableLock());
    DefaultTable().Set(type, fieldClass);
}

} // namespace data
