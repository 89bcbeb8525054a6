#pragma once

#include <string>
#include <string_view>
#include <vector>

// The most recently used definitions, most recent first, without duplicates.
class CRecentFileList {
public:
    static constexpr int kMinCount = 2;
    static constexpr int kMaxCount = 16;
    static constexpr int kDefaultCount = 4;
    static constexpr size_t kDisplayLength = 38;

    explicit CRecentFileList(int maxCount = kDefaultCount);

    // Stored counts are clamped to 2..16.
    void SetMaxCount(int count);
    int MaxCount() const noexcept { return maxCount_; }
    // Puts path at the top (moving it there when it is already listed).
    void Add(const std::string& path);
    void Remove(const std::string& path);
    // Replaces the list as stored, most recent first; empty and repeated
    // entries are dropped and the list is cut to the maximum.
    void Assign(const std::vector<std::string>& paths);
    const std::vector<std::string>& Paths() const noexcept { return paths_; }

    // The path shortened to at most maxLength characters for a menu: the
    // file name is kept and folders in the middle give way to "...".
    static std::string Compact(std::string_view path, size_t maxLength = kDisplayLength);

private:
    void Trim();

    int maxCount_;
    std::vector<std::string> paths_;
};
