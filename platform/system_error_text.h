// The system's texts for error codes, as FormatMessage gives them from the system table: the
// codes an installer run can end with. Empty for a code without a text.
#pragma once

#include <cstdint>
#include <string>

namespace quillset::platform {

std::string SystemErrorText(uint32_t code);

}  // namespace quillset::platform
