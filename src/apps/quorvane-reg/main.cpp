// SPDX-License-Identifier: GPL-3.0-or-later
#include <iostream>

#include "RegTool.h"
#include "platform/Registry.h"

int main(int argc, char* argv[]) {
  TRegistry registry(TRegistryLocations::FromEnvironment());
  return RunRegTool(std::vector<std::string>(argv + 1, argv + argc), registry, std::cin, std::cout, std::cerr);
}
