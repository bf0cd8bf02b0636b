#include "engine/model/uDataValueManager.h"

#include "core/uStringUtils.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Exception.h"

namespace engine {

TDataValueManager::TDataValueManager(core::TDataConverter* converter) : converter_(converter) {
    RTL_ASSERT(converter_);
}

std::shared_ptr<core::IRODataValue> TDataValueManager::CreateValue(const rtl::Variant& value,
                                                                   core::TDataType kind) const {
    return std::make_shared<core::TRODataValue>(value, core::BareCharacteristics(kind), converter_);
}

std::shared_ptr<core::IRODataValue> TDataValueManager::CreateBoolean(bool value) const {
    return CreateValue(rtl::Variant(value), core::dtBoolean);
}

std::shared_ptr<core::IRODataValue> TDataValueManager::CreateInteger(std::int64_t value) const {
    return CreateValue(rtl::Variant(value), core::dtInteger);
}

std::shared_ptr<core::IRODataValue> TDataValueManager::CreateFloat(std::uint8_t scale,
                                                                   long double value) const {
    return std::make_shared<core::TRODataValue>(rtl::Variant(value), core::FloatCharacteristics(scale),
                                                converter_);
}

std::shared_ptr<core::IRODataValue> TDataValueManager::CreateString(std::string_view text,
                                                                    std::int32_t codePage) const {
    return std::make_shared<core::TRODataValue>(
        rtl::Variant(text), core::StringCharacteristics(codePage, core::kUnlimitedLength), converter_);
}

std::shared_ptr<core::IRWDataValue>
TDataValueManager::CreateVariableValue(const core::TDatatypeCharacteristics& characteristics) const {
    return std::make_shared<core::TRWDataValue>(rtl::Variant::Null(), characteristics, converter_);
}

std::shared_ptr<core::IRODataValue> TDataValueManager::CreateHexValue(std::string_view hexDigits) const {
    return CreateBinaryLiteral(core::HexToBytes(hexDigits));
}

std::shared_ptr<core::IRODataValue> TDataValueManager::CreateBitValue(std::string_view binaryDigits) const {
    return CreateBinaryLiteral(core::BitStringToBytes(binaryDigits));
}

std::shared_ptr<core::IRODataValue> TDataValueManager::CreateBinaryLiteral(std::string bytes) const {
    return std::make_shared<core::TRODataValue>(
        rtl::Variant(std::move(bytes)),
        core::StringCharacteristics(rtl::kCodePageBinary, core::kUnlimitedLength), converter_, true);
}

} // namespace engine
