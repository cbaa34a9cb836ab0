// Round trips through the packer's push side and the program's pull side, and
// every way a damaged or foreign data file must be refused.
#include "core/decrypt.h"

#include <random>

#include <gtest/gtest.h>

#include "support/encrypted_fixture.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

using Lines = std::vector<std::string>;

using testsupport::LogCapture;
using testsupport::readBytes;
using testsupport::testDataKey;
using testsupport::writeBytes;
using testsupport::writeEncrypted;

std::string randomBytes(std::size_t size) {
  std::mt19937 generator(static_cast<unsigned>(size));
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(generator());
  return bytes;
}

std::size_t encryptedSize(std::size_t plainSize) {
  const std::size_t chunks = plainSize == 0 ? 1 : (plainSize + streamPlainChunkBytes - 1) / streamPlainChunkBytes;
  return streamHeaderBytes + plainSize + chunks * (streamCipherChunkBytes - streamPlainChunkBytes);
}

class DecryptTest : public ::testing::Test {
 protected:
  LogCapture log;
  const std::filesystem::path encrypted = log.folder() / "data.enc";
  const std::filesystem::path plain = log.folder() / "data.xml";
};

TEST_F(DecryptTest, RoundTripGivesTheExactBytesAtChunkBoundaries) {
  for (const std::size_t size : {0UL, 1UL, 4095UL, 4096UL, 4097UL, 8192UL, 1UL << 20}) {
    SCOPED_TRACE(size);
    const std::string original = randomBytes(size);
    writeEncrypted(encrypted, original);
    EXPECT_EQ(std::filesystem::file_size(encrypted), encryptedSize(size));
    ASSERT_TRUE(gf_streamDecrypt(encrypted, plain, testDataKey));
    EXPECT_EQ(readBytes(plain), original);
  }
  EXPECT_TRUE(log.lines().empty());
}

TEST_F(DecryptTest, DamagedOrForeignFilesFailAndLeaveNoOutput) {
  const std::string original = randomBytes(3 * streamPlainChunkBytes + 100);
  writeEncrypted(encrypted, original);
  const std::string good = readBytes(encrypted);
  const std::size_t secondChunk = streamHeaderBytes + streamCipherChunkBytes;
  const std::size_t lastChunk = streamHeaderBytes + 3 * streamCipherChunkBytes;

  auto flipped = [&](std::size_t at) {
    std::string bytes = good;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x01);
    return bytes;
  };
  struct Case {
    const char* name;
    std::string bytes;
    const char* reason;
  };
  const Case cases[] = {
      {"flipped header byte", flipped(3), "Decryption failed"},
      {"flipped byte in a middle chunk", flipped(secondChunk + 50), "Decryption failed"},
      {"flipped byte in the last chunk", flipped(good.size() - 1), "Decryption failed"},
      {"cut inside a chunk", good.substr(0, secondChunk + 1000), "Decryption failed"},
      {"cut before the FINAL chunk", good.substr(0, lastChunk), "Decryption failed"},
      {"nothing after the header", good.substr(0, streamHeaderBytes), "Decryption failed"},
      {"shorter than the header", good.substr(0, streamHeaderBytes - 1), "Invalid header or key"},
      {"empty file", "", "Invalid header or key"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeBytes(encrypted, c.bytes);
    writeBytes(plain, "stale");
    log.mark();
    EXPECT_FALSE(gf_streamDecrypt(encrypted, plain, testDataKey));
    EXPECT_FALSE(std::filesystem::exists(plain));
    EXPECT_EQ(log.lines(), Lines{std::string("gf_streamDecrypt exception: ") + c.reason});
  }

  SCOPED_TRACE("wrong key");
  writeBytes(encrypted, good);
  DataFileKey otherKey = testDataKey;
  otherKey[31] ^= 0x80;
  EXPECT_FALSE(gf_streamDecrypt(encrypted, plain, otherKey));
  EXPECT_FALSE(std::filesystem::exists(plain));
}

TEST_F(DecryptTest, MissingInputIsLoggedWithItsPath) {
  const std::filesystem::path missing = log.folder() / "absent.enc";
  EXPECT_FALSE(gf_streamDecrypt(missing, plain, testDataKey));
  EXPECT_FALSE(std::filesystem::exists(plain));
  EXPECT_EQ(log.lines(), Lines{"gf_streamDecrypt exception: Could not open input file: " + missing.string()});
}

} // namespace
} // namespace gwr
