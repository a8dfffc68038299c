// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/Base64.h"

#include <openssl/evp.h>

std::string EncodeBase64(std::string_view bytes) {
  std::string encoded(4 * ((bytes.size() + 2) / 3), '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()),
                                     reinterpret_cast<const unsigned char*>(bytes.data()),
                                     static_cast<int>(bytes.size()));
  encoded.resize(static_cast<std::size_t>(length));
  return encoded;
}
