#pragma once

#include <string>

// Reads a path or URL as the imports need it. The location is tried as
// given, then as "file://" + location, then as "http://" + location (so a
// bare host name works). On failure the last try's error is reported.

// The raw bytes (for documents an XML parser decodes itself).
bool FetchBytes(const std::string& location, std::string& bytes, std::string& error);

// The whole resource as UTF-8 text (byte order marks and UTF-16 decoded).
// Success needs a non-empty text; on failure result holds the error text.
bool FetchText(const std::string& location, std::string& result);
