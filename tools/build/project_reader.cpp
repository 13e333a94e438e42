#include "tools/build/project_reader.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "tools/build/build_error.h"
#include "tools/build/text_tokens.h"

namespace quillset::build {
namespace {

enum class Section {
  kNone,
  kSetup,
  kProduct,
  kPublisher,
  kPlugins,
  kPasswords,
  kComponents,
  kMediaFiles,
  kCompilerVariables,
  kStatements,
};

const std::map<std::string, Section, std::less<>> kSections = {
    {"setup", Section::kSetup},
    {"product", Section::kProduct},
    {"publisher", Section::kPublisher},
    {"plugins", Section::kPlugins},
    {"web-media-passwords", Section::kPasswords},
    {"components", Section::kComponents},
    {"web-media-files", Section::kMediaFiles},
    {"compiler-variables", Section::kCompilerVariables},
    {"statements", Section::kStatements},
};

bool IsGuid(const std::string& text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
  for (size_t i = 1; i < 37; ++i) {
    bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? text[i] != '-' : !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

bool IsHeader(const std::string& text) {
  if (text.size() != 8) return false;
  for (char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

class Reader {
 public:
  Reader(Project& project) : project_(project) {}

  void Line(std::string_view text, int number) {
    LineCursor cursor(text, project_.file, number);
    // The engine refuses a script with control characters; tabs are text.
    for (char c : text) {
      auto byte = static_cast<unsigned char>(c);
      if ((byte < 0x20 && byte != '\t') || byte == 0x7F)
        cursor.Fail("control character " + std::to_string(byte) + " cannot be stored in a script");
    }
    if (cursor.AtEnd() || cursor.Peek() == '#') return;
    if (cursor.Peek() == '[') return OpenSection(cursor);
    switch (section_) {
      case Section::kNone:
        cursor.Fail("a line outside any section; sections start with a line such as [setup]");
      case Section::kSetup:
      case Section::kProduct:
      case Section::kPublisher:
        return Setting(cursor, number);
      case Section::kPlugins:
        return project_.plugin_commands.push_back(StorableText(cursor, cursor.Value()));
      case Section::kPasswords:
        return Tuple(cursor, 2, project_.web_media_passwords);
      case Section::kComponents:
        return Tuple(cursor, 2, project_.component_definitions);
      case Section::kMediaFiles:
        return Tuple(cursor, 3, project_.web_media_files);
      case Section::kCompilerVariables: {
        std::string name =
            StorableText(cursor, cursor.Peek() == '"' ? cursor.Quoted() : cursor.Until("="));
        if (!cursor.Accept('=')) cursor.Fail("expected NAME = value");
        project_.compiler_variables.push_back(name);
        project_.compiler_variables.push_back(StorableText(cursor, cursor.Value()));
        return;
      }
      case Section::kStatements:
        return StatementLine(cursor, number);
    }
  }

 private:
  void OpenSection(LineCursor& cursor) {
    cursor.Accept('[');
    std::string name = cursor.Until("]");
    if (!cursor.Accept(']') || !cursor.AtEnd()) cursor.Fail("a section line is [name]");
    auto found = kSections.find(name);
    if (found == kSections.end()) cursor.Fail("unknown section [" + name + "]");
    if (!seen_sections_.insert(name).second) cursor.Fail("section [" + name + "] given twice");
    section_ = found->second;
  }

  // Texts outside parameters travel as single lines, where a lone "$" would end the section.
  static std::string StorableText(LineCursor& cursor, std::string text) {
    if (text == "$") cursor.Fail("a lone \"$\" cannot be stored here");
    return text;
  }

  void Tuple(LineCursor& cursor, size_t count, std::vector<std::string>& into) {
    for (size_t i = 0; i < count; ++i) {
      if (cursor.AtEnd()) cursor.Fail("expected " + std::to_string(count) + " values on the line");
      into.push_back(StorableText(cursor, cursor.Token()));
    }
    if (!cursor.AtEnd()) cursor.Fail("expected " + std::to_string(count) + " values on the line");
  }

  void Setting(LineCursor& cursor, int number) {
    std::string key = cursor.Until("=");
    if (!cursor.Accept('=')) cursor.Fail("expected key = value");
    std::string value = StorableText(cursor, cursor.Value());
    std::string place = std::to_string(static_cast<int>(section_)) + key;
    if (!seen_keys_.insert(place).second) cursor.Fail("\"" + key + "\" is given twice");
    if (section_ == Section::kSetup) return SetupSetting(cursor, key, value, number);
    if (section_ == Section::kProduct) return ProductSetting(cursor, key, value);
    const std::map<std::string, std::string*, std::less<>> publisher = {
        {"company", &project_.company},         {"contact", &project_.contact},
        {"help-link", &project_.help_link},     {"update-link", &project_.update_link},
        {"comments", &project_.comments},       {"version", &project_.version},
    };
    auto found = publisher.find(key);
    if (found == publisher.end()) cursor.Fail("unknown key \"" + key + "\" in [publisher]");
    *found->second = value;
  }

  void SetupSetting(LineCursor& cursor, const std::string& key, const std::string& value,
                    int number) {
    if (key == "base") {
      if (value.empty() || value == "." || value == ".." ||
          value.find_first_of("/\\") != std::string::npos)
        cursor.Fail("the base name must be a plain file name");
      project_.base = value;
    } else if (key == "package") {
      project_.package = value;
      project_.package_line = number;
    } else if (key == "support") {
      project_.support = value;
      project_.support_line = number;
    } else {
      cursor.Fail("unknown key \"" + key + "\" in [setup]");
    }
  }

  void ProductSetting(LineCursor& cursor, const std::string& key, const std::string& value) {
    if (key == "code" || key == "revision") {
      if (value != "generate" && !IsGuid(value))
        cursor.Fail("\"" + key + "\" must be a GUID such as {0C3F1E2A-...} or \"generate\"");
      auto& code = key == "code" ? project_.product_code : project_.revision_code;
      if (value != "generate") code = value;
    } else if (key == "title") {
      project_.title = value;
    } else if (key == "media-mode") {
      if (value != "1" && value != "2" && value != "3") cursor.Fail("media-mode is 1, 2 or 3");
      project_.media_mode = value[0] - '0';
    } else if (key == "language-dialog") {
      if (value != "true" && value != "false") cursor.Fail("language-dialog is true or false");
      project_.language_dialog = value == "true";
    } else if (key == "default-language") {
      project_.default_language = value;
    } else {
      cursor.Fail("unknown key \"" + key + "\" in [product]");
    }
  }

  void StatementLine(LineCursor& cursor, int number) {
    Statement statement;
    statement.line = number;
    if (cursor.Peek() == '"') {
      statement.command = StorableText(cursor, cursor.Quoted());
    } else {
      statement.command = StorableText(cursor, cursor.Until("\"@"));
      if (statement.command.empty()) cursor.Fail("a statement starts with its command name");
    }
    std::set<std::string> attributes;
    while (!cursor.AtEnd()) {
      if (cursor.Peek() == '"') {
        if (!attributes.empty()) cursor.Fail("parameters come before the @attributes");
        statement.parameters.push_back(cursor.Quoted());
        continue;
      }
      if (!cursor.Accept('@')) cursor.Fail("expected a quoted parameter or an @attribute");
      std::string name = cursor.Until(" \t=");
      if (!attributes.insert(name).second) cursor.Fail("@" + name + " is given twice");
      if (name == "disabled") {
        statement.disabled = true;
        continue;
      }
      if (!cursor.Accept('=')) cursor.Fail("@" + name + " needs a value: @" + name + "=...");
      std::string value = StorableText(cursor, cursor.Token());
      if (name == "id") {
        if (value.empty()) cursor.Fail("an identifier cannot be empty");
        statement.identifier = value;
      } else if (name == "header") {
        if (!IsHeader(value)) cursor.Fail("a command header is 8 hexadecimal digits");
        statement.header = value;
      } else if (name == "media") {
        statement.media = value;
      } else {
        cursor.Fail("unknown attribute @" + name);
      }
    }
    project_.statements.push_back(std::move(statement));
  }

  Project& project_;
  Section section_ = Section::kNone;
  std::set<std::string> seen_sections_;
  std::set<std::string> seen_keys_;
};

}  // namespace

Project ReadProject(std::string_view text, const std::string& file) {
  Project project;
  project.file = file;
  Reader reader(project);
  int number = 0;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    reader.Line(line, ++number);
  }
  if (project.package.empty()) throw BuildError(file, 0, "no package: add package = ... to [setup]");
  if (project.support.empty())
    throw BuildError(file, 0, "no support folder: add support = ... to [setup]");
  return project;
}

Project ReadProjectFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!std::filesystem::is_regular_file(path) || !in)
    throw BuildError(path, 0, "cannot read the project file");
  std::ostringstream text;
  text << in.rdbuf();
  return ReadProject(text.str(), path);
}

}  // namespace quillset::build
