#pragma once

#include <string>

// The registration file that tells programs where the component lives:
// $XDG_CONFIG_HOME/datavane/dvobj.registration (else ~/.config/datavane/…).
namespace Registration {

std::string FilePath();
// Writes the file for the library at libraryPath; false when it cannot.
bool Register(const std::string& libraryPath);
// Removes the file (and its folder when that is left empty).
bool Unregister();

}  // namespace Registration
