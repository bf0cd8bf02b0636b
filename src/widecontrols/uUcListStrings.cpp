#include "widecontrols/uUcListStrings.h"

namespace widecontrols {

WideString TWideStringsOfList::Get(int index) const {
    return Utf8ToWide(items_.Strings(index));
}

void TWideStringsOfList::Put(int index, const WideString& s) {
    items_.SetString(index, WideToUtf8(s));
}

void TWideStringsOfList::Insert(int index, const WideString& s) {
    items_.Insert(index, WideToUtf8(s));
}

void TWideStringsOfList::InsertObject(int index, const WideString& s, void* object) {
    items_.InsertObject(index, WideToUtf8(s), object);
}

int TWideStringsOfList::AddObject(const WideString& s, void* object) {
    return items_.AddObject(WideToUtf8(s), object);
}

void TWideStringsOfList::SetUpdateState(bool updating) {
    if (updating)
        items_.BeginUpdate();
    else
        items_.EndUpdate();
}

} // namespace widecontrols
