#pragma once

#include <string>

namespace Norvik {

// A shared library opened when first needed. Libraries that only a few runs
// use (network fetches, old workbook properties) are not linked, so that
// every run does not pay for loading them and their dependencies. Once
// opened a library stays loaded for the life of the process: some register
// types that must outlive any one user.
class SharedLibrary {
public:
    explicit SharedLibrary(const char* name);

    bool IsLoaded() const noexcept { return handle_ != nullptr && error_.empty(); }
    // Why the library or one of its functions is missing, for messages.
    const std::string& Error() const noexcept { return error_; }

    // Looks up a function; a missing one leaves the library not loaded.
    template <class Function>
    void Bind(Function& into, const char* symbol) {
        into = reinterpret_cast<Function>(Find(symbol));
    }

private:
    void* Find(const char* symbol);

    std::string name_;
    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace Norvik
