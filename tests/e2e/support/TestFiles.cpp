// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestFiles.h"

#include <fstream>
#include <iterator>
#include <openssl/evp.h>
#include <random>
#include <stdexcept>

namespace e2e {

std::filesystem::path TScratchFolder::UniquePath(std::string_view stem) {
  return Path() / (std::string(stem) + "." + std::to_string(++FCounter));
}

std::string ReadFileOrEmpty(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

std::string PatternBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 gen(seed);
  std::string bytes(size, '\0');
  std::size_t i = 0;
  for (; i + 4 <= size; i += 4) {
    const std::uint32_t v = gen();
    bytes[i] = static_cast<char>(v);
    bytes[i + 1] = static_cast<char>(v >> 8);
    bytes[i + 2] = static_cast<char>(v >> 16);
    bytes[i + 3] = static_cast<char>(v >> 24);
  }
  for (; i < size; ++i) {
    bytes[i] = static_cast<char>(gen());
  }
  return bytes;
}

std::string Sha256Hex(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1) {
    throw std::runtime_error("EVP_Digest failed");
  }
  static constexpr char Hex[] = "0123456789abcdef";
  std::string out;
  for (unsigned int i = 0; i < length; ++i) {
    out += Hex[digest[i] >> 4];
    out += Hex[digest[i] & 0xF];
  }
  return out;
}

} // namespace e2e
