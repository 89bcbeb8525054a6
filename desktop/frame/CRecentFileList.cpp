#include "CRecentFileList.h"

#include <algorithm>

namespace {

// Length in characters, not bytes, so UTF-8 names are not cut mid-character.
size_t CharCount(std::string_view text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The first count characters of text.
std::string_view FirstChars(std::string_view text, size_t count) {
    size_t i = 0;
    for (; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (count == 0) {
                break;
            }
            --count;
        }
    }
    return text.substr(0, i);
}

}  // namespace

CRecentFileList::CRecentFileList(int maxCount) : maxCount_(kDefaultCount) {
    SetMaxCount(maxCount);
}

void CRecentFileList::SetMaxCount(int count) {
    maxCount_ = std::clamp(count, kMinCount, kMaxCount);
    Trim();
}

void CRecentFileList::Add(const std::string& path) {
    if (path.empty()) {
        return;
    }
    Remove(path);
    paths_.insert(paths_.begin(), path);
    Trim();
}

void CRecentFileList::Remove(const std::string& path) {
    std::erase(paths_, path);
}

void CRecentFileList::Assign(const std::vector<std::string>& paths) {
    paths_.clear();
    for (const std::string& path : paths) {
        if (!path.empty() && std::find(paths_.begin(), paths_.end(), path) == paths_.end()) {
            paths_.push_back(path);
        }
    }
    Trim();
}

void CRecentFileList::Trim() {
    if (paths_.size() > static_cast<size_t>(maxCount_)) {
        paths_.resize(static_cast<size_t>(maxCount_));
    }
}

std::string CRecentFileList::Compact(std::string_view path, size_t maxLength) {
    static constexpr std::string_view kEllipsis = "...";
    if (CharCount(path) <= maxLength) {
        return std::string(path);
    }
    const size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t nameLength = CharCount(name);
    // "<start of the folders>.../<name>" while the name leaves room for it.
    if (slash != std::string_view::npos && nameLength + kEllipsis.size() + 2 <= maxLength) {
        const size_t room = maxLength - nameLength - kEllipsis.size() - 1;
        std::string_view start = FirstChars(path.substr(0, slash), room);
        // Cut at a folder boundary when there is one: "/home/ann/.../x.dv".
        if (const size_t cut = start.find_last_of('/'); cut != std::string_view::npos && cut > 0) {
            start = start.substr(0, cut + 1);
        }
        std::string result(start);
        result += kEllipsis;
        result += '/';
        result += name;
        return result;
    }
    // A name too long by itself keeps its start.
    std::string result(FirstChars(name, maxLength - kEllipsis.size()));
    result += kEllipsis;
    return result;
}
