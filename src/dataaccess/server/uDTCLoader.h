// The distributed-transaction coordinator as seen by the transactions: its interfaces and loading.
#pragma once

#include "platform/rtl/Exception.h"

#include <cstdint>
#include <memory>

namespace dataaccess {

// The distributed-transaction coordinator as this layer sees it. The coordinator itself lives
// outside the program: its library exports the entry point below, or a process (a test) registers
// an in-process one. Results are status codes, below 0 for a failure.

// A running coordinator transaction.
class ICRTransactionSC {
public:
    virtual ~ICRTransactionSC() = default;
    virtual int32_t Commit(bool retaining, uint32_t commitFlags, uint32_t resourceFlags) = 0;
    virtual int32_t Abort(bool retaining, bool async) = 0;
};

// Begins coordinator transactions.
class ICRTransactionDispenserSC {
public:
    virtual ~ICRTransactionDispenserSC() = default;
    // `isolationLevel` in the coordinator's constants (4096 read committed, 256 read uncommitted,
    // 65536 repeatable read, 1048576 serializable).
    virtual int32_t BeginTransaction(void* outer, int32_t isolationLevel, uint32_t isolationFlags,
                                     void* options, std::shared_ptr<ICRTransactionSC>& transaction) = 0;
};

inline constexpr const char* kIID_ICRTransactionSC = "{0FB15084-AF41-11CE-BD2B-204C4F4F5020}";
inline constexpr const char* kIID_ICRTransactionDispenserSC = "{3A6AD9E1-23B9-11CF-AD60-00AA00A74CCD}";
inline constexpr const char* kDtcLibName = "xolehlp.dll";
inline constexpr const char* kDtcEntryPointName = "DtcGetTransactionManagerEx";

// The coordinator's entry point: the transaction dispenser for the interface `iid`.
using TDtcGetTransactionManagerEx = int32_t (*)(const char* host, const char* tmName, const char* iid,
                                                uint32_t options, void* config,
                                                std::shared_ptr<ICRTransactionDispenserSC>& dispenser);

RTL_DECLARE_EXCEPTION(EOleSysError, rtl::Exception);

// Makes `entry` the coordinator in place of the library (nullptr removes it); the next
// LoadDtcEntryPoint binds it.
void RegisterDtcCoordinator(TDtcGetTransactionManagerEx entry);
// Binds the entry point once, under a lock: the registered coordinator, else the library's export.
// Raises "Can not find xolehlp.dll" when neither is there. A library without the export leaves
// calls failing with "Function is not linked".
void LoadDtcEntryPoint();
// Forgets the binding (and frees the library when one was loaded).
void UnloadDtcLibrary();
// Calls the bound entry point.
int32_t DtcGetTransactionManagerEx(const char* host, const char* tmName, const char* iid, uint32_t options,
                                   void* config, std::shared_ptr<ICRTransactionDispenserSC>& dispenser);
// Raises EOleSysError for a failure code.
void OleCheck(int32_t result);

} // namespace dataaccess
