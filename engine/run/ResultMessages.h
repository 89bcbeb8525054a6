#pragma once

#include <cstdint>
#include <string>

class DVFile;

// The message of a result code, with the member the code names appended
// (source file, target file, include file, query, table, or the project file
// path for 101). A code outside the table gives an empty message.
std::string ResultMessage(int32_t code, const DVFile& definition,
                          const std::string& definitionPath);
