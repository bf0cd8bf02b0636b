#include "dataaccess/server/uDTCLoader.h"

#include "platform/rtl/DynLib.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Threads.h"

namespace dataaccess {

namespace {

int32_t NotLinked(const char*, const char*, const char*, uint32_t, void*,
                  std::shared_ptr<ICRTransactionDispenserSC>&) {
    throw rtl::Exception("Function is not linked");
}

struct TDtcLoader {
    rtl::TCriticalSection lock;
    bool loaded = false;
    std::unique_ptr<rtl::TDynLib> library;
    TDtcGetTransactionManagerEx entry = &NotLinked;
    TDtcGetTransactionManagerEx registered = nullptr;
};

TDtcLoader& Loader() {
    static TDtcLoader loader;
    return loader;
}

} // namespace

void RegisterDtcCoordinator(TDtcGetTransactionManagerEx entry) {
    TDtcLoader& loader = Loader();
    rtl::TCriticalSection::Guard guard(loader.lock);
    loader.registered = entry;
}

void LoadDtcEntryPoint() {
    TDtcLoader& loader = Loader();
    rtl::TCriticalSection::Guard guard(loader.lock);
    if (loader.loaded) return;
    if (loader.registered) {
        loader.entry = loader.registered;
    } else {
        loader.library = rtl::TDynLib::TryLoad(kDtcLibName);
        if (!loader.library) throw rtl::Exception(rtl::Format("Can not find %s", kDtcLibName));
        if (void* symbol = loader.library->FindSymbol(kDtcEntryPointName))
            loader.entry = reinterpret_cast<TDtcGetTransactionManagerEx>(symbol);
    }
    loader.loaded = true;
}

void UnloadDtcLibrary() {
    TDtcLoader& loader = Loader();
    rtl::TCriticalSection::Guard guard(loader.lock);
    loader.entry = &NotLinked;
    loader.library.reset();
    loader.loaded = false;
}

int32_t DtcGetTransactionManagerEx(const char* host, const char* tmName, const char* iid, uint32_t options,
                                   void* config, std::shared_ptr<ICRTransactionDispenserSC>& dispenser) {
    TDtcGetTransactionManagerEx entry;
    {
        TDtcLoader& loader = Loader();
        rtl::TCriticalSection::Guard guard(loader.lock);
        entry = loader.entry;
    }
    return entry(host, tmName, iid, options, config, dispenser);
}

void OleCheck(int32_t result) {
    if (result < 0) throw EOleSysError(rtl::Format("OLE error %.8X", static_cast<uint32_t>(result)));
}

} // namespace dataaccess
