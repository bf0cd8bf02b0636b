// A shared library loaded at run time.
#pragma once

#include <memory>
#include <string>

namespace rtl {

// A shared library loaded at run time. Unloaded when the object goes.
class TDynLib {
public:
    // Loads the library by file name (the system's search order applies to a bare name); raises
    // EOSError "Could not load library %s: %s" with the loader's reason.
    explicit TDynLib(const std::string& fileName);
    ~TDynLib();
    TDynLib(const TDynLib&) = delete;
    TDynLib& operator=(const TDynLib&) = delete;

    // The same without raising: nothing, and the loader's reason in `error` when given.
    static std::unique_ptr<TDynLib> TryLoad(const std::string& fileName, std::string* error = nullptr);

    const std::string& FileName() const { return fileName_; }

    // The address of an exported function or variable; raises EOSError
    // "Function %s not found in %s" when the library does not export it.
    void* Symbol(const std::string& name) const;
    // The address, or nullptr when the library does not export the name.
    void* FindSymbol(const std::string& name) const;

    template <class F>
    F Function(const std::string& name) const {
        return reinterpret_cast<F>(Symbol(name));
    }

private:
    TDynLib(std::string fileName, void* handle) : fileName_(std::move(fileName)), handle_(handle) {}

    std::string fileName_;
    void* handle_;
};

} // namespace rtl
