// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

// Standard Base64 with padding, as HTTP Basic authentication needs it.
std::string EncodeBase64(std::string_view bytes);
