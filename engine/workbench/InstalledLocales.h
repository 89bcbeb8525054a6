#pragma once

#include <string>
#include <vector>

// The locales installed on this machine that a definition's regional setting
// may name, as `locale -a` lists them (C and POSIX left out: "C" names the
// invariant settings). Empty when they cannot be listed.
std::vector<std::string> InstalledLocales();
