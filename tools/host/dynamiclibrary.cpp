#include "dynamiclibrary.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace trs::host {

#if defined(_WIN32)

std::unique_ptr<DynamicLibrary> DynamicLibrary::open(const std::string& path, std::string* error) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        const DWORD code = GetLastError();
        if (error) {
            // The usual cause: a 64-bit module in a 32-bit host or the reverse.
            const std::string why =
                code == ERROR_BAD_EXE_FORMAT
                    ? std::string(": not a module for this ") + (sizeof(void*) == 8 ? "64" : "32") + "-bit process"
                    : std::string();
            *error = "cannot load " + path + why + " (error " + std::to_string(code) + ")";
        }
        return nullptr;
    }
    return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(reinterpret_cast<void*>(module)));
}

DynamicLibrary::~DynamicLibrary() {
    FreeLibrary(reinterpret_cast<HMODULE>(handle));
}

void* DynamicLibrary::symbol(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle), name));
}

#else

std::unique_ptr<DynamicLibrary> DynamicLibrary::open(const std::string& path, std::string* error) {
    // A bare file name would make dlopen search the library path instead.
    const std::string target = path.find('/') == std::string::npos ? "./" + path : path;
    void* handle = dlopen(target.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        if (error) {
            const char* why = dlerror();
            *error = why ? why : ("cannot load " + path);
        }
        return nullptr;
    }
    return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle));
}

DynamicLibrary::~DynamicLibrary() {
    dlclose(handle);
}

void* DynamicLibrary::symbol(const char* name) const {
    // Searched in this module and its dependencies only, so the host's own
    // "main" is never found by mistake.
    return dlsym(handle, name);
}

#endif

}  // namespace trs::host
