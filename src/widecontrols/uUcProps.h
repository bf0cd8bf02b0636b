// Stores the wide string and character properties the framework keeps only in 8 bits.
#pragma once

#include "widecontrols/uFiler.h"

namespace widecontrols {

// The stored properties the framework does not give wide properties, for every published wide string
// and wide character property P of the instance's class: P + "W" carries a wide character (the
// framework stores none), and the legacy P + "W" (UTF-8) and P + "_UTF7" of older stored forms are
// read so that they load. Wide components call it from their DefineProperties.
void DefineWideProperties(TFiler& filer, data::TPersistent& instance);

// P + "W" and P + "_UTF7" of a wide string property: read and dropped, its own value is P's.
class TUcWideStringPropertyFiler {
public:
    void DefineProperties(TFiler& filer, const TPropInfo& prop);
};

// P + "W" of a wide character property, written as a one-character wide string when it is not the
// default, and the legacy P + "_UTF7".
class TUcWideCharPropertyFiler {
public:
    void DefineProperties(TFiler& filer, data::TPersistent& instance, const TPropInfo& prop);

private:
    bool HasData(TFiler& filer, const data::TPersistent& instance, const TPropInfo& prop) const;
};

} // namespace widecontrols
