#include "dataaccess/store/uDataHelper.h"

#include "dataaccess/MemDataTesting.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dataaccess {
namespace {

using testing::TestStore;

TEST(DataHelperTest, BuildsAndReadsRowsThroughItsBuffer) {
    TestStore store({{"ID", dtInt32}, {"NAME", dtExtString, 30}, {"NOTE", dtMemo}});
    store.Open();
    TDataHelper helper(store);
    helper.AllocBuffer();
    const std::vector<std::string> names = {"orders", "", "lines"};
    for (int i = 0; i < 3; ++i) {
        helper.InitRecord();
        helper.SetFieldValue(1, i + 1);
        if (!names[i].empty()) helper.SetFieldValue(2, names[i]);
        helper.SetFieldValue(3, "note " + std::to_string(i));
        helper.AppendRecord();
    }
    EXPECT_EQ(store.GetRecordCount(), 3);

    helper.AllocBuffer();
    store.SetToBegin();
    std::vector<std::string> read;
    while (helper.NextRecord()) {
        const rtl::Variant name = helper.GetFieldValue(2);
        read.push_back(std::to_string(helper.GetFieldValue(1).AsInt64()) + ":" +
                       (name.IsNull() ? "null" : name.AsString()) + ":" + helper.GetFieldValue(3).AsString());
    }
    EXPECT_EQ(read, (std::vector<std::string>{"1:orders:note 0", "2:null:note 1", "3:lines:note 2"}));
    EXPECT_FALSE(helper.NextRecord());
    store.Close();
}

} // namespace
} // namespace dataaccess
