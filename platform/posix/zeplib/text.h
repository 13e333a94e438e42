// Text between the engine's 8-bit strings (UTF-8 on this host) and the plugin's wide strings.
#pragma once

#include <string>

namespace quillset::zeplib {

// One code point per wide unit, as the plugin's own command line hands passwords over.
std::wstring WideFromUtf8(const std::string& text);
// Wide units may hold code points or UTF-16 surrogate pairs; both decode.
std::string Utf8FromWide(const std::wstring& text);

}  // namespace quillset::zeplib
