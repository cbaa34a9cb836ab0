// Round trips through the packer's push side and the program's pull side, and
// every way a damaged or foreign data file must be refused.
#include "core/decrypt.h"

#include <sys/stat.h>

#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "support/encrypted_fixture.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

using namespace testsupport;

std::string lf_randomBytes(std::size_t size) {
  std::mt19937 generator(static_cast<unsigned>(size));
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(generator());
  return bytes;
}

class DecryptTest : public ::testing::Test {
 protected:
  // Decryption happens in memory: whatever the outcome, the folder holds at
  // most what the test put there.
  std::vector<std::string> onlyEncrypted() const {
    if (!std::filesystem::exists(encrypted)) return {};
    return {encrypted.filename().string()};
  }

  LogCapture log;
  const std::filesystem::path encrypted = log.folder() / "data.enc";
};

TEST_F(DecryptTest, RoundTripGivesTheExactBytesAtChunkBoundaries) {
  for (const std::size_t size : {0UL, 1UL, 4095UL, 4096UL, 4097UL, 1UL << 20}) {
    SCOPED_TRACE(size);
    const std::string original = lf_randomBytes(size);
    writeEncrypted(encrypted, original);
    const std::optional<std::string> plain = gf_streamDecrypt(encrypted, testDataKey);
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(*plain, original);
    EXPECT_EQ(namesInFolder(log.folder()), onlyEncrypted());
  }
  EXPECT_TRUE(log.lines().empty());
}

TEST_F(DecryptTest, DamagedForeignOrMissingFilesFailAndLeaveNoOutput) {
  writeEncrypted(encrypted, lf_randomBytes(3 * streamPlainChunkBytes + 100));
  const std::string good = readBytes(encrypted);
  const auto flipped = [&](std::size_t at) {
    std::string bytes = good;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x01);
    return bytes;
  };
  DataFileKey otherKey = testDataKey;
  otherKey[31] ^= 0x80;
  const std::string failed = "Decryption failed", badHeader = "Invalid header or key";
  const struct {
    const char* name;
    std::optional<std::string> bytes;  // nullopt: no input file
    std::string reason;
    const DataFileKey& key = testDataKey;
  } cases[] = {
      {"flipped byte in the last chunk", flipped(good.size() - 1), failed},
      {"cut inside a chunk", good.substr(0, streamHeaderBytes + streamCipherChunkBytes + 1000), failed},
      {"cut before the FINAL chunk", good.substr(0, streamHeaderBytes + 3 * streamCipherChunkBytes), failed},
      {"nothing after the header", good.substr(0, streamHeaderBytes), failed},
      {"shorter than the header", good.substr(0, streamHeaderBytes - 1), badHeader},
      {"wrong key", good, failed, otherKey},
      {"missing input", std::nullopt, "Could not open input file: " + encrypted.string()},
      {"a folder in its place", "/", "Could not open input file: " + encrypted.string() + " is a folder"},
      {"a named pipe in its place", "|", "Could not open input file: " + encrypted.string() + " is not a regular file"},
      {"larger than any data file", "+",
       fmt::format("Could not read input file: {} has {} bytes, more than {}", encrypted.string(),
                   maxDataFileBytes + 1, maxDataFileBytes)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(encrypted);
    if (c.bytes == "/") {
      std::filesystem::create_directory(encrypted);
    } else if (c.bytes == "|") {
      ASSERT_EQ(::mkfifo(encrypted.c_str(), 0600), 0);
    } else if (c.bytes == "+") {
      writeBytes(encrypted, good);
      std::filesystem::resize_file(encrypted, maxDataFileBytes + 1);  // sparse: no disk space taken
    } else if (c.bytes) {
      writeBytes(encrypted, *c.bytes);
    }
    log.mark();
    EXPECT_FALSE(gf_streamDecrypt(encrypted, c.key).has_value());
    EXPECT_EQ(log.lines(), std::vector<std::string>{"gf_streamDecrypt exception: " + c.reason});
    EXPECT_EQ(namesInFolder(log.folder()), onlyEncrypted());
  }
}

// The packing tool's file form writes exactly the bytes of the memory form.
TEST_F(DecryptTest, FileFormWritesThePlainBytes) {
  const std::filesystem::path plain = log.folder() / "data.xml";
  writeEncrypted(encrypted, "<root/>");
  gf_streamDecryptOrThrow(testDataKey, encrypted, plain);
  EXPECT_EQ(readBytes(plain), "<root/>");
  writeBytes(encrypted, "damaged");
  EXPECT_THROW(gf_streamDecryptOrThrow(testDataKey, encrypted, plain), std::runtime_error);
}

} // namespace
} // namespace gwr
