#pragma once
// Path building rules shared by the helpers that place files beside the executable.
#include <optional>
#include <string>
#include <string_view>

namespace vorn {

constexpr size_t kMaxPathChars = 260;  // buffers hold 259 characters and the terminator

// The path of `name` in the folder of `fullPath` (everything up to and including its last
// backslash), or fullPath itself when name is null. Nothing when fullPath has no
// backslash, or when the result would not fit a path buffer (a cut path would name
// another file).
std::optional<std::u16string> PathBesideFile(std::u16string_view fullPath, const char16_t* name);

// The crash dump's path: the executable's path cut at its last "." with ".dmp" appended.
// Nothing when the path has no ".".
std::optional<std::u16string> DumpPathFor(std::u16string_view exePath);

// A program path as a command line that starts exactly that program: quoted, so that a
// path with spaces cannot be read as a shorter program name followed by arguments.
std::u16string QuotedProgramPath(std::u16string_view path);

// Equal when only the case of ASCII letters differs: how the file system compares the
// names of the paths this program builds and checks.
bool SameAsciiInsensitive(std::u16string_view a, std::u16string_view b);

}  // namespace vorn
