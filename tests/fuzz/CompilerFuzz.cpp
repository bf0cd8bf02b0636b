// libFuzzer entry point: UTF-8 text compiled as the main block; whatever parses goes on through the
// statement and expression builders.

#include "core/uDataConverter.h"
#include "engine/local/uCompiler.h"
#include "engine/local/uProgram.h"
#include "parser/uParser.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Utf.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace {

class TEmptySchema : public engine::ISchema {
public:
    std::shared_ptr<engine::ISchemaItem> GetItem(int) const override { return nullptr; }
    int Count() const override { return 0; }
    void Add(const std::shared_ptr<engine::ISchemaItem>&) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    core::TDataConverter converter;
    converter.SetDefaultCodePage(rtl::kCodePageUtf8);
    engine::TProgram program(std::make_shared<TEmptySchema>(), &converter);
    engine::TRoutine& main = program.MainRoutine();
    main.SetText(rtl::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size)));
    try {
        main.Compile();
    } catch (const parser::EGrammarError&) {
    } catch (const engine::ECompileError&) {
    }
    return 0;
}
