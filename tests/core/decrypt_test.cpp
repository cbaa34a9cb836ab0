// Round trips through the packer's push side and the program's pull side, and
// every way a damaged or foreign data file must be refused.
#include "core/decrypt.h"

#include <optional>
#include <random>
#include <stdexcept>

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
  LogCapture log;
  const std::filesystem::path encrypted = log.folder() / "data.enc";
  const std::filesystem::path plain = log.folder() / "data.xml";
};

TEST_F(DecryptTest, RoundTripGivesTheExactBytesAtChunkBoundaries) {
  for (const std::size_t size : {0UL, 1UL, 4095UL, 4096UL, 4097UL, 1UL << 20}) {
    SCOPED_TRACE(size);
    const std::string original = lf_randomBytes(size);
    writeEncrypted(encrypted, original);
    ASSERT_TRUE(gf_streamDecrypt(encrypted, plain, testDataKey));
    EXPECT_EQ(readBytes(plain), original);
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
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(encrypted);
    if (c.bytes) writeBytes(encrypted, *c.bytes);
    writeBytes(plain, "stale");
    log.mark();
    EXPECT_FALSE(gf_streamDecrypt(encrypted, plain, c.key));
    EXPECT_FALSE(std::filesystem::exists(plain));
    EXPECT_EQ(log.lines(), std::vector<std::string>{"gf_streamDecrypt exception: " + c.reason});
  }
}

TEST_F(DecryptTest, DecryptedFileIsGoneOnEveryWayOut) {
  writeEncrypted(encrypted, "<root/>");
  try {
    const DecryptedFile file(encrypted, plain, testDataKey);
    ASSERT_TRUE(file.ok());
    EXPECT_EQ(readBytes(file.path()), "<root/>");
    throw std::runtime_error("reading failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_FALSE(std::filesystem::exists(plain));

  writeBytes(encrypted, "damaged");
  {
    const DecryptedFile file(encrypted, plain, testDataKey);
    EXPECT_FALSE(file.ok());
  }
  EXPECT_FALSE(std::filesystem::exists(plain));
}

} // namespace
} // namespace gwr
