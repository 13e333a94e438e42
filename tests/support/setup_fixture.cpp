#include "tests/support/setup_fixture.h"

#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace quillset::testing {

std::string ComposeScript(const std::vector<std::vector<std::string>>& sections) {
  std::string text;
  for (const auto& section : sections) {
    for (const auto& line : section) text += line + "\r\n";
    text += "$\r\n";
  }
  return text;
}

std::string ScriptOf(const std::vector<Statement>& statements, const std::string& product_code,
                     const std::vector<std::string>& plugin_commands, int media_mode) {
  std::vector<std::string> commands, identifiers, parameters, disabled, media, headers;
  for (size_t n = 0; n < statements.size(); ++n) {
    char id[64];
    std::snprintf(id, sizeof id, "{00000000-0000-4000-8000-%012zX}", n + 1);
    commands.push_back(statements[n].command);
    identifiers.push_back(id);
    if (!statements[n].parameters.empty()) {
      parameters.push_back(id);
      for (const auto& p : statements[n].parameters) parameters.push_back(p);
    }
    disabled.push_back(statements[n].disabled ? "C" : "");
    media.push_back("");
    if (!statements[n].header.empty()) {
      headers.push_back(statements[n].header);
      headers.push_back(std::to_string(n));
    }
  }
  std::vector<std::string> language = {"FALSE", "English"};
  language.insert(language.end(), headers.begin(), headers.end());
  std::vector<std::string> product = {product_code, "Test Product"};
  product.insert(product.end(), plugin_commands.begin(), plugin_commands.end());
  return ComposeScript({commands,
                        identifiers,
                        parameters,
                        disabled,
                        product,
                        {"Test Company", "", "", "", "", "1.0"},
                        media,
                        {std::to_string(media_mode)},
                        {"{9F8E7D6C-5B4A-4392-8170-6F5E4D3C2B1A}"},
                        language,
                        {"LANGUAGE", "English"}});
}

SetupFolder::SetupFolder(const TempDir& root, const std::string& script)
    : folder_(root / "setup"), staging_(root / "resources") {
  fs::create_directories(folder_);
  std::string engine = ReadFile(BinPath("quillset"));
  if (engine.empty()) throw std::runtime_error("the engine is not built: " + BinPath("quillset"));
  WriteFile(this->engine(), engine + script);
  fs::permissions(this->engine(), fs::perms::owner_all);
  fs::copy_file(BinPath("zep.lib"), folder_ + "/zep.lib");
}

void SetupFolder::AddResources(const std::vector<std::pair<std::string, std::string>>& files) {
  fs::create_directories(staging_);
  for (const auto& [name, content] : files) WriteFile(staging_ + "/" + name, content);
  auto packed = RunProcess({"/usr/bin/7z", "a", "-t7z", "-bd", folder_ + "/setup.res", "."}, {}, 120, staging_);
  if (packed.exit_code != 0) throw std::runtime_error("7z failed: " + packed.out + packed.err);
}

void SetupFolder::AddFile(const std::string& name, const std::string& content) { WriteFile(folder_ + "/" + name, content); }

std::string Utf16LeToUtf8(const std::string& bytes) {
  std::string out;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    uint32_t unit = static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8;
    uint32_t code = unit;
    if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
      uint32_t low = static_cast<unsigned char>(bytes[i + 2]) | static_cast<unsigned char>(bytes[i + 3]) << 8;
      code = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | code >> 6);
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | code >> 12);
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | code >> 18);
      out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

EngineRun RunSetup(const SetupFolder& setup, const std::string& prefix, std::vector<std::string> arguments) {
  std::string log = prefix + "/trace.log";
  bool names_log = false;
  for (const auto& a : arguments) names_log |= a.find("l=") != std::string::npos;
  if (!names_log) arguments.push_back("/l=" + log);
  arguments.insert(arguments.begin(), setup.engine());
  EngineRun run;
  run.process = RunProcess(arguments, {{"QUILLSET_PREFIX", prefix}}, 120, setup.folder());
  if (!names_log) {
    run.trace = Utf16LeToUtf8(ReadFile(log));
    run.trace_lines = SplitCrLf(run.trace);
  }
  return run;
}

}  // namespace quillset::testing
