#include "dataaccess/store/uDataHelper.h"

#include "dataaccess/store/uData.h"

namespace dataaccess {

void TDataHelper::AllocBuffer() {
    FreeBuffer();
    buffer_ = data_.NewRecordBuffer();
}

void TDataHelper::FreeBuffer() {
    if (!buffer_) return;
    data_.DisposeRecordBuffer(buffer_);
    buffer_ = nullptr;
}

void TDataHelper::InitRecord() {
    data_.InitRecord(buffer_);
    if (data_.HasComplexFields()) data_.CreateComplexFields(buffer_, true);
}

void TDataHelper::AppendRecord() {
    data_.AppendRecord(buffer_);
}

bool TDataHelper::NextRecord() {
    data_.GetNextRecord(buffer_);
    return !data_.IsEof();
}

rtl::Variant TDataHelper::GetFieldValue(int fieldNo) const {
    return data_.ReadFieldAsVariant(fieldNo, buffer_);
}

void TDataHelper::SetFieldValue(int fieldNo, const rtl::Variant& value) {
    data_.WriteFieldAsVariant(fieldNo, buffer_, value);
}

} // namespace dataaccess
