// Pull side of the shipped data files' secret stream, read one chunk at a
// time straight into memory, and the never-throwing wrapper that the data readers call.
#include "core/decrypt.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>
#include <sodium.h>

#include "core/log.h"
#include "core/text_files.h"
#include "gwr/build_config.h"
#include "platform/sys/native_path.h"

namespace gwr {

static_assert(dataFileKeyBytes == crypto_secretstream_xchacha20poly1305_KEYBYTES);
static_assert(streamHeaderBytes == crypto_secretstream_xchacha20poly1305_HEADERBYTES);
static_assert(streamCipherChunkBytes == streamPlainChunkBytes + crypto_secretstream_xchacha20poly1305_ABYTES);
static_assert(build::dataFileKey.size() == dataFileKeyBytes);

namespace {

namespace fs = std::filesystem;

constexpr DataFileKey lf_programKey = build::dataFileKey;

void lf_initSodium() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (sodium_init() < 0) throw std::runtime_error("libsodium could not be initialised");
  });
}

// The plain size of a complete stream of cipherBytes, as a reservation.
std::size_t lf_plainCapacity(std::size_t cipherBytes) {
  if (cipherBytes <= streamHeaderBytes) return 0;
  const std::size_t chunks = (cipherBytes - streamHeaderBytes + streamCipherChunkBytes - 1) / streamCipherChunkBytes;
  return chunks * streamPlainChunkBytes;
}

} // namespace

const DataFileKey& gf_programDataKey() { return lf_programKey; }

std::string gf_readDataFileOrThrow(const fs::path& file) {
  // Looked at and opened without blocking: a folder, pipe or device in the
  // file's place, also one put there between the look and the open, is named
  // instead of read as empty or waited on.
  platform::FileKind kind = platform::FileKind::missing;
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(platform::openRegularFile(file, kind), std::fclose);
  if (kind == platform::FileKind::folder)
    throw std::runtime_error("Could not open input file: " + platform::pathToUtf8(file) + " is a folder");
  if (kind != platform::FileKind::regular && kind != platform::FileKind::missing)
    throw std::runtime_error("Could not open input file: " + platform::pathToUtf8(file) + " is not a regular file");
  if (!in) throw std::runtime_error("Could not open input file: " + platform::pathToUtf8(file));
  const long size = std::fseek(in.get(), 0, SEEK_END) == 0 ? std::ftell(in.get()) : -1L;
  if (size < 0 || std::fseek(in.get(), 0, SEEK_SET) != 0)
    throw std::runtime_error("Could not read input file: " + platform::pathToUtf8(file));
  // The shipped files are a few MB: a huge one is damage, not data to
  // allocate memory for.
  if (static_cast<std::uintmax_t>(size) > maxDataFileBytes)
    throw std::runtime_error(fmt::format("Could not read input file: {} has {} bytes, more than {}", platform::pathToUtf8(file),
                                         size, maxDataFileBytes));
  std::string bytes(static_cast<std::size_t>(size), '\0');
  if (std::fread(bytes.data(), 1, bytes.size(), in.get()) != bytes.size() || std::ferror(in.get()) != 0)
    throw std::runtime_error("Could not read input file: " + platform::pathToUtf8(file));
  return bytes;
}

std::string gf_decryptBytesOrThrow(const DataFileKey& key, std::string_view encrypted) {
  lf_initSodium();
  const auto* cipher = reinterpret_cast<const unsigned char*>(encrypted.data());
  crypto_secretstream_xchacha20poly1305_state state;
  // A file too short for the header is as unusable as a bad one.
  if (encrypted.size() < streamHeaderBytes ||
      crypto_secretstream_xchacha20poly1305_init_pull(&state, cipher, key.data()) != 0)
    throw std::runtime_error("Invalid header or key");

  std::string plain(lf_plainCapacity(encrypted.size()), '\0');
  std::size_t written = 0;
  for (std::size_t at = streamHeaderBytes; at < encrypted.size(); at += streamCipherChunkBytes) {
    const std::size_t chunk = std::min(streamCipherChunkBytes, encrypted.size() - at);
    unsigned long long messageLength = 0;
    unsigned char tag = 0;
    if (crypto_secretstream_xchacha20poly1305_pull(&state, reinterpret_cast<unsigned char*>(plain.data() + written),
                                                   &messageLength, &tag, cipher + at, chunk, nullptr, 0) != 0)
      throw std::runtime_error("Decryption failed");
    written += static_cast<std::size_t>(messageLength);
    if (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL) {
      plain.resize(written);
      return plain;
    }
  }
  // Without the FINAL chunk the file was cut short: whole chunks would
  // otherwise pass as a complete file.
  throw std::runtime_error("Decryption failed");
}

std::string gf_streamDecryptOrThrow(const DataFileKey& key, const fs::path& encrypted) {
  return gf_decryptBytesOrThrow(key, gf_readDataFileOrThrow(encrypted));
}

void gf_streamDecryptOrThrow(const DataFileKey& key, const fs::path& encrypted, const fs::path& plain) {
  const std::string bytes = gf_streamDecryptOrThrow(key, encrypted);
  std::string cause;
  std::FILE* out = gf_openForWriting(plain, cause);
  if (out == nullptr)
    throw std::runtime_error(fmt::format("Could not open output file: {} ({})", platform::pathToUtf8(plain), cause));
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  if (std::fclose(out) != 0 || !written)
    throw std::runtime_error("Could not write output file: " + platform::pathToUtf8(plain));
}

std::optional<std::string> gf_streamDecrypt(const fs::path& encrypted, const DataFileKey& key) {
  try {
    return gf_streamDecryptOrThrow(key, encrypted);
  } catch (const std::exception& e) {
    gf_log(fmt::format("{} exception: {}", "gf_streamDecrypt", e.what()));
    return std::nullopt;
  }
}

std::optional<std::string> gf_streamDecrypt(const fs::path& encrypted) {
  return gf_streamDecrypt(encrypted, lf_programKey);
}

} // namespace gwr
