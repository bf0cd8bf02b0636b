#include "lazytree/LazyStringTree.h"
#include "lazytree/LazyTreeDataObject.h"
#include "platform/ui/Clipboard.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace lazytree {
namespace {

class DataObjectTest : public uitest::UiTest {
protected:
    void SetUp() override { TClipboardFormatList::Clear(); }
    void TearDown() override { TClipboardFormatList::Clear(); }
};

TEST_F(DataObjectTest, QueryGetDataClimbsTheCodeLadder) {
    TVTDataObject empty({}, false, nullptr);
    EXPECT_EQ(empty.QueryGetData(TFormatEtc{1}), DV_E_FORMATETC);
    TVTDataObject object({TFormatEtc{1}}, false, nullptr);
    const struct {
        TFormatEtc request;
        TDataResult result;
    } cases[] = {
        {TFormatEtc{2}, DV_E_FORMATETC},
        {TFormatEtc{1, nullptr, DVASPECT_CONTENT, -1, TYMED_FILE}, DV_E_TYMED},
        {TFormatEtc{1, nullptr, 4, -1, TYMED_HGLOBAL}, DV_E_DVASPECT},
        {TFormatEtc{1, nullptr, DVASPECT_CONTENT, 0, TYMED_HGLOBAL}, DV_E_LINDEX},
        {TFormatEtc{1, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL | TYMED_FILE}, S_OK},
    };
    for (const auto& c : cases)
        EXPECT_EQ(object.QueryGetData(c.request), c.result) << c.request.Format << " " << c.request.Tymed;
}

TEST_F(DataObjectTest, GetDataRendersOrSharesTheStoredMediumAndRefusesATargetDevice) {
    int renders = 0;
    TVTDataObject object({TFormatEtc{13}}, true, [&](const TFormatEtc& f, TStgMedium& m, bool forClipboard) {
        ++renders;
        EXPECT_TRUE(forClipboard);
        m = {TYMED_HGLOBAL, "rendered " + std::to_string(f.Format)};
        return S_OK;
    });
    TStgMedium medium;
    EXPECT_EQ(object.GetData(TFormatEtc{13}, medium), S_OK);
    EXPECT_EQ(medium.Data, "rendered 13");
    const int device = 0;
    EXPECT_EQ(object.GetData(TFormatEtc{13, &device}, medium), DV_E_FORMATETC);

    EXPECT_EQ(object.SetData(TFormatEtc{13}, {TYMED_HGLOBAL, "first"}), S_OK);
    EXPECT_EQ(object.SetData(TFormatEtc{13}, {TYMED_HGLOBAL, "second"}), S_OK);
    EXPECT_EQ(object.GetData(TFormatEtc{13}, medium), S_OK);
    EXPECT_EQ(medium.Data, "second");
    EXPECT_EQ(renders, 1);
    EXPECT_EQ(object.Formats().size(), 1u);

    EXPECT_EQ(object.SetData(TFormatEtc{99}, {TYMED_HGLOBAL, "new"}), S_OK);
    EXPECT_EQ(object.QueryGetData(TFormatEtc{99}), S_OK);
    EXPECT_EQ(object.SetData(TFormatEtc{98}, {TYMED_GDI, ""}), DV_E_TYMED);

    TVTDataObject failing({TFormatEtc{1}}, false, [](const TFormatEtc&, TStgMedium&, bool) -> TDataResult {
        throw std::runtime_error("render");
    });
    medium.Data = "stale";
    EXPECT_EQ(failing.GetData(TFormatEtc{1}, medium), E_FAIL);
    EXPECT_EQ(medium.Data, "");
    EXPECT_EQ(TVTDataObject({TFormatEtc{1}}, false, nullptr).GetData(TFormatEtc{1}, medium), E_FAIL);
}

TEST_F(DataObjectTest, EnumeratorNextSkipResetAndClone) {
    TVTDataObject object({TFormatEtc{1}, TFormatEtc{2}, TFormatEtc{3}}, false, nullptr);
    std::unique_ptr<TEnumFormatEtc> e;
    EXPECT_EQ(object.EnumFormatEtc(DATADIR_SET, e), OLE_S_USEREG);
    EXPECT_EQ(e, nullptr);
    ASSERT_EQ(object.EnumFormatEtc(DATADIR_GET, e), S_OK);
    TFormatEtc got[4];
    uint32_t fetched = 9;
    EXPECT_EQ(e->Next(1, got, &fetched), S_OK);
    EXPECT_EQ(got[0].Format, 1);
    std::unique_ptr<TEnumFormatEtc> clone;
    EXPECT_EQ(e->Clone(clone), S_OK);
    EXPECT_EQ(e->Next(4, got, &fetched), S_OK);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(got[1].Format, 3);
    EXPECT_EQ(e->Next(1, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    // The clone goes on from where it was made.
    EXPECT_EQ(clone->Skip(3), S_FALSE);
    EXPECT_EQ(clone->Skip(2), S_OK);
    EXPECT_EQ(clone->Next(1, got, nullptr), S_FALSE);
    EXPECT_EQ(clone->Reset(), S_OK);
    EXPECT_EQ(clone->Next(1, got, nullptr), S_OK);
    EXPECT_EQ(got[0].Format, 1);
}

TEST_F(DataObjectTest, RegistryNamesSortsFindsTheLaterEntryAndFiltersByTreeClass) {
    TClipboardFormatList::Register(13, &TreeClassOf<TBaseLazyTree>, 200);
    TClipboardFormatList::Register(0, &TreeClassOf<TBaseLazyTree>, 1);
    const uint16_t html =
        TClipboardFormatList::Register("HTML Format", &TreeClassOf<TCustomLazyStringTree>, 100);
    TClipboardFormatList::Register(html, &TreeClassOf<TBaseLazyTree>, 300); // its registered name
    ASSERT_EQ(TClipboardFormatList::Entries().size(), 3u);
    EXPECT_EQ(TClipboardFormatList::Entries()[0].Description, "HTML Format");
    EXPECT_EQ(TClipboardFormatList::Entries()[1].Description, "Unicode text");
    EXPECT_GE(html, 0xC000);
    EXPECT_EQ(ui::RegisterClipboardFormat("html format"), html);
    EXPECT_EQ(TClipboardFormatList::Find("html FORMAT"), &TClipboardFormatList::Entries()[2]);

    TLazyStringTree stringTree(nullptr);
    TBaseLazyTree baseTree(nullptr);
    TClipboardFormatList::Clear();
    TClipboardFormatList::Register("HTML Format", &TreeClassOf<TCustomLazyStringTree>, 100);
    TClipboardFormatList::Register(13, &TreeClassOf<TBaseLazyTree>, 200);
    TClipboardFormats forString(stringTree), forBase(baseTree);
    EXPECT_EQ(forString.Add("HTML Format"), 0);
    EXPECT_EQ(forString.Add("Unicode text"), 1);
    EXPECT_EQ(forString.Add("Unicode text"), 1);
    EXPECT_EQ(forString.Add("Unknown"), -1);
    EXPECT_EQ(forBase.Add("HTML Format"), -1);
    EXPECT_EQ(TClipboardFormatList::Formats(stringTree, &forString.Names()).size(), 2u);
    const std::vector<std::string> none;
    EXPECT_TRUE(TClipboardFormatList::Formats(stringTree, &none).empty());
    EXPECT_EQ(TClipboardFormatList::Formats(baseTree, nullptr).size(), 1u);
}

} // namespace
} // namespace lazytree
