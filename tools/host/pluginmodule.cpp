#include "pluginmodule.h"

namespace trs::host {

std::shared_ptr<PluginModule> PluginModule::open(const std::string& path, Status* status, std::string* error) {
    std::string why;
    auto library = DynamicLibrary::open(path, &why);
    if (!library) {
        if (status)
            *status = Status::NotLoadable;
        if (error)
            *error = why;
        return nullptr;
    }
    std::shared_ptr<PluginModule> module(new PluginModule);
    for (const char* name : {"VSTPluginMain", "main"}) {
        if (void* sym = library->symbol(name)) {
            module->entryProc = reinterpret_cast<EntryProc>(sym);
            module->entrySymbol = name;
            break;
        }
    }
    if (!module->entryProc) {
        if (status)
            *status = Status::NoEntry;
        if (error)
            *error = path + " exports neither VSTPluginMain nor main";
        return nullptr;
    }
    module->library = std::move(library);
    module->filePath = path;
    if (status)
        *status = Status::Ok;
    return module;
}

}  // namespace trs::host
