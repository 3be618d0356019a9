// A check that holds in every fuzzing input. A failure prints what broke and aborts, which
// libFuzzer reports as a crash with the input that caused it; the replay driver of the test suite
// fails the same way.
#pragma once

#include <cstdio>
#include <cstdlib>

#define HXF_FUZZ_CHECK(condition)                                                        \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)
