#include "script/localization.h"

#include "vars/text_case.h"

namespace quillset::script {

void Localization::SetLists(std::string language, std::vector<std::string> keys, std::vector<std::string> contexts,
                            std::vector<std::string> originals, std::vector<std::string> translations) {
  current_language_ = std::move(language);
  keys_ = std::move(keys);
  contexts_ = std::move(contexts);
  originals_ = std::move(originals);
  translations_ = std::move(translations);
  key_index_.clear();
  for (size_t i = 0; i < keys_.size(); ++i) key_index_.emplace(vars::UpperCase(keys_[i]), i);
}

std::string Localization::Translate(const LoadedScript& script, const std::string& text, const std::string& key,
                                    size_t slot) const {
  std::string mode = vars::UpperCase(script.ExpandCompilerVariables("#LOCMODE#"));
  if (mode == "VARSONLY" && !(key.find("TALLOWAY$") != std::string::npos && key.find("$TALLOWAY") != std::string::npos))
    return text;
  auto found = key_index_.find(vars::UpperCase(key));
  if (found == key_index_.end() || slot == 0) return text;
  size_t line = found->second + slot - 1;
  if (mode == "NEWONLY" && (line >= originals_.size() || text != originals_[line])) return text;
  if (line >= translations_.size()) return text;
  return script.ExpandCompilerVariables(translations_[line]);
}

}  // namespace quillset::script
