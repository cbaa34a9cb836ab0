// The desktop shell: opening a folder for the user, and the modal message box
// shown when that fails.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace gwr::platform {

// Opens the folder in the desktop's file manager; false when that cannot be done.
bool openFolderInShell(const std::filesystem::path& folder);

// Shows a modal message box without owner (logged to stderr when headless).
void showMessageBox(const std::string& text, const std::string& caption);

// Tests replace what the shell does and record the calls; nullptr restores it.
struct ShellHooks {
  std::function<bool(const std::filesystem::path&)> openFolder;
  std::function<void(const std::string& text, const std::string& caption)> messageBox;
};
void setShellHooksForTests(ShellHooks hooks);

} // namespace gwr::platform
