#include "engine/CompilerTestSupport.h"

#include "core/uDBAConnection.h"
#include "engine/local/uCompiler.h"
#include "engine/model/uDebugger.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Utf.h"

namespace engine {

namespace {

class TEmptySchema : public ISchema {
public:
    std::shared_ptr<ISchemaItem> GetItem(int) const override { return nullptr; }
    int Count() const override { return 0; }
    void Add(const std::shared_ptr<ISchemaItem>&) override {}
};

} // namespace

CompilerTest::CompilerTest() : program(std::make_shared<TEmptySchema>(), &converter) {
    converter.SetDefaultCodePage(rtl::kCodePageUtf8);
}

TRoutine& CompilerTest::CompileMain(std::string_view text) {
    TRoutine& main = program.MainRoutine();
    main.SetText(rtl::Utf8ToUtf16(text));
    main.Compile();
    return main;
}

std::shared_ptr<IBlock> CompilerTest::MainBlock() {
    const auto statements = program.MainRoutine().Block()->GetStatements();
    EXPECT_EQ(statements->Count(), 1);
    return std::dynamic_pointer_cast<IBlock>(statements->GetStatement(0));
}

TOutcome CompilerTest::RunMain(std::string_view text, const std::vector<std::string>& variables) {
    CompileMain(text);
    return OutcomeOf([&]() -> std::optional<std::string> {
        RunProgram(program, CreateNullDebugger());
        const auto block = MainBlock();
        if (variables.size() == 1) return ValueText(*block->FindLocalSymbol(variables[0])->GetValue());
        std::string row;
        for (const std::string& name : variables) {
            if (!row.empty()) row += "|";
            row += ValueText(*block->FindLocalSymbol(name)->GetValue()).value_or("NULL");
        }
        return row;
    });
}

std::string CompilerTest::ServerBlock(std::string_view text, const std::vector<std::string>& variables) {
    // "BEGIN ... END" becomes "BEGIN NOT ATOMIC ... SELECT variables; END".
    const std::string body(text.substr(5, text.rfind("END") - 5));
    std::string select;
    for (const std::string& name : variables)
        select += (select.empty() ? "SELECT " : ", ") + name;
    return "BEGIN NOT ATOMIC" + body + select + "; END";
}

void ExpectCompileError(const std::function<void()>& compile, const TErrorCase& c) {
    try {
        compile();
        ADD_FAILURE() << "compiled";
    } catch (const ECompileError& error) {
        EXPECT_EQ(error.Message(), c.message);
        EXPECT_EQ(error.StartPosition(), c.start);
        EXPECT_EQ(error.EndPosition(), c.end);
    }
}

} // namespace engine
