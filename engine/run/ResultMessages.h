#pragma once

#include <cstdint>
#include <string>

#include "base/Status.h"

class DVFile;

// The message of a result code, with the member the code names appended
// (source file, target file, include file, query, table, or the project file
// path for 101). A code outside the table gives an empty message.
std::string ResultMessage(int32_t code, const DVFile& definition,
                          const std::string& definitionPath);
// The message of the status's code with its detail after ": " (the detail
// alone for a code without a message), as the component and the editor
// report a failure.
std::string StatusMessage(const Status& status, const DVFile& definition,
                          const std::string& definitionPath);
