#pragma once
// M5_ADDRESS_SANITIZER is 1 in builds checked by the address sanitizer (GCC and clang spell the
// check differently), with its interface for marking memory declared.
#if defined(__SANITIZE_ADDRESS__)
#define M5_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define M5_ADDRESS_SANITIZER 1
#endif
#endif

#ifndef M5_ADDRESS_SANITIZER
#define M5_ADDRESS_SANITIZER 0
#endif

#if M5_ADDRESS_SANITIZER
#include <sanitizer/asan_interface.h>
#endif
