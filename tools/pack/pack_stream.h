// Push side of the data files' secret stream: encrypts a plain file into the
// 24-byte header and 4096-byte chunks that the program decrypts.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string_view>

namespace gwr::pack {

using PackKey = std::array<unsigned char, 32>;

// Encrypts plain into encrypted: full chunks tagged MESSAGE, the last one
// (empty for an empty file) tagged FINAL. Throws std::runtime_error.
void gf_encryptFile(const PackKey& key, const std::filesystem::path& plain, const std::filesystem::path& encrypted);

// 64 hex digits as a key; none for anything else.
std::optional<PackKey> gf_parseKeyHex(std::string_view hex);

} // namespace gwr::pack
