// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <cstdlib>

// A broken property is a finding: say which, then stop so libFuzzer keeps the input.
#define FUZZ_REQUIRE(condition)                                                                    \
  do {                                                                                             \
    if (!(condition)) {                                                                            \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);        \
      std::abort();                                                                                \
    }                                                                                              \
  } while (0)
