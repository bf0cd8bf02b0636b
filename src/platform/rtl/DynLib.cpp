#include "platform/rtl/DynLib.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

#include <dlfcn.h>

namespace rtl {

namespace {

void* Open(const std::string& fileName, std::string& error) {
    void* handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        error = reason ? reason : "unknown error";
    }
    return handle;
}

} // namespace

TDynLib::TDynLib(const std::string& fileName) : fileName_(fileName) {
    std::string error;
    handle_ = Open(fileName, error);
    if (!handle_) throw EOSError(Format("Could not load library %s: %s", fileName, error));
}

TDynLib::~TDynLib() {
    dlclose(handle_);
}

std::unique_ptr<TDynLib> TDynLib::TryLoad(const std::string& fileName, std::string* error) {
    std::string reason;
    void* handle = Open(fileName, reason);
    if (!handle) {
        if (error) *error = reason;
        return nullptr;
    }
    return std::unique_ptr<TDynLib>(new TDynLib(fileName, handle));
}

void* TDynLib::FindSymbol(const std::string& name) const {
    return dlsym(handle_, name.c_str());
}

void* TDynLib::Symbol(const std::string& name) const {
    void* address = FindSymbol(name);
    if (!address) throw EOSError(Format("Function %s not found in %s", name, fileName_));
    return address;
}

} // namespace rtl
