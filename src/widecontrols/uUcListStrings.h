// A wide view of one of the framework's live item lists (a combo box's or list box's Items, a memo's
// Lines). The framework keeps the items as UTF-8, so nothing is lost either way.
#pragma once

#include "widecontrols/uUcClasses.h"

namespace widecontrols {

class TWideStringsOfList : public TUcStrings {
public:
    explicit TWideStringsOfList(rtl::TStringList& items) : items_(items) {}

    WideString Get(int index) const override;
    int GetCount() const override { return items_.Count(); }
    void* GetObject(int index) const override { return items_.Objects(index); }
    void Put(int index, const WideString& s) override;
    void PutObject(int index, void* object) override { items_.SetObject(index, object); }
    void Clear() override { items_.Clear(); }
    void Delete(int index) override { items_.Delete(index); }
    void Insert(int index, const WideString& s) override;
    void InsertObject(int index, const WideString& s, void* object) override;
    // A sorted list puts the item in its place.
    int Add(const WideString& s) override { return AddObject(s, nullptr); }
    int AddObject(const WideString& s, void* object) override;
    void Exchange(int index1, int index2) override { items_.Exchange(index1, index2); }
    void Move(int curIndex, int newIndex) override { items_.Move(curIndex, newIndex); }
    void SetUpdateState(bool updating) override;

protected:
    rtl::TStringList& Items() const { return items_; }

private:
    rtl::TStringList& items_;
};

} // namespace widecontrols
