// Test harness: a private Xvfb display for the real-window tests, started on a
// display number the server picks itself so that parallel runs never meet.
#pragma once

#include <memory>
#include <string>

#include <sys/types.h>

namespace gwr::testsupport {

class XvfbServer {
public:
  // Starts "Xvfb :N -screen 0 1280x1024x24" and points DISPLAY at it; nullptr
  // with the reason in whyNot when Xvfb is missing or does not come up.
  static std::unique_ptr<XvfbServer> start(std::string& whyNot);
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  const std::string& displayName() const { return name; }

private:
  XvfbServer(pid_t pid, std::string name) : pid(pid), name(std::move(name)) {}
  pid_t pid;
  std::string name;
};

// One server for the whole test process, started on first use; nullptr (and
// the reason) when there is none.
XvfbServer* gf_sharedXvfb(std::string& whyNot);

} // namespace gwr::testsupport
