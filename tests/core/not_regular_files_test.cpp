// A named pipe or a device where the program reads its own file: every way of
// reading refuses it at once with a log line instead of waiting in open().
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/text_files.h"
#include "core/xml_file.h"
#include "core/zip_archive.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;

constexpr auto promptly = std::chrono::seconds(5);  // a blocked open never returns

struct Reader {
  const char* what;
  std::function<bool(const fs::path&)> refuses;
};

const Reader readers[] = {
    {"whole bytes", [](const fs::path& p) { std::string b, c; return !gf_readFileBytes(p, b, c) && b.empty(); }},
    {"charset", [](const fs::path& p) { return gf_detectCharset(p) == Charset::none_found; }},
    {"text lines", [](const fs::path& p) { std::vector<std::string> l; return !gf_readTextLines(Charset::ANSI, p, l); }},
    {"UTF-8 text", [](const fs::path& p) { std::string t; return !gf_readUtf8Text(p, t).ok(); }},
    {"text file", [](const fs::path& p) { TextFile f(p); return !f.readLines(4).ok(); }},
    {"XML", [](const fs::path& p) { pugi::xml_document d; return !gf_loadXmlFile(d, p); }},
    {"zip", [](const fs::path& p) {
       try {
         ZipArchive::openForReading(p);
         return false;
       } catch (const std::exception&) {
         return true;
       }
     }},
};

TEST(NotRegularFiles, EveryReaderRefusesAPipeOrDeviceAtOnceAndSaysSo) {
  testsupport::LogCapture log;
  const fs::path pipe = log.folder() / "my_park_airports.txt";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const struct Place {
    fs::path path;
    const char* kind;
  } places[] = {{pipe, "a named pipe"}, {"/dev/zero", "a device"}};
  for (const Place& place : places) {
    for (const Reader& reader : readers) {
      SCOPED_TRACE(std::string(reader.what) + " of " + place.path.string());
      log.mark();
      auto read = std::async(std::launch::async, reader.refuses, place.path);
      if (read.wait_for(promptly) != std::future_status::ready) {
        ADD_FAILURE() << "the read waited on the pipe";
        // A writer coming and going lets the blocked open go on and the read
        // end, so the test can end.
        const int writer = ::open(place.path.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) ::close(writer);
        read.wait();
        continue;
      }
      EXPECT_TRUE(read.get());
      EXPECT_NE(log.text().find(place.path.string() + " not read: it is " + place.kind + ", not a regular file"),
                std::string::npos)
          << log.text();
    }
  }
}

} // namespace
} // namespace gwr
