// Translation of the script's own texts. Translation files hold parallel lines: the key file
// (statement identifiers, "TALLOWAY$" + name + "$TALLOWAY" for localization variables), the
// originals and one file per language. A statement's text slot s lies at the key's line + s - 1.
//
// Modes (compiler variable #LOCMODE#): empty translates every text that has a translation,
// "VARSONLY" only localization variables, "NEWONLY" a text only while it still equals its
// original.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "script/loaded_script.h"

namespace quillset::script {

class Localization {
 public:
  // The language whose lists are loaded; empty while the run is not localized.
  const std::string& current_language() const { return current_language_; }
  bool active() const { return !current_language_.empty(); }

  // Replaces the loaded lists as a whole; the key index is rebuilt (first line of a key wins).
  void SetLists(std::string language, std::vector<std::string> keys, std::vector<std::string> contexts,
                std::vector<std::string> originals, std::vector<std::string> translations);
  // Clearing the language stops translation but keeps the lists.
  void SetCurrentLanguage(std::string language) { current_language_ = std::move(language); }

  // The text to use for slot s of the text with this key. Lines missing from a shorter file
  // leave the text as it is.
  std::string Translate(const LoadedScript& script, const std::string& text, const std::string& key, size_t slot) const;

 private:
  std::string current_language_;
  std::vector<std::string> keys_, contexts_, originals_, translations_;
  std::unordered_map<std::string, size_t> key_index_;  // upper-cased key -> first line
};

}  // namespace quillset::script
