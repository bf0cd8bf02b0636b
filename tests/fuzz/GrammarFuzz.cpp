// libFuzzer entry point: the first byte picks the parse mode, the rest is routine text in UTF-8
// (malformed sequences and NUL bytes included) for the tokenizer and the MySQL grammar.

#include "parser/uMySqlGrammar.h"
#include "parser/uParser.h"
#include "platform/rtl/Utf.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::u16string text =
        rtl::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    parser::TMySqlGrammar grammar;
    grammar.SetParseMode(data[0] % 8);
    try {
        parser::GrammarParserCache().GetParser<parser::TMySqlGrammar>().Parse(grammar, text);
    } catch (const parser::EGrammarError&) {
    }
    return 0;
}
