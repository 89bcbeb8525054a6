#pragma once

#include <cstddef>
#include <string>

namespace Norvik {

// How much memory sort keys and grouping snapshots may hold before they go
// to temporary files, and where those files go. Process-wide, safe to read
// from several threads; runs set the folder for their target.
class SpillSettings {
public:
    // $DATAVANE_MEMORY_MB megabytes, 64 when unset or not a positive number.
    static size_t BudgetBytes();
    // $TMPDIR when set, else the folder given by the run (its target's), else
    // /tmp.
    static std::string Folder();
    static void SetRunFolder(const std::string& folder);

    // Tests: a budget in bytes in place of the environment's (0 restores it).
    static void SetBudgetForTesting(size_t bytes);
};

}  // namespace Norvik
