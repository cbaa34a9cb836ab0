// Pull side of the shipped data files' secret stream, streamed one chunk at a
// time, and the never-throwing wrapper that the data readers call.
#include "core/decrypt.h"

#include <fstream>
#include <mutex>
#include <stdexcept>
#include <utility>

#include <fmt/format.h>
#include <sodium.h>

#include "core/file_maintenance.h"
#include "core/log.h"
#include "gwr/build_config.h"
#include "platform/sys/native_path.h"

namespace gwr {

static_assert(dataFileKeyBytes == crypto_secretstream_xchacha20poly1305_KEYBYTES);
static_assert(streamHeaderBytes == crypto_secretstream_xchacha20poly1305_HEADERBYTES);
static_assert(streamCipherChunkBytes == streamPlainChunkBytes + crypto_secretstream_xchacha20poly1305_ABYTES);
static_assert(build::dataFileKey.size() == dataFileKeyBytes);

namespace {

constexpr DataFileKey lf_programKey = build::dataFileKey;

void lf_initSodium() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (sodium_init() < 0) throw std::runtime_error("libsodium could not be initialised");
  });
}

// Reads up to buffer.size() bytes; fewer only at the end of the input.
std::size_t lf_readChunk(std::ifstream& in, unsigned char* buffer, std::size_t size) {
  in.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(size));
  return static_cast<std::size_t>(in.gcount());
}

} // namespace

const DataFileKey& gf_programDataKey() { return lf_programKey; }

void gf_streamDecryptOrThrow(const DataFileKey& key, const std::string& encrypted, const std::string& plain) {
  lf_initSodium();
  std::ifstream in(platform::pathFromUtf8(encrypted), std::ios::binary);
  if (!in) throw std::runtime_error("Could not open input file: " + encrypted);
  std::ofstream out(platform::pathFromUtf8(plain), std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("Could not open output file: " + plain);

  unsigned char header[streamHeaderBytes];
  crypto_secretstream_xchacha20poly1305_state state;
  // A file too short for the header is as unusable as a bad one.
  if (lf_readChunk(in, header, sizeof header) != sizeof header ||
      crypto_secretstream_xchacha20poly1305_init_pull(&state, header, key.data()) != 0)
    throw std::runtime_error("Invalid header or key");

  unsigned char cipher[streamCipherChunkBytes];
  unsigned char message[streamPlainChunkBytes];
  bool sawFinal = false;
  std::size_t read = lf_readChunk(in, cipher, sizeof cipher);
  while (read > 0) {
    unsigned long long messageLength = 0;
    unsigned char tag = 0;
    if (crypto_secretstream_xchacha20poly1305_pull(&state, message, &messageLength, &tag, cipher, read, nullptr, 0) !=
        0)
      throw std::runtime_error("Decryption failed");
    out.write(reinterpret_cast<const char*>(message), static_cast<std::streamsize>(messageLength));
    if (!out) throw std::runtime_error("Could not write output file: " + plain);
    if (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL) {
      sawFinal = true;
      break;
    }
    read = lf_readChunk(in, cipher, sizeof cipher);
  }
  // Without the FINAL chunk the file was cut short: whole chunks would
  // otherwise pass as a complete file.
  if (!sawFinal) throw std::runtime_error("Decryption failed");
  out.close();
  if (!out) throw std::runtime_error("Could not write output file: " + plain);
}

bool gf_streamDecrypt(const std::filesystem::path& encrypted, const std::filesystem::path& plain,
                      const DataFileKey& key) {
  try {
    gf_streamDecryptOrThrow(key, platform::pathToUtf8(encrypted), platform::pathToUtf8(plain));
    return true;
  } catch (const std::exception& e) {
    gf_log(fmt::format("{} exception: {}", "gf_streamDecrypt", e.what()));
    try {
      gf_removeFileWarn(plain);
    } catch (const std::exception& removal) {
      gf_logError(fmt::format("{} exception: {}", "gf_streamDecrypt", removal.what()));
    }
    return false;
  }
}

bool gf_streamDecrypt(const std::filesystem::path& encrypted, const std::filesystem::path& plain) {
  return gf_streamDecrypt(encrypted, plain, lf_programKey);
}

DecryptedFile::DecryptedFile(const std::filesystem::path& encrypted, std::filesystem::path plainFile,
                             const DataFileKey& key)
    : plain(std::move(plainFile)) {
  decrypted = gf_streamDecrypt(encrypted, plain, key);
}

DecryptedFile::~DecryptedFile() {
  try {
    gf_removeFileWarn(plain);
  } catch (const std::exception& e) {
    gf_logError(fmt::format("'{}' not removed: {}", plain.string(), e.what()));
  }
}

} // namespace gwr
