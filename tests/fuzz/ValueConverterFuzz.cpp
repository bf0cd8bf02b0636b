// libFuzzer entry point: arbitrary text through the value converter's text-to-number and
// text-to-date paths, and into every local kind of value.

#include "core/uDataConverter.h"
#include "core/uDataTypes.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Exception.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

template <class F>
void Tolerate(F&& convert) {
    try {
        convert();
    } catch (const rtl::EConversionError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Tolerate([&] { core::TDataConverter::StrToExtended(text); });
    Tolerate([&] { core::TDataConverter::StrToInt64(text); });
    core::DateTextToNumber(text);
    core::DateTimeTextToNumber(text);
    core::TimeTextToNumber(text);

    core::TDataConverter converter;
    converter.SetDefaultCodePage(rtl::kCodePageUtf8);
    const rtl::Variant value(text);
    const core::TDatatypeCharacteristics source = core::Utf8StringCharacteristics();
    const core::TDatatypeCharacteristics targets[] = {
        core::BareCharacteristics(core::dtInteger), core::FloatCharacteristics(2),
        core::BareCharacteristics(core::dtBoolean), core::BareCharacteristics(core::dtYear),
        core::EnumCharacteristics({"a", "b"}, rtl::kCodePageUtf8),
        core::SetCharacteristics({"a", "b", "c"}, rtl::kCodePageUtf8),
        core::StringCharacteristics(1252, 5),
    };
    for (const core::TDatatypeCharacteristics& target : targets) {
        Tolerate([&] { converter.NormalizeValue(converter.ConvertValue(value, source, target), target); });
    }
    Tolerate([&] { converter.ToSQL(value, source); });
    return 0;
}
