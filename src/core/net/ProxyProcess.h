// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <malloc.h>
#include <sys/resource.h>

// Process set-up for a program that serves many proxy connections; called first in
// main, before any thread starts.
inline void PrepareProxyProcess() {
  // Each connection thread would otherwise get a malloc arena of its own, up to eight
  // per core, each holding on to memory; two shared arenas serve a proxy that mostly
  // waits on sockets just as well.
  mallopt(M_ARENA_MAX, 2);
  // Many browser connections at once each need descriptors; take what the system allows.
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
  }
}
