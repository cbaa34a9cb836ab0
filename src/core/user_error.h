// The exception for failures the user must see: a numeric code and a text,
// kept only as the message "code: text" (the text alone for code 99).
#pragma once

#include <stdexcept>
#include <string>

namespace gwr {

class UserErrorException : public std::runtime_error {
 public:
  // Code 99 marks a text that stands on its own, without its number.
  static constexpr int bareTextCode = 99;

  UserErrorException(int code, const std::string& text);
};

} // namespace gwr
