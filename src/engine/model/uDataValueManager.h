// Makes the typed values of a run.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/uDataConverter.h"
#include "core/uDataTypes.h"
#include "core/uDataValues.h"
#include "platform/rtl/Variant.h"

namespace engine {

// Makes the values of a run; every value carries the program's converter, which must outlive it.
class TDataValueManager {
public:
    explicit TDataValueManager(core::TDataConverter* converter);

    core::TDataConverter* Converter() const { return converter_; }

    // A value of the bare kind: binary code page, scale 0, unlimited length, every 64-bit integer.
    std::shared_ptr<core::IRODataValue> CreateValue(const rtl::Variant& value, core::TDataType kind) const;
    std::shared_ptr<core::IRODataValue> CreateBoolean(bool value) const;
    std::shared_ptr<core::IRODataValue> CreateInteger(std::int64_t value) const;
    // Scale 254 stays unspecified; any other scale above 18 becomes 18.
    std::shared_ptr<core::IRODataValue> CreateFloat(std::uint8_t scale, long double value) const;
    // Unlimited length.
    std::shared_ptr<core::IRODataValue> CreateString(std::string_view text, std::int32_t codePage) const;
    // A value holder of a declared type, holding NULL.
    std::shared_ptr<core::IRWDataValue>
    CreateVariableValue(const core::TDatatypeCharacteristics& characteristics) const;
    // The bytes of a hexadecimal or bit literal as a binary string that also reads as a big-endian number.
    std::shared_ptr<core::IRODataValue> CreateHexValue(std::string_view hexDigits) const;
    std::shared_ptr<core::IRODataValue> CreateBitValue(std::string_view binaryDigits) const;

private:
    std::shared_ptr<core::IRODataValue> CreateBinaryLiteral(std::string bytes) const;

    core::TDataConverter* converter_;
};

} // namespace engine
