#pragma once

#include <string>
#include <string_view>

namespace Norvik {

// Whether a location is an http(s) URL (anything else is read as a file).
bool IsNetworkUrl(std::string_view location);

// A file: URL as a path ("file:///a/b%20c" → "/a/b c"); anything else as it is.
std::string LocalPath(std::string_view location);

// Where a location is read from: what the XML catalogs map it to
// (XmlCatalogs), else the location itself. A location that names an existing
// local file is not looked up, as libxml2 does not.
std::string ResolveLocation(const std::string& location);

// The bytes of a location, read from where ResolveLocation says: a local
// path, a file: URL or an http(s) URL (redirects followed, 30 s time-out, at
// most 64 MiB). So a URL the catalogs map to a file never reaches the
// network. readFrom, when given, receives that place: the base for the
// document's relative references. False with a reason on failure; a mapped
// location's reason names both.
bool FetchResource(const std::string& location, std::string& bytes, std::string& error,
                   std::string* readFrom = nullptr);

// The bytes of exactly this location, the catalogs not asked.
bool FetchResolved(const std::string& location, std::string& bytes, std::string& error);

}  // namespace Norvik
