// SPDX-License-Identifier: GPL-3.0-or-later
#include "RegTool.h"
#include "platform/Registry.h"

#include <iostream>

int main(int argc, char* argv[]) {
  TRegistry registry(TRegistryLocations::FromEnvironment());
  return RunRegTool(std::vector<std::string>(argv + 1, argv + argc), registry, std::cin, std::cout,
                    std::cerr);
}
