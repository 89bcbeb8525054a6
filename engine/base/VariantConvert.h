#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Conversions between stored text and typed values, with the rules of the
// automation variant conversions that project files have always been read with:
// surrounding white space is ignored, thousands commas, a decimal part (rounded
// half to even for integers), an exponent and "&H"/"&O" prefixes are accepted,
// and booleans also read the words "true" and "false" in any letter case.
namespace Norvik {

// The number in text, or nothing when the text is not a number.
std::optional<double> ParseVariantNumber(std::string_view text);

// Throw PlatformError with kDispTypeMismatch (not a number) or kDispOverflow.
int32_t VariantToInt32(std::string_view text);
double VariantToDouble(std::string_view text);
// True for "true" and any non-zero number; false for "false" and zero.
bool VariantToBool(std::string_view text);

// Booleans are stored as "-1" and "0".
inline const char* VariantFromBool(bool value) {
    return value ? "-1" : "0";
}

}  // namespace Norvik
