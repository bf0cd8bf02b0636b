#pragma once

// The cursor and record buffers of the headless test data sets.

#include "platform/data/DataSet.h"

#include <cstddef>
#include <cstdint>

namespace testsupport {

// A read-through data set over rows held in memory: the cursor, its moves and zeroed record
// buffers. A descendant tells how many rows there are and how large a record buffer is, and fills a
// buffer from a row.
class RowsDataSet : public data::TDataSet {
public:
    using data::TDataSet::TDataSet;

    bool IsSequenced() const override { return true; }

protected:
    virtual int RowCount() const = 0;
    virtual size_t RecordBufferSize() const = 0;
    virtual void FillRecord(data::TRecordBuffer buffer, int row) = 0;

    // -1 before the first row, RowCount() after the last.
    int Cursor() const { return cursor_; }
    void SetCursor(int row) { cursor_ = row; }

    data::TRecordBuffer AllocRecordBuffer() override { return new uint8_t[RecordBufferSize()](); }
    void FreeRecordBuffer(data::TRecordBuffer& buffer) override {
        delete[] buffer;
        buffer = nullptr;
    }
    void InternalFirst() override { cursor_ = -1; }
    void InternalLast() override { cursor_ = RowCount(); }

    data::TGetResult GetRecord(data::TRecordBuffer buffer, data::TGetMode mode, bool) override {
        const int count = RowCount();
        switch (mode) {
        case data::gmCurrent:
            if (cursor_ < 0) return data::grBOF;
            if (cursor_ >= count) return data::grEOF;
            break;
        case data::gmNext:
            if (cursor_ >= count - 1) {
                cursor_ = count;
                return data::grEOF;
            }
            ++cursor_;
            break;
        case data::gmPrior:
            if (cursor_ <= 0) {
                cursor_ = -1;
                return data::grBOF;
            }
            --cursor_;
            break;
        }
        FillRecord(buffer, cursor_);
        return data::grOK;
    }

private:
    int cursor_ = -1;
};

} // namespace testsupport
