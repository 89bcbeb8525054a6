#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Case type 1 upper, 2 lower, 3 proper (a letter after a non-letter is upper
// case, every other letter lower case); any other value leaves the text as it
// is. Unicode-aware on UTF-8 text.
std::string ConvertCase(std::string_view text, int32_t caseType);
