// A loaded plug-in module and its entry point. Shared by every instance
// created from it; unloaded when the last one lets go.
#pragma once

#include <memory>
#include <string>

#include "dynamiclibrary.h"
#include "shell/vstinterface.h"

namespace trs::host {

class PluginModule {
public:
    typedef AEffect*(VSTCALLBACK* EntryProc)(audioMasterCallback);

    enum class Status { Ok, NotLoadable, NoEntry };

    // Loads the module and finds VSTPluginMain, or "main" for modules that
    // export only that. On failure returns null, with the reason.
    static std::shared_ptr<PluginModule> open(const std::string& path, Status* status, std::string* error);

    EntryProc entry() const { return entryProc; }
    const std::string& entryName() const { return entrySymbol; }
    const std::string& path() const { return filePath; }

private:
    PluginModule() = default;
    std::unique_ptr<DynamicLibrary> library;
    EntryProc entryProc = nullptr;
    std::string entrySymbol;
    std::string filePath;
};

}  // namespace trs::host
