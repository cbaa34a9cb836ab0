// Test helper: plain and encrypted data-file fixtures made at test time with
// a key of the tests' own, never the build's.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "pack/pack_stream.h"

namespace gwr::testsupport {

inline constexpr pack::PackKey testDataKey{0x54, 0x65, 0x73, 0x74, 0x20, 0x6b, 0x65, 0x79, 0x20, 0x6f, 0x6e,
                                           0x6c, 0x79, 0x2c, 0x20, 0x6e, 0x6f, 0x74, 0x20, 0x73, 0x68, 0x69,
                                           0x70, 0x70, 0x65, 0x64, 0x21, 0x00, 0x01, 0x02, 0x03, 0x04};

inline void writeBytes(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The names in folder, sorted, the log left out: what a data-file reader
// left on disk beside the encrypted file.
inline std::vector<std::string> namesInFolder(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename() != "Log.txt") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Writes plain to a scratch file beside encrypted and encrypts it there.
inline void writeEncrypted(const std::filesystem::path& encrypted, std::string_view plain,
                           const pack::PackKey& key = testDataKey) {
  std::filesystem::path scratch = encrypted;
  scratch += ".plain";
  writeBytes(scratch, plain);
  pack::gf_encryptFile(key, scratch, encrypted);
  std::filesystem::remove(scratch);
}

} // namespace gwr::testsupport
