// A named pipe or a device where the program reads or writes its own file:
// every way refuses it at once with a log line instead of waiting in open().
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <gtest/gtest.h>

#include "core/decrypt.h"
#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/text_files.h"
#include "core/xml_parameter.h"
#include "core/xml_file.h"
#include "core/zip_archive.h"
#include "support/as_unprivileged.h"
#include "support/encrypted_fixture.h"
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

// Every way the program writes a file; true when it refused to.
const Access writers[] = {
    {"text", [](const fs::path& p) { return !gf_writeTextFile("x", p); }},
    {"lines", [](const fs::path& p) { return !gf_writeTextLines({"x"}, p); }},
    {"replaced lines", [](const fs::path& p) { std::string c; return !gf_replaceTextLines({"x"}, p, c); }},
    {"XML save", [](const fs::path& p) { pugi::xml_document d; d.append_child("root"); return !gf_saveXml(d, p); }},
    {"copy", [](const fs::path& p) {
       const fs::path from = fs::temp_directory_path() / fmt::format("gwr-copy-{}.txt", ::getpid());
       testsupport::writeBytes(from, "x");
       std::string c;
       const bool copied = gf_copyFile(from, p, c);
       fs::remove(from);
       return !copied;
     }},
    {"decrypted data", [](const fs::path& p) {
       const fs::path from = fs::temp_directory_path() / fmt::format("gwr-data-{}.enc", ::getpid());
       testsupport::writeEncrypted(from, "x");
       bool refused = false;
       try {
         gf_streamDecryptOrThrow(testsupport::testDataKey, from, p);
       } catch (const std::runtime_error&) {
         refused = true;
       }
       fs::remove(from);
       return refused;
     }},
    {"text in a folder made first", [](const fs::path& p) {
       std::string c;
       gf_makeFolders(p.parent_path() / "made", c);
       return !gf_writeTextFile("x", p);
     }},
    {"zip archive", [](const fs::path& p) {
       ZipArchive zip = ZipArchive::createNew(p);
       std::string error;
       return !zip.addData("x.txt", "x", error) || !zip.close(error);
     }},
};

// A device of the test's own where root may make one: a writer that went
// wrong as root would replace that one, not the system's.
fs::path lf_zeroDevice(const fs::path& folder) {
  const fs::path own = folder / "zero";
  return ::mknod(own.c_str(), S_IFCHR | 0666, ::makedev(1, 5)) == 0 ? own : fs::path("/dev/zero");
}

TEST(NotRegularFiles, EveryReaderAndWriterRefusesAPipeOrDeviceAtOnceAndSaysSo) {
  testsupport::LogCapture log;
  const fs::path pipe = log.folder() / "my_park_airports.txt";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const struct Place {
    fs::path path;
    const char* kind;
  } places[] = {{pipe, "a named pipe"}, {lf_zeroDevice(log.folder()), "a device"}};
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

// On a run as root, another user's link at a file's name or on the way to it
// is not written through to a file or folder that user does not own: root's
// private file keeps its text, no folder is made beside it, and the refusal is logged; the user's link to
// the user's own file or folder is written through as ever.
TEST(NotRegularFiles, EveryWriterRefusesAnotherUsersLinkToAFileNotTheirs) {
  if (::geteuid() != 0) GTEST_SKIP() << "another user's link needs root to make";
  testsupport::LogCapture log;
  const fs::path roots = log.folder() / "roots";
  const fs::path users = log.folder() / "users";
  const fs::path name = fs::path("errors") / "InlineRegcodes.txt";
  fs::create_directories(roots / "errors");
  fs::create_directories(users / "errors");
  for (const fs::path& folder : {users, users / "errors"})
    ASSERT_EQ(::chown(folder.c_str(), testsupport::nobodyUserId, 0), 0);
  for (const Access& writer : writers) {
    for (const bool atFolder : {false, true}) {
      for (const bool toUsersFile : {false, true}) {
        SCOPED_TRACE(fmt::format("{} through a link at the {} to {} file", writer.what, atFolder ? "folder" : "file",
                                 toUsersFile ? "the user's" : "root's"));
        testsupport::writeBytes(roots / name, "private");
        ASSERT_EQ(::chmod((roots / name).c_str(), 0600), 0);
        testsupport::writeBytes(users / name, "old");
        ASSERT_EQ(::chown((users / name).c_str(), testsupport::nobodyUserId, 0), 0);
        // A link as the file, or as a folder two levels above it.
        const fs::path link = log.folder() / (atFolder ? "output" : "InlineRegcodes.txt");
        const fs::path file = atFolder ? link / name : link;
        fs::remove(link);
        fs::create_symlink((toUsersFile ? users : roots) / (atFolder ? fs::path() : name), link);
        ASSERT_EQ(::lchown(link.c_str(), testsupport::nobodyUserId, 0), 0);
        log.mark();
        EXPECT_NE(writer.refuses(file), toUsersFile);
        EXPECT_EQ(testsupport::readBytes(roots / name), "private");
        EXPECT_EQ(testsupport::namesInFolder(roots / "errors"), std::vector<std::string>{"InlineRegcodes.txt"});
        if (!toUsersFile) {
          EXPECT_NE(log.text().find(fmt::format("{} not written: its link leads to another user's file", file.string())),
                    std::string::npos)
              << log.text();
        } else {
          EXPECT_NE(testsupport::readBytes(users / name), "old");
        }
      }
    }
  }
}

// On a run as root, the user's link whose text climbs with `..` after a link
// of their own, flipped by them between two of their folders meanwhile: no
// writer ever climbs into root's folder, each writes the user's own file or
// refuses with its line.
TEST(NotRegularFiles, NoWriterClimbsOutThroughALinkTheUserFlipsMeanwhile) {
  if (::geteuid() != 0) GTEST_SKIP() << "another user needs root to act as";
  constexpr int rounds = 150;
  testsupport::LogCapture log;
  const fs::path roots = log.folder() / "rootonly";
  const fs::path users = log.folder() / "users";
  fs::create_directories(roots);
  fs::permissions(roots, fs::perms::owner_all);
  for (const fs::path& folder : {users, users / "A", users / "A" / "deep", users / "rootonly"}) {
    fs::create_directories(folder);
    ASSERT_EQ(::chown(folder.c_str(), testsupport::nobodyUserId, 0), 0);
  }
  testsupport::writeBytes(roots / "parameters.xml", "private");
  ASSERT_EQ(::chmod((roots / "parameters.xml").c_str(), 0600), 0);
  const fs::path file = users / "parameters.xml";
  fs::create_symlink("X/../../rootonly/parameters.xml", file);
  ASSERT_EQ(::lchown(file.c_str(), testsupport::nobodyUserId, 0), 0);
  const std::string flipped = (users / "X").string();
  const std::string spare = flipped + ".new";
  const testsupport::OtherUserLoop user(testsupport::nobodyUserId, 0, [&] {
    for (const char* text : {"A", "A/deep"}) {
      ::symlink(text, spare.c_str());
      ::rename(spare.c_str(), flipped.c_str());
    }
  });
  ASSERT_TRUE(user.started());
  for (const Access& writer : writers) {
    SCOPED_TRACE(writer.what);
    log.mark();
    int refused = 0;
    int reached = 0;
    for (int round = 0; round < rounds; ++round) {
      refused += writer.refuses(file) ? 1 : 0;
      if (testsupport::readBytes(roots / "parameters.xml") == "private") continue;
      ++reached;
      testsupport::writeBytes(roots / "parameters.xml", "private");
    }
    EXPECT_EQ(reached, 0);
    EXPECT_EQ(testsupport::namesInFolder(roots), std::vector<std::string>{"parameters.xml"});
    if (refused > 0) {
      EXPECT_NE(log.text().find(fmt::format("{} not written: its link leads to another user's file", file.string())),
                std::string::npos)
          << log.text();
    }
  }
}

// On a run as root, no copy reads through another user's link to a file not
// theirs, lest the copy show them what it holds; a private file's copy is as
// private as the file.
TEST(NotRegularFiles, NoCopyReadsThroughAnotherUsersLinkAndACopyStaysPrivate) {
  if (::geteuid() != 0) GTEST_SKIP() << "another user's link needs root to make";
  const testsupport::WorkingFolder folder;
  const struct Copier {
    const char* name;
    const char* copy;
    std::function<void()> run;
  } copiers[] = {
      {"Log.txt", "Log0.txt", [] { gf_openLogFile(); gf_closeLogFileForTests(); }},
      {"parameters.xml", "parameters0.xml", [] { gf_save1GenerationOf("parameters.xml"); }},
      {"KXYZ.xml", "copied.xml", [] { std::string c; gf_copyFile("KXYZ.xml", "copied.xml", c); }},
  };
  for (const Copier& copier : copiers) {
    for (const bool linked : {true, false}) {
      SCOPED_TRACE(fmt::format("{} {}", copier.name, linked ? "linked to root's file" : "private"));
      testsupport::writeBytes("roots.txt", "private");
      ASSERT_EQ(::chmod("roots.txt", 0600), 0);
      if (linked) {
        fs::create_symlink("roots.txt", copier.name);
        ASSERT_EQ(::lchown(copier.name, testsupport::nobodyUserId, 0), 0);
      } else {
        fs::rename("roots.txt", copier.name);
      }
      copier.run();
      struct stat copy {};
      if (linked) {
        EXPECT_NE(::lstat(copier.copy, &copy), 0) << "the copy is there";
      } else {
        ASSERT_EQ(::lstat(copier.copy, &copy), 0);
        EXPECT_EQ(copy.st_mode & 0777, 0600u);
      }
      fs::remove(copier.name);
      fs::remove(copier.copy);
    }
  }
}

// A pipe at "Log.txt" neither holds the start nor ends it: one line on
// standard error says why there is no log, and the run goes on.
TEST(NotRegularFiles, APipeAtTheLogIsReportedOnStandardErrorAndTheRunGoesOn) {
  const testsupport::WorkingFolder folder;
  ASSERT_EQ(::mkfifo(std::string(logFileName).c_str(), 0600), 0);
  testing::internal::CaptureStderr();
  auto opened = std::async(std::launch::async, [] { gf_openLogFile(); });
  const bool prompt = opened.wait_for(promptly) == std::future_status::ready;
  if (!prompt) {
    const int reader = ::open(std::string(logFileName).c_str(), O_RDONLY | O_NONBLOCK);
    opened.wait();
    if (reader >= 0) ::close(reader);
  }
  EXPECT_TRUE(prompt) << "the log's open waited on the pipe";
  EXPECT_NO_THROW(opened.get());
  gf_log("a line with nowhere to go");
  gf_closeLogFileForTests();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Log.txt not written: it is a named pipe, not a regular file\n");
}

// Files of src/ that may open files for writing: the one way itself, and the
// emulated simulator's own files, which are no part of the program.
bool lf_mayOpenForWriting(const std::string& relative) {
  return relative == "platform/sys/native_path.cpp" || relative.starts_with("platform/sim/");
}

// Every other way to write a file, looked for in the code (comments left out).
const std::regex otherWriters(
    R"((\bofstream\b|\bstd::fstream\b)|(\b(_w)?fopen\s*\([^;]*"[^"]*[wa+])|(\bfdopen\b)|\bO_(WRONLY|RDWR|CREAT|TRUNC|APPEND)\b|)"
    R"((\bcreat\s*\()|(\bcopy_file\b)|(\brename(at)?\s*\()|(\bsave_file\b)|(\bzip_open\s*\())");

constexpr std::string_view writerWords[] = {"stream", "open", "O_", "creat", "copy_file", "rename", "save_file"};

// No file of src/ writes a file but through the one way.
TEST(NotRegularFiles, NoOtherWayToWriteAFileIsInTheCode) {
  const fs::path source = fs::path(GWR_SOURCE_DIR) / "src";
  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(source)) {
    const std::string relative = entry.path().lexically_relative(source).generic_string();
    if (!entry.is_regular_file() || lf_mayOpenForWriting(relative)) continue;
    std::istringstream text(testsupport::readBytes(entry.path()));
    int number = 0;
    for (std::string line; std::getline(text, line);) {
      ++number;
      const std::string code = line.substr(0, line.find("//"));
      // The expression is slow: only lines with a word it looks for go to it.
      const bool candidate = std::any_of(std::begin(writerWords), std::end(writerWords),
                                         [&code](std::string_view word) { return code.find(word) != code.npos; });
      if (candidate && std::regex_search(code, otherWriters)) found.push_back(fmt::format("{}:{}: {}", relative, number, line));
    }
  }
  EXPECT_TRUE(found.empty()) << fmt::format("{}", fmt::join(found, "\n"));
}

} // namespace
} // namespace gwr
