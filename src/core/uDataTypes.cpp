#include "core/uDataTypes.h"

#include <algorithm>

#include "core/uDataValues.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Exception.h"

namespace core {

namespace {

constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();

// NULL, and the DEFAULT keyword, as a value.
class TNullDataValue : public IRODataValue {
public:
    const TDatatypeCharacteristics& GetCharacteristics() const override {
        static const TDatatypeCharacteristics null = [] {
            TDatatypeCharacteristics result;
            result.TypeName = "NULL";
            return result;
        }();
        return null;
    }
    rtl::Variant AsString() const override { return rtl::Variant::Null(); }
    rtl::Variant AsWideString() const override { return rtl::Variant::Null(); }
    rtl::Variant AsFloat() const override { return rtl::Variant::Null(); }
    rtl::Variant AsVariant() const override { return rtl::Variant::Null(); }
    rtl::Variant AsInteger() const override { return rtl::Variant::Null(); }
    rtl::Variant AsBoolean() const override { return rtl::Variant::Null(); }
    std::string AsSQL() const override { return "NULL"; }
    std::shared_ptr<IRODataValue> Clone() const override { return Self(); }
    std::shared_ptr<IRODataValue> ConvertTo(const TDatatypeCharacteristics&) const override { return Self(); }
    int Compare(const std::shared_ptr<IRODataValue>& other) const override {
        RTL_ASSERT(other);
        return other->AsVariant().IsNull() ? 0 : -1;
    }
    bool IsNull() const override { return true; }
    bool Equals(const std::shared_ptr<IRODataValue>& other) const override { return Compare(other) == 0; }

private:
    // Clone and ConvertTo hand out the shared instance they were called on.
    std::shared_ptr<IRODataValue> Self() const {
        const auto null = NullDataValue();
        return null.get() == this ? null : DefaultDataValue();
    }
};

} // namespace

TDatatypeCharacteristics MakeDatatypeCharacteristics(TDataType dataType, std::int32_t codePage,
                                                     std::uint8_t scale, std::int64_t length,
                                                     std::uint64_t maxValue, std::int64_t minValue,
                                                     std::string typeName) {
    TDatatypeCharacteristics result;
    result.DataType = dataType;
    result.Length = length;
    result.MaxValue = maxValue;
    result.MinValue = minValue;
    result.Scale = scale == kScaleNotSpecified ? scale : std::min(scale, kMaxScale);
    result.CodePage = codePage;
    result.TypeName = std::move(typeName);
    return result;
}

TDatatypeCharacteristics StringCharacteristics(std::int32_t codePage, std::int64_t length) {
    return MakeDatatypeCharacteristics(dtString, codePage, 0, length, kInt64Max, kInt64Min, {});
}

TDatatypeCharacteristics Utf8StringCharacteristics() {
    return StringCharacteristics(rtl::kCodePageUtf8, kUnlimitedLength);
}

TDatatypeCharacteristics FloatCharacteristics(std::uint8_t scale) {
    return MakeDatatypeCharacteristics(dtFloat, rtl::kCodePageBinary, scale, kUnlimitedLength, kInt64Max,
                                       kInt64Min, {});
}

TDatatypeCharacteristics EnumSetCharacteristics(TDataType dataType, const std::vector<std::string>& values,
                                                std::int32_t codePage) {
    RTL_ASSERT(dataType == dtEnum || dataType == dtSet);
    TDatatypeCharacteristics result =
        MakeDatatypeCharacteristics(dataType, codePage, 0, kEnumSetLength, 0, 0, {});
    result.Values = values;
    return result;
}

TDatatypeCharacteristics EnumCharacteristics(const std::vector<std::string>& values, std::int32_t codePage) {
    return EnumSetCharacteristics(dtEnum, values, codePage);
}

TDatatypeCharacteristics SetCharacteristics(const std::vector<std::string>& values, std::int32_t codePage) {
    return EnumSetCharacteristics(dtSet, values, codePage);
}

const TDatatypeCharacteristics& BareCharacteristics(TDataType dataType) {
    // Made once: every value computed on the client starts from one of them.
    static const auto all = [] {
        std::array<TDatatypeCharacteristics, DataTypeNames.size()> result;
        for (std::size_t i = 0; i < result.size(); ++i)
            result[i] = MakeDatatypeCharacteristics(static_cast<TDataType>(i), rtl::kCodePageBinary, 0,
                                                    kUnlimitedLength,
                                                    std::numeric_limits<std::uint64_t>::max(), kInt64Min, {});
        return result;
    }();
    RTL_ASSERT(dataType < all.size());
    return all[dataType];
}

const std::shared_ptr<IRODataValue>& NullDataValue() {
    static const std::shared_ptr<IRODataValue> instance = std::make_shared<TNullDataValue>();
    return instance;
}

const std::shared_ptr<IRODataValue>& DefaultDataValue() {
    static const std::shared_ptr<IRODataValue> instance = std::make_shared<TNullDataValue>();
    return instance;
}

std::shared_ptr<IRWDataValue> AsRWDataValue(const std::shared_ptr<IRODataValue>& value) {
    auto result = std::dynamic_pointer_cast<IRWDataValue>(value);
    if (!result) throw rtl::Exception("Read only value");
    return result;
}

std::int64_t VariantToInt64(const rtl::Variant& value) {
    return value.IsNull() ? 0 : value.AsInt64();
}

double VariantToExtended(const rtl::Variant& value) {
    return value.IsNull() ? 0 : value.AsDouble();
}

std::u16string VariantToWideString(const rtl::Variant& value) {
    return value.IsNull() ? std::u16string() : value.AsWideString();
}

bool VariantToBoolean(const rtl::Variant& value) {
    return value.IsNull() ? false : value.AsBoolean();
}

} // namespace core
