#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Norvik {

// Attribute list handed to CSAXWriter::StartElement. Clear keeps the storage,
// so a list reused for every start tag of a run stops allocating.
class CSAXAttributes {
public:
    void AddAttribute(std::string_view qualifiedName, std::string_view value) {
        if (count_ == entries_.size()) {
            entries_.emplace_back();
        }
        entries_[count_].name.assign(qualifiedName);
        entries_[count_].value.assign(value);
        ++count_;
    }
    void Clear() noexcept { count_ = 0; }

    size_t Count() const noexcept { return count_; }
    const std::string& Name(size_t i) const { return entries_[i].name; }
    const std::string& Value(size_t i) const { return entries_[i].value; }

private:
    struct Entry {
        std::string name;
        std::string value;
    };
    std::vector<Entry> entries_;
    size_t count_ = 0;
};

}  // namespace Norvik
