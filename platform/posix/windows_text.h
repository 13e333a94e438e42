// Text the way Windows hands it to a program: its command line and UTF-16 strings.
#pragma once

#include <string>
#include <vector>

namespace quillset::platform::posix {

// The command line GetCommandLine would show for these arguments: each one quoted when it is
// empty or holds blanks, inner double quotes escaped so that Windows' argument rules give the
// original arguments back.
std::string BuildCommandLine(const std::vector<std::string>& arguments);

// UTF-8 (the posix ANSI code page) to UTF-16LE bytes, with surrogate pairs above U+FFFF; every
// byte that does not start a valid sequence becomes U+FFFD.
std::string Utf8ToUtf16Le(const std::string& text);
// The reverse; an unpaired surrogate or a dangling odd byte becomes U+FFFD.
std::string Utf16LeToUtf8(const std::string& bytes);

}  // namespace quillset::platform::posix
