#include "app/fuCodeGenerator.h"

#include "parser/uMySqlGrammar.h"
#include "parser/uParser.h"
#include "parser/uSQLRoutines.h"

namespace app {

void ParseRoutineHeader(std::u16string_view text, std::string& name, std::string& type,
                        std::vector<std::string>* parameters) {
    name.clear();
    type.clear();
    try {
        parser::TMySqlGrammar grammar;
        grammar.SetParseMode(parser::pmRoutineHeader);
        parser::GrammarParserCache().GetParser<parser::TMySqlGrammar>().Parse(grammar, text);
        for (parser::TSymbol* symbol : grammar.Children()) {
            auto* header = dynamic_cast<parser::TgrmRoutineHeader*>(symbol);
            if (!header) continue;
            name = header->GetRoutineName();
            type = header->GetRoutineType();
            if (parameters) {
                std::vector<parser::TgrmParameterDefinition*> definitions;
                header->GetParameters(&definitions);
                for (const auto* definition : definitions)
                    parameters->push_back(parser::GetSourceText(*definition, true, false));
            }
            return;
        }
    } catch (const std::exception&) {
        // Not a routine header: the outputs stay as far as they were read.
    }
}

} // namespace app
