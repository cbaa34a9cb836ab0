// Decryption of the shipped data files: a libsodium secret stream of 4096-byte
// chunks after a 24-byte header, the last chunk tagged FINAL.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace gwr {

inline constexpr std::size_t dataFileKeyBytes = 32;
inline constexpr std::size_t streamHeaderBytes = 24;
inline constexpr std::size_t streamPlainChunkBytes = 4096;
inline constexpr std::size_t streamCipherChunkBytes = streamPlainChunkBytes + 17;  // + tag and MAC

inline constexpr std::uintmax_t maxDataFileBytes = 256U << 20U;  // 256 MiB; the shipped files have a few MB

using DataFileKey = std::array<unsigned char, dataFileKeyBytes>;

// The key the shipped files of this build are encrypted with.
const DataFileKey& gf_programDataKey();

// The whole content of a data file. Throws std::runtime_error naming the file
// when it is missing, a folder or not a regular file, larger than
// maxDataFileBytes, or cannot be read.
std::string gf_readDataFileOrThrow(const std::filesystem::path& file);

// Decrypts a whole stream held in memory; throws as below.
std::string gf_decryptBytesOrThrow(const DataFileKey& key, std::string_view encrypted);

// Decrypts the file encrypted into memory and gives the plain bytes. Throws
// std::runtime_error on any failure: a missing file or one that is not a
// regular file (a folder, say), a bad header or chunk, a stream that ends
// without its FINAL chunk.
std::string gf_streamDecryptOrThrow(const DataFileKey& key, const std::filesystem::path& encrypted);

// The same, written to the file plain (the packing tool). Throws as above and
// when plain cannot be written; plain may then be left partly written.
void gf_streamDecryptOrThrow(const DataFileKey& key, const std::filesystem::path& encrypted,
                             const std::filesystem::path& plain);

// The plain bytes of encrypted; on failure logs why and gives none. Never
// throws. Nothing is written to disk.
std::optional<std::string> gf_streamDecrypt(const std::filesystem::path& encrypted, const DataFileKey& key);
std::optional<std::string> gf_streamDecrypt(const std::filesystem::path& encrypted);

} // namespace gwr
