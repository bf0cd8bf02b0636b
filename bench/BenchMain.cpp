#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "BenchSupport.h"

// The summary lines start with "FIGURE\t" so that scripts/bench can gather them from every program.
int main(int argc, char** argv) {
    std::vector<char*> arguments;
    bool smoke = false;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0)
            smoke = true;
        else
            arguments.push_back(argv[i]);
    }
    bench::SetSmoke(smoke);
    if (!bench::Server()) {
        if (testsupport::ServerRequired()) {
            std::fprintf(stderr, "VELTRANE_TEST_* server variables are not set (run scripts/bench)\n");
            return 1;
        }
        std::printf("no test server (run scripts/test-server start): skipped\n");
        return 0;
    }
    bench::RegisterBenchmarks();
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) return 1;
    const size_t run = benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bench::PrintFigures();
    return run > 0 && !bench::Failed() ? 0 : 1;
}
