// Paths from the command line. On POSIX systems a path is the bytes it was
// given as; on Windows the arguments come as UTF-16 and the store's paths
// are UTF-8, so that a folder keeps every character of its name whatever
// the system's code page.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace cli {

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text);

// A path of the store's as std::filesystem takes it.
std::filesystem::path FsPath(const std::string& path);

}  // namespace cli
