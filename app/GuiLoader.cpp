#include "GuiLoader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <iostream>
#include <string>

#include "GuiModule.h"

namespace {

// The folder that holds the running executable, found through /proc so that
// it holds wherever the program was started from and however it was named.
std::string ExecutableFolder()
{
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || size_t(length) >= path.size())
        return {};
    path.resize(size_t(length));
    return path.substr(0, path.rfind('/'));
}

}  // namespace

int RunInGuiModule(const char* command, int argc, char** argv)
{
    const std::string folder = ExecutableFolder();
    // Beside the executable in the build tree; where the install rules put it
    // otherwise, relative to the executable so that the installed tree can move.
    const std::string candidates[] = {folder + "/" + GuiModuleFile,
                                      folder + "/" VORN_GUI_MODULE_DIR "/" + GuiModuleFile};
    const std::string* found = nullptr;
    for (const std::string& candidate : candidates)
        if (!found && ::access(candidate.c_str(), F_OK) == 0)
            found = &candidate;

    std::string reason;
    if (folder.empty())
        reason = "the program's own folder is unknown (no /proc/self/exe)";
    else if (!found)
        reason = "it is in neither " + candidates[0] + " nor " + candidates[1];
    // Bound now, so that a module that does not fit this executable fails
    // here with the missing name rather than half-way through the window.
    void* module = found ? ::dlopen(found->c_str(), RTLD_NOW | RTLD_LOCAL) : nullptr;
    if (found && !module)
        reason = ::dlerror();
    const auto entry = module ? reinterpret_cast<GuiModuleMain>(::dlsym(module, GuiModuleEntry)) : nullptr;
    if (module && !entry)
        reason = *found + " has no " + GuiModuleEntry;
    if (!entry) {
        std::cerr << "vorn: cannot load " << GuiModuleFile << ", which the window and the drawing commands need: "
                  << reason << "\n";
        return 1;
    }
    // The module stays loaded until the process ends: what it registered to
    // run at exit lives in it.
    return entry(command, argc, argv);
}
