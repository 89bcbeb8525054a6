#pragma once

// NORVIK_ADDRESS_SANITIZER is 1 in builds checked by the address sanitizer,
// whatever the compiler: scans that read a little past a buffer (within its
// page) take their plain path there.
#if defined(__SANITIZE_ADDRESS__)
#define NORVIK_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NORVIK_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef NORVIK_ADDRESS_SANITIZER
#define NORVIK_ADDRESS_SANITIZER 0
#endif
