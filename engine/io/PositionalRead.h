#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>

namespace Norvik {

// Reads up to length bytes at position, retrying short and interrupted reads;
// fewer only at the end of the file. got holds what was read; the errno value
// of a failure comes back (0 when none).
inline int ReadFully(int fd, int64_t position, char* into, size_t length, size_t& got) {
    got = 0;
    while (got < length) {
        const ssize_t n =
            ::pread(fd, into + got, length - got, position + static_cast<int64_t>(got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    return 0;
}

}  // namespace Norvik
