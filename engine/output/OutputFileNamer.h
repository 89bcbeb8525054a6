#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

class DVFile;
class DVDataSourceRow;

// Names the output files of a run from the target file name pattern:
// <C=column> takes the row's value of a column, <T> the local time, <N…> a
// counter as wide as the N… run that restarts whenever the text around it
// changes and skips names that exist. One file per row or per value without
// any "<" gets a "<NNN>" counter before the extension.
class OutputFileNamer {
public:
    // The next name; call Restart at the start of each run.
    std::string Next(const DVFile& definition, DVDataSourceRow& row);
    void Restart();
    // For a run in parts: a counter skips the names this namer gave before
    // (as a single run skips its own earlier files when the text around the
    // counter comes back), but not files on disk, which other parts may be
    // writing at the same moment. The names are then those of a single run
    // into a folder that holds none of them.
    void CountOwnNamesOnly() noexcept { ownNamesOnly_ = true; }

    // A column value made safe for a file name: one pair of surrounding
    // quotes goes, / \ | : become -, * ? " become spaces, control characters
    // become _, a value of only dots becomes underscores (so it can never
    // name a parent folder), and white space is trimmed.
    static std::string FileNamePart(std::string_view value);

private:
    // Counts on from the last name that had the same text around the counter.
    void ReplaceCounter(std::string& name);

    bool started_ = false;
    std::string previousPrefix_;
    std::string previousSuffix_;
    int32_t counter_ = 0;
    bool ownNamesOnly_ = false;
    // Per text around the counter: the highest number given (own names only).
    std::unordered_map<std::string, int32_t> given_;
};
