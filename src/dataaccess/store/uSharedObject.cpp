#include "dataaccess/store/uSharedObject.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

namespace dataaccess {

void TSharedObject::Release() {
    RTL_ASSERT_MSG(refCount_ > 0, rtl::Format("%s.Free RefCount = %d", ClassName(), refCount_).c_str());
    if (refCount_ == 1)
        delete this;
    else
        --refCount_;
}

} // namespace dataaccess
