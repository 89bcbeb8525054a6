#include "Registration.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "dvobj.h"

namespace Registration {

namespace {

std::string Folder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config == '/') {
        return std::string(config) + "/datavane";
    }
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/datavane";
}

bool MakeFolders(const std::string& path) {
    for (size_t slash = 1; slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return ::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

}  // namespace

std::string FilePath() {
    return Folder() + "/dvobj.registration";
}

bool Register(const std::string& libraryPath) {
    if (!MakeFolders(Folder())) {
        return false;
    }
    const std::string path = FilePath();
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << "; Written by the Datavane component; removed when it is unregistered.\n"
            << "[" DVOBJ_PROGID "]\n"
            << "Description=Datavane Class\n"
            << "CLSID=" DVOBJ_CLSID_DATAVANE "\n\n"
            << "[" DVOBJ_VERSION_INDEPENDENT_PROGID "]\n"
            << "Description=Datavane Class\n"
            << "CLSID=" DVOBJ_CLSID_DATAVANE "\n"
            << "CurVer=" DVOBJ_PROGID "\n\n"
            << "[CLSID\\" DVOBJ_CLSID_DATAVANE "]\n"
            << "Description=Datavane Class\n"
            << "ProgID=" DVOBJ_PROGID "\n"
            << "VersionIndependentProgID=" DVOBJ_VERSION_INDEPENDENT_PROGID "\n"
            << "Programmable=\n"
            << "InprocServer32=" << libraryPath << "\n"
            << "ThreadingModel=Both\n"
            << "TypeLib=" DVOBJ_LIBID "\n";
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

bool Unregister() {
    const std::string path = FilePath();
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        return false;
    }
    ::rmdir(Folder().c_str());  // only succeeds when nothing else lives there
    return true;
}

}  // namespace Registration
