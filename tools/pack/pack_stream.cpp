// Encryption of one file with libsodium's xchacha20poly1305 secret stream, one
// chunk in memory at a time, and the parsing of hex keys.
#include "pack/pack_stream.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <string>

#include <sodium.h>

namespace gwr::pack {

namespace {

constexpr std::size_t lf_plainChunkBytes = 4096;
constexpr std::size_t lf_cipherChunkBytes = lf_plainChunkBytes + crypto_secretstream_xchacha20poly1305_ABYTES;

static_assert(sizeof(PackKey) == crypto_secretstream_xchacha20poly1305_KEYBYTES);

int lf_hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

} // namespace

void gf_encryptFile(const PackKey& key, const std::filesystem::path& plain, const std::filesystem::path& encrypted) {
  if (sodium_init() < 0) throw std::runtime_error("libsodium could not be initialised");
  std::ifstream in(plain, std::ios::binary);
  if (!in) throw std::runtime_error("Could not open input file: " + plain.string());
  std::ofstream out(encrypted, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("Could not open output file: " + encrypted.string());

  crypto_secretstream_xchacha20poly1305_state state;
  unsigned char header[crypto_secretstream_xchacha20poly1305_HEADERBYTES];
  crypto_secretstream_xchacha20poly1305_init_push(&state, header, key.data());
  out.write(reinterpret_cast<const char*>(header), sizeof header);

  // Reading one chunk ahead tells whether the current one is the last.
  unsigned char current[lf_plainChunkBytes];
  unsigned char next[lf_plainChunkBytes];
  unsigned char cipher[lf_cipherChunkBytes];
  in.read(reinterpret_cast<char*>(current), sizeof current);
  std::size_t currentLength = static_cast<std::size_t>(in.gcount());
  for (;;) {
    std::size_t nextLength = 0;
    if (currentLength == lf_plainChunkBytes) {
      in.read(reinterpret_cast<char*>(next), sizeof next);
      nextLength = static_cast<std::size_t>(in.gcount());
    }
    if (in.bad()) throw std::runtime_error("Could not read input file: " + plain.string());
    const bool last = nextLength == 0;
    const unsigned char tag =
        last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
    unsigned long long cipherLength = 0;
    crypto_secretstream_xchacha20poly1305_push(&state, cipher, &cipherLength, current, currentLength, nullptr, 0, tag);
    out.write(reinterpret_cast<const char*>(cipher), static_cast<std::streamsize>(cipherLength));
    if (last) break;
    std::copy(next, next + nextLength, current);
    currentLength = nextLength;
  }
  out.close();
  if (!out) throw std::runtime_error("Could not write output file: " + encrypted.string());
}

std::optional<PackKey> gf_parseKeyHex(std::string_view hex) {
  PackKey key{};
  if (hex.size() != key.size() * 2) return std::nullopt;
  for (std::size_t i = 0; i < key.size(); ++i) {
    const int high = lf_hexValue(hex[2 * i]);
    const int low = lf_hexValue(hex[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    key[i] = static_cast<unsigned char>(high * 16 + low);
  }
  return key;
}

} // namespace gwr::pack
