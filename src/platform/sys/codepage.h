// Character-set conversions at the platform's edges: strict UTF-8 <-> UTF-16
// and the Windows-1252 "ANSI" code page that Windows-authored files use.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace gwr::platform {

// Strict conversions: nullopt on an unpaired surrogate / invalid or overlong UTF-8.
std::optional<std::string> utf16ToUtf8(std::u16string_view text);
std::optional<std::u16string> utf8ToUtf16(std::string_view text);

// Windows-1252 -> UTF-16. Lenient: the five bytes 1252 leaves undefined
// (81 8D 8F 90 9D) map to the same code points, as Windows does.
std::u16string ansiToUtf16(std::string_view text);

} // namespace gwr::platform
