#pragma once

// What every benchmark program shares: the private test server, the smoke mode that CTest runs, and
// the summary table of figures against their floors that scripts/bench prints.

#include <benchmark/benchmark.h>

#include <string>

#include "support/TestServer.h"

namespace bench {

// Set by --smoke: the smallest size, one iteration, only to prove the benchmark still works.
bool Smoke();
void SetSmoke(bool smoke);

// The private server, or null when the environment names none.
const testsupport::ServerSettings* Server();

// One line of the summary: the measured figure, its floor (what the same work costs at the least,
// measured in the same run) and the ratio of the two as a cost, so that 1 is the floor; a limit of 0
// means the line is for reference only.
struct TFigure {
    std::string name;
    std::string figure;
    std::string floor;
    double ratio = 0;
    double limit = 0;
};

// Ignored once a benchmark of the program failed.
void Report(TFigure figure);
// The figures reported so far, one "FIGURE" line each.
void PrintFigures();

// Ends the benchmark with the error and makes the program fail.
void Fail(benchmark::State& state, const std::string& message);
bool Failed();

std::string Fixed(double value, int decimals);

// Seconds on the steady clock since an arbitrary start.
double Now();

// Registers the program's benchmarks; called by main after the options are read.
void RegisterBenchmarks();

} // namespace bench
