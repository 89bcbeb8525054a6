#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "sources/DocumentProperties.h"

class DVFile;

// A token that node values may hold, with the description the editor shows.
struct AutoTextToken {
    const char* token;
    const char* description;
};

// Replaces tokens such as {SOURCEFILE}, {ID} or {ROW} in node values with
// facts about the run. One resolver per run. Tokens match exactly (upper
// case); unknown brace texts stay as they are.
class AutoTextResolver {
public:
    AutoTextResolver();
    // The running number of {ID} starts at the definition's first-output-id.
    AutoTextResolver(const DVFile& definition, std::string definitionPath);

    static std::span<const AutoTextToken> Tokens();

    // text with every token replaced. {ID} gives the running number, which
    // advances once per call that holds it, unless peek is set.
    std::string Resolve(std::string_view text, int32_t rowCount, bool peek);

    int32_t RunningNumber() const noexcept { return runningNumber_; }

    // Reads the source's document properties now rather than at the first
    // token, so that copies of the resolver need not read them again.
    void ReadPropertiesNow();

private:
    void ReadFileTimes();

    const DVFile* definition_ = nullptr;
    std::string definitionPath_;
    DocumentProperties properties_;
    bool propertiesRead_ = false;
    std::string fileCreated_;
    std::string fileModified_;
    int32_t runningNumber_ = 1;
};
