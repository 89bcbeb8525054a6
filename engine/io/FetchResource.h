#pragma once

#include <string>
#include <string_view>

namespace Norvik {

// Whether a location is an http(s) URL (anything else is read as a file).
bool IsNetworkUrl(std::string_view location);

// The bytes of a local path, a file: URL or an http(s) URL (redirects
// followed, 30 s time-out, at most 64 MiB). False with a reason on failure.
bool FetchResource(const std::string& location, std::string& bytes, std::string& error);

}  // namespace Norvik
