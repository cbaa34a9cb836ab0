// The message of the user-facing exception; see user_error.h.
#include "core/user_error.h"

#include <fmt/format.h>

namespace gwr {

namespace {

std::string lf_userErrorMessage(int code, const std::string& text) {
  if (code == UserErrorException::bareTextCode) return text;
  return fmt::format("{}: {}", code, text);
}

} // namespace

UserErrorException::UserErrorException(int code, const std::string& text)
    : std::runtime_error(lf_userErrorMessage(code, text)) {}

} // namespace gwr
