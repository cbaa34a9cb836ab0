// A named pipe or a device where the program reads or writes its own file:
// every way refuses it at once with a log line instead of waiting in open().
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "core/text_files.h"
#include "core/xml_file.h"
#include "core/zip_archive.h"
#include "support/log_capture.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;

constexpr auto promptly = std::chrono::seconds(5);  // a blocked open never returns

struct Access {
  const char* what;
  std::function<bool(const fs::path&)> refuses;
};

const Access readers[] = {
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

const Access writers[] = {
    {"text", [](const fs::path& p) { return !gf_writeTextFile("x", p); }},
    {"lines", [](const fs::path& p) { return !gf_writeTextLines({"x"}, p); }},
};

TEST(NotRegularFiles, EveryReaderAndWriterRefusesAPipeOrDeviceAtOnceAndSaysSo) {
  testsupport::LogCapture log;
  const fs::path pipe = log.folder() / "my_park_airports.txt";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const struct Place {
    fs::path path;
    const char* kind;
  } places[] = {{pipe, "a named pipe"}, {"/dev/zero", "a device"}};
  const struct Use {
    const Access* begin;
    const Access* end;
    const char* done;
  } uses[] = {{std::begin(readers), std::end(readers), "read"}, {std::begin(writers), std::end(writers), "written"}};
  for (const Place& place : places) {
    for (const Use& use : uses) {
      for (const Access* access = use.begin; access != use.end; ++access) {
        SCOPED_TRACE(fmt::format("{} {} {}", access->what, use.done, place.path.string()));
        log.mark();
        auto done = std::async(std::launch::async, access->refuses, place.path);
        if (done.wait_for(promptly) != std::future_status::ready) {
          ADD_FAILURE() << "the open waited on the pipe";
          // Both ends at once let the blocked open go on and the access end;
          // a writer keeps its reader until it is done.
          const int other = ::open(place.path.c_str(), O_RDWR | O_NONBLOCK);
          if (std::string_view(use.done) == "read" && other >= 0) ::close(other);
          done.wait();
          if (std::string_view(use.done) == "written" && other >= 0) ::close(other);
          continue;
        }
        EXPECT_TRUE(done.get());
        EXPECT_NE(log.text().find(fmt::format("{} not {}: it is {}, not a regular file", place.path.string(),
                                              use.done, place.kind)),
                  std::string::npos)
            << log.text();
      }
    }
  }
}

} // namespace
} // namespace gwr
