// Decryption of the shipped data files: a libsodium secret stream of 4096-byte
// chunks after a 24-byte header, the last chunk tagged FINAL.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>

namespace gwr {

inline constexpr std::size_t dataFileKeyBytes = 32;
inline constexpr std::size_t streamHeaderBytes = 24;
inline constexpr std::size_t streamPlainChunkBytes = 4096;
inline constexpr std::size_t streamCipherChunkBytes = streamPlainChunkBytes + 17;  // + tag and MAC

using DataFileKey = std::array<unsigned char, dataFileKeyBytes>;

// The key the shipped files of this build are encrypted with.
const DataFileKey& gf_programDataKey();

// Decrypts encrypted into plain. Throws std::runtime_error on any failure, a
// stream that ends without its FINAL chunk included; the output may then be
// left partly written.
void gf_streamDecryptOrThrow(const DataFileKey& key, const std::string& encrypted, const std::string& plain);

// Decrypts encrypted into plain; on failure logs why, removes plain and gives
// false. Never throws.
bool gf_streamDecrypt(const std::filesystem::path& encrypted, const std::filesystem::path& plain,
                      const DataFileKey& key);
bool gf_streamDecrypt(const std::filesystem::path& encrypted, const std::filesystem::path& plain);

// A shipped file decrypted for reading: the plain file is removed however the
// reading ends, also by an exception, so that no plain copy stays on disk.
class DecryptedFile {
public:
  // Decrypts as gf_streamDecrypt does; ok() tells whether it worked.
  DecryptedFile(const std::filesystem::path& encrypted, std::filesystem::path plain, const DataFileKey& key);
  // Removes the plain file; a failure is logged, never thrown.
  ~DecryptedFile();
  DecryptedFile(const DecryptedFile&) = delete;
  DecryptedFile& operator=(const DecryptedFile&) = delete;

  bool ok() const { return decrypted; }
  const std::filesystem::path& path() const { return plain; }

private:
  std::filesystem::path plain;
  bool decrypted = false;
};

} // namespace gwr
