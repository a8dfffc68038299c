// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FritzDSL.h"

namespace {

class TNoFritzDSLSoftware final : public TFritzDSLSoftware {
public:
  std::unique_ptr<TFritzDSLConnection> Connect() override { return nullptr; }
};

} // namespace

std::unique_ptr<TFritzDSLSoftware> SystemFritzDSLSoftware() {
  return std::make_unique<TNoFritzDSLSoftware>();
}
