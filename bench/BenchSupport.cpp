#include "BenchSupport.h"

#include <chrono>
#include <cstdio>
#include <vector>

namespace bench {

namespace {

bool smoke_ = false;
bool failed_ = false;
std::vector<TFigure> figures_;

} // namespace

bool Smoke() {
    return smoke_;
}

void SetSmoke(bool smoke) {
    smoke_ = smoke;
}

const testsupport::ServerSettings* Server() {
    const auto& settings = testsupport::TestServer();
    return settings ? &*settings : nullptr;
}

void Report(TFigure figure) {
    // A failed measurement gives no figure worth a line.
    if (failed_) return;
    figures_.push_back(std::move(figure));
}

void PrintFigures() {
    for (const TFigure& figure : figures_) {
        const char* verdict = figure.limit <= 0              ? "reference"
                              : figure.ratio <= figure.limit ? "met"
                                                             : "MISSED";
        std::printf("FIGURE\t%s\t%s\t%s\t%s\t%s\t%s\n", figure.name.c_str(), figure.figure.c_str(),
                    figure.floor.c_str(), Fixed(figure.ratio, 2).c_str(),
                    figure.limit > 0 ? ("<= " + Fixed(figure.limit, 2)).c_str() : "-", verdict);
    }
}

void Fail(benchmark::State& state, const std::string& message) {
    failed_ = true;
    state.SkipWithError(message.c_str());
}

bool Failed() {
    return failed_;
}

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace bench
