// quillset-messages FILE: writes the engine's default message file, the text appended to
// zep.lib and the template translators start from.
#include <fstream>
#include <iostream>

#include "script/message_table.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: quillset-messages FILE\n";
    return 2;
  }
  const std::string text = quillset::script::MessageTable().ToMessageFile();
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) {
    std::cerr << "quillset-messages: cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
