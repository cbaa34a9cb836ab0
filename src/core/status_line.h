// The main window's message line as the lower layers see it: the shell
// installs a sink at start-up; until then notices only reach the log.
#pragma once

#include <string>

namespace gwr {

class StatusLineSink {
public:
  virtual ~StatusLineSink() = default;
  // Gone after 25 s; false when refused because an error is shown.
  virtual bool showNotice(const std::string& text) = 0;
  // Stays and replaces the notice; logs "Error {}" once the error is stored.
  virtual void showError(const std::string& text) = 0;
  virtual void clearNotice() = 0;
  // One of the direct clearings of an error; the notice stays as it is.
  virtual void clearError() {}
};

// Installs the shell's sink (nullptr: none). The sink must outlive its use.
void gf_installStatusLine(StatusLineSink* sink);

// Shows text as the notice; with echoToLog a non-empty text is logged too,
// unless the message line refused it.
// Never throws.
void setStatusText(const std::string& text, bool echoToLog);
// Shows text as the error of the message line and logs it as "Error {}".
void setStatusError(const std::string& text);
void clearStatusText();
// Empties the error text, for the few places that clear an error directly.
void clearStatusError();

} // namespace gwr
