#include "InstalledLocales.h"

#include <cstdio>
#include <memory>

std::vector<std::string> InstalledLocales() {
    std::vector<std::string> locales;
    // glibc keeps no public list of its compiled locales: ask the tool that
    // reads them.
    const std::unique_ptr<FILE, int (*)(FILE*)> list(::popen("locale -a 2>/dev/null", "r"),
                                                     &::pclose);
    if (!list) {
        return locales;
    }
    char line[256];
    while (std::fgets(line, sizeof line, list.get())) {
        std::string name(line);
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) {
            name.pop_back();
        }
        if (!name.empty() && name != "C" && name != "POSIX") {
            locales.push_back(name);
        }
    }
    return locales;
}
