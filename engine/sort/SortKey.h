#pragma once

#include <string>
#include <string_view>

// Builds sort keys that order as plain bytes: a row's key is the parts of its
// sort columns appended in turn, so one memcmp compares two rows on every
// column at once.
class SortKey {
public:
    // Text in UTF-16 code unit order (as the comparison of texts elsewhere
    // orders them); a shorter text sorts before any text it starts.
    static void AppendText(std::string& key, std::string_view text, bool descending);
    // Numbers by value; -0 equals 0 and NaN counts as 0.
    static void AppendNumber(std::string& key, double value, bool descending);
    // The bytes of key's first part when it is text, its end marker included
    // (all of key when the marker is missing).
    static size_t TextPartLength(std::string_view key, bool descending);
};
