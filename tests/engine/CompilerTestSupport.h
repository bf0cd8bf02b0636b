#pragma once

// A program compiled by the base compiler and run without a server, and the same main block as a
// compound statement for the server, so that one table of texts can run on both.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "core/uDataConverter.h"
#include "engine/InterpreterTestSupport.h"
#include "engine/local/uProgram.h"
#include "engine/model/uStatements.h"

namespace engine {

class CompilerTest : public ::testing::Test {
protected:
    CompilerTest();

    // Compiles the text as the main block.
    TRoutine& CompileMain(std::string_view text);
    // The block of a compiled main text that is one BEGIN ... END.
    std::shared_ptr<IBlock> MainBlock();
    // Compiles and runs the main text with a do-nothing debugger; then the values of the named
    // variables of its block as ServerOutcome shows a row, or the MySQL error the run ended with.
    TOutcome RunMain(std::string_view text, const std::vector<std::string>& variables);
    // The same text as a compound statement for the server, selecting the variables at its end.
    static std::string ServerBlock(std::string_view text, const std::vector<std::string>& variables);

    core::TDataConverter converter;
    TProgram program;
};

// A text that must fail to compile with this message at these (start, end) offsets.
struct TErrorCase {
    const char* text;
    const char* message;
    int start;
    int end;
};

inline void PrintTo(const TErrorCase& c, std::ostream* os) {
    *os << c.text;
}

// Runs the compilation and checks that it raises exactly the case's error.
void ExpectCompileError(const std::function<void()>& compile, const TErrorCase& c);

} // namespace engine
