#pragma once

#include "widecontrols/uFiler.h"

#include <functional>
#include <string>

namespace widecontrols {

// The stored form of an object's properties, written against an ancestor or none.
inline std::string Stored(data::TPersistent& instance, const data::TPersistent* ancestor = nullptr) {
    rtl::TMemoryStream stream;
    TWriter writer(stream);
    writer.SetAncestor(ancestor);
    writer.WriteProperties(instance);
    return stream.Bytes();
}

inline void Load(data::TPersistent& instance, const std::string& bytes) {
    rtl::TMemoryStream stream;
    stream.WriteString(bytes);
    stream.SetPosition(0);
    TReader reader(stream);
    reader.ReadProperties(instance);
}

// A stored form written by hand: the properties `write` puts there and the end of the list.
inline std::string Form(const std::function<void(TWriter&)>& write) {
    rtl::TMemoryStream stream;
    TWriter writer(stream);
    write(writer);
    writer.WriteListEnd();
    return stream.Bytes();
}

} // namespace widecontrols
