// gwr-pack: encrypts a plain data file into the shipped form, or decrypts a
// shipped file for inspection, with the build's key or one given in hex.
#include <cstdio>
#include <filesystem>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <fmt/format.h>

#include "core/decrypt.h"
#include "pack/pack_stream.h"
#include "platform/sys/native_path.h"

namespace {

constexpr int lf_exitUsage = 2;

// On standard output when asked for, else on standard error.
void lf_printUsage(std::FILE* to = stderr) {
  fmt::print(to,
             "usage: gwr-pack encrypt PLAIN ENCRYPTED [--key-hex HEX]\n"
             "       gwr-pack decrypt ENCRYPTED PLAIN [--key-hex HEX]\n"
             "Encrypts a plain data file into the program's input form, or decrypts one.\n"
             "Without --key-hex the key of this build is used; HEX is 64 hex digits.\n");
}

} // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  std::optional<gwr::pack::PackKey> key = gwr::gf_programDataKey();
  std::vector<std::string_view> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--help" || args[i] == "-h") {
      lf_printUsage(stdout);
      return 0;
    }
    if (args[i] == "--key-hex") {
      if (i + 1 >= args.size()) {
        lf_printUsage();
        return lf_exitUsage;
      }
      key = gwr::pack::gf_parseKeyHex(args[++i]);
      if (!key) {
        fmt::print(stderr, "gwr-pack: the key must be 64 hex digits\n");
        return lf_exitUsage;
      }
      continue;
    }
    positional.push_back(args[i]);
  }
  if (positional.size() != 3 || (positional[0] != "encrypt" && positional[0] != "decrypt")) {
    lf_printUsage();
    return lf_exitUsage;
  }
  const std::string from{positional[1]};
  const std::string to{positional[2]};
  try {
    if (positional[0] == "encrypt")
      gwr::pack::gf_encryptFile(*key, gwr::platform::pathFromUtf8(from), gwr::platform::pathFromUtf8(to));
    else
      gwr::gf_streamDecryptOrThrow(*key, from, to);
  } catch (const std::exception& e) {
    fmt::print(stderr, "gwr-pack: {}\n", e.what());
    std::error_code ignored;
    std::filesystem::remove(gwr::platform::pathFromUtf8(to), ignored);  // no half-written file left behind
    return 1;
  }
  return 0;
}
