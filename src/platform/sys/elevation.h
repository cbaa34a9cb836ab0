// Whether the program runs with administrator rights: on this platform, as
// the root user.
#pragma once

#include <optional>

namespace gwr::platform {

bool isElevated();

// Tests fix the answer; nullopt restores the real check.
void setElevatedForTests(std::optional<bool> elevated);

} // namespace gwr::platform
