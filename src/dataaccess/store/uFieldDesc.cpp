#include "dataaccess/store/uFieldDesc.h"

#include "dataaccess/store/uDAConsts.h"
#include "dataaccess/store/uDataUtils.h"
#include "dataaccess/store/uSharedObject.h"
#include "platform/data/DataError.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

namespace dataaccess {

TFieldDesc::~TFieldDesc() {
    if (typeDescriptor_) typeDescriptor_->Release();
}

void TFieldDesc::SetTypeDescriptor(TSharedObject* descriptor) {
    if (descriptor) descriptor->AddRef();
    if (typeDescriptor_) typeDescriptor_->Release();
    typeDescriptor_ = descriptor;
}

TFieldDesc& TFieldDescs::Items(int index) const {
    if (index < 0 || index >= Count()) rtl::ListIndexError(index);
    return *items_[static_cast<size_t>(index)];
}

TFieldDesc& TFieldDescs::Add(std::unique_ptr<TFieldDesc> field) {
    items_.push_back(std::move(field));
    return *items_.back();
}

TFieldDesc* TFieldDescs::FindField(std::string_view name) const {
    for (const auto& field : items_)
        if (!field->OwnerField && SameTextAnsi(field->FieldName, name)) return field.get();
    const bool path = name.find_first_of(".[") != std::string_view::npos;
    for (const auto& field : items_) {
        if (path ? SameTextAnsi(field->ServerName, name)
                 : field->OwnerField && SameTextAnsi(field->FieldName, name))
            return field.get();
    }
    return nullptr;
}

TFieldDesc& TFieldDescs::FieldNamed(std::string_view name) const {
    if (TFieldDesc* field = FindField(name)) return *field;
    data::DatabaseError(rtl::Format(SFieldNotFound, std::string(name)));
}

} // namespace dataaccess
