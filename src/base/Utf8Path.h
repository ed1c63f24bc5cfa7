// Paths travel through the core as UTF-8 text. On Windows a std::string
// turned into a path directly goes through the ANSI code page, which cannot
// name a folder such as "C:\Users\Jörg" on every machine; these two
// conversions go through UTF-8 on every platform instead.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace pw {

// Throws std::filesystem::filesystem_error (or std::system_error) where the
// platform cannot represent the text, e.g. invalid UTF-8 on Windows.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path& path);

}  // namespace pw
