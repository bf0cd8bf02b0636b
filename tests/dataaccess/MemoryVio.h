#pragma once

#include "dataaccess/protocol/uCRVio.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace dataaccess::testing {

// A transport over memory: Read serves what "the server" sent, Write records each call. Reads end
// short, without pausing, when the input runs out.
class TMemoryVio : public TCRVio {
public:
    explicit TMemoryVio(TBytes input = {}) : input_(std::move(input)) {}

    int GetTimeout() const override { return 0; }
    void SetTimeout(int) override {}
    void Close() override { closed_ = true; }
    int ReadNoWait(uint8_t* buffer, int offset, int count) override { return Read(buffer, offset, count); }
    int WriteNoWait(const uint8_t* buffer, int offset, int count) override {
        return Write(buffer, offset, count);
    }

    int Read(uint8_t* buffer, int offset, int count) override {
        const int n = std::min<int>(count, static_cast<int>(input_.size() - inputPosition_));
        if (n > 0) std::memcpy(buffer + offset, input_.data() + inputPosition_, n);
        inputPosition_ += n;
        return n;
    }
    int Write(const uint8_t* buffer, int offset, int count) override {
        writes_.emplace_back(buffer + offset, buffer + offset + count);
        return count;
    }

    void Feed(const TBytes& bytes) { input_.insert(input_.end(), bytes.begin(), bytes.end()); }
    bool Closed() const { return closed_; }
    // One entry per Write call.
    const std::vector<TBytes>& Writes() const { return writes_; }
    TBytes Written() const {
        TBytes all;
        for (const TBytes& w : writes_)
            all.insert(all.end(), w.begin(), w.end());
        return all;
    }

private:
    TBytes input_;
    size_t inputPosition_ = 0;
    std::vector<TBytes> writes_;
    bool closed_ = false;
};

} // namespace dataaccess::testing
