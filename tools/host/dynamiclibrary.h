// The platform seam for loading a plug-in module: dlopen on POSIX,
// LoadLibrary on Windows.
#pragma once

#include <memory>
#include <string>

namespace trs::host {

class DynamicLibrary {
public:
    // Null with a reason in *error when the file cannot be loaded.
    static std::unique_ptr<DynamicLibrary> open(const std::string& path, std::string* error);
    ~DynamicLibrary();

    // The address of an exported symbol of this module, or null.
    void* symbol(const char* name) const;

    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

private:
    explicit DynamicLibrary(void* handle) : handle(handle) {}
    void* handle;
};

}  // namespace trs::host
