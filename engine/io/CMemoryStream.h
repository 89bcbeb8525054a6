#pragma once

#include <cstddef>
#include <string_view>

#include "base/ByteBuffer.h"

namespace Norvik {

// The growable byte buffer that output is written into before it reaches a
// file. Its bytes from the start to the current end are the part of a document
// not yet in the file; Rewind keeps the capacity so steady-state writing does
// not allocate.
class CMemoryStream {
public:
    void Write(const char* data, size_t size) { bytes_.append(data, size); }
    void Write(std::string_view data) { bytes_.append(data); }

    const char* Data() const noexcept { return bytes_.data(); }
    size_t Size() const noexcept { return bytes_.size(); }
    std::string_view View() const noexcept { return std::string_view(bytes_); }
    void Rewind() noexcept { bytes_.clear(); }

    // Direct access for writers that append in place.
    ByteBuffer& Buffer() noexcept { return bytes_; }

private:
    ByteBuffer bytes_;
};

}  // namespace Norvik
