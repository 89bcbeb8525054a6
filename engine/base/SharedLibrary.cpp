#include "SharedLibrary.h"

#include <dlfcn.h>

namespace Norvik {

SharedLibrary::SharedLibrary(const char* name) : name_(name) {
    handle_ = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* reason = ::dlerror();
        error_ = name_ + " cannot be loaded: " + (reason ? reason : "not found");
    }
}

void* SharedLibrary::Find(const char* symbol) {
    if (!handle_) {
        return nullptr;
    }
    ::dlerror();
    void* found = ::dlsym(handle_, symbol);
    if (!found && error_.empty()) {
        error_ = name_ + " has no function " + symbol;
    }
    return found;
}

}  // namespace Norvik
