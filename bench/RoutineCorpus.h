#pragma once

// Routine texts of realistic shapes for the parse and compile benchmarks: nested blocks, handlers,
// cursors, loops, long CASE chains, and SELECTs with joins, from a few lines to a few thousand.

#include <string>
#include <vector>

namespace bench {

struct TCorpusRoutine {
    std::string name;
    bool function = false;
    std::string text; // a CREATE statement without DEFINER
};

// `count` routines whose sizes grow geometrically from 5 to about `maxLines` lines.
std::vector<TCorpusRoutine> GenerateCorpus(int count, int maxLines);

// A procedure of every shape in turn, about `bytes` long.
TCorpusRoutine RoutineOfSize(const std::string& name, size_t bytes);

// Lines of a text.
int LineCount(const std::string& text);
// Statements of a routine text: every one ends with ";" except the routine itself.
int StatementCount(const std::string& text);

} // namespace bench
