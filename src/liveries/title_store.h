// Stable storage for livery titles: every title handed out stays valid for
// the rest of the process, so views survive a rebuild of the livery tables.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace gwr {

// Returns the stored copy of title, adding it the first time. The same text
// always gives the same storage, so a rebuild of the tables adds nothing for
// titles seen before. Safe from any thread; the text is never freed.
std::string_view gf_storeTitle(std::string_view title);

} // namespace gwr
