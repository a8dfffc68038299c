// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/UserAccount.h"

#include <unistd.h>

bool IsUserAdmin() {
  return geteuid() == 0;
}
