#include "vars/variable_manager.h"

#include <algorithm>

namespace quillset::vars {
namespace {

// The text still to scan: the rest of the input with the values substituted into it stacked
// in front. Each piece carries how deeply it is nested in substituted values.
class PendingText {
 public:
  explicit PendingText(std::string_view text) { pieces_.push_back({std::string(text), 0, 0}); }

  bool empty() {
    DropFinished();
    return pieces_.empty();
  }

  // Appends everything up to the next "$" to out; false when no "$" is left.
  bool CopyToDollar(std::string& out) {
    while (!empty()) {
      Piece& top = pieces_.back();
      size_t dollar = top.text.find('$', top.pos);
      if (dollar == std::string::npos) {
        out.append(top.text, top.pos, std::string::npos);
        top.pos = top.text.size();
        continue;
      }
      out.append(top.text, top.pos, dollar - top.pos);
      top.pos = dollar;
      return true;
    }
    return false;
  }

  // At a "$": the candidate name up to the next "$", across pieces, without consuming it.
  // found is false when no closing "$" follows. depth is the deepest nesting the reference
  // touches.
  std::string PeekCandidate(bool& found, size_t& depth) const {
    std::string name;
    found = false;
    depth = 0;
    for (size_t i = pieces_.size(); i-- > 0;) {
      const Piece& piece = pieces_[i];
      size_t from = piece.pos + (i + 1 == pieces_.size() ? 1 : 0);  // past the opening "$"
      depth = std::max(depth, piece.depth);
      size_t close = piece.text.find('$', from);
      if (close != std::string::npos) {
        name.append(piece.text, from, close - from);
        found = true;
        return name;
      }
      if (from < piece.text.size()) name.append(piece.text, from, std::string::npos);
    }
    return name;
  }

  // Consumes count bytes.
  void Consume(size_t count) {
    while (count > 0 && !empty()) {
      Piece& top = pieces_.back();
      size_t take = std::min(count, top.text.size() - top.pos);
      top.pos += take;
      count -= take;
    }
  }

  void AppendRest(std::string& out) {
    while (!empty()) {
      Piece& top = pieces_.back();
      out.append(top.text, top.pos, std::string::npos);
      top.pos = top.text.size();
    }
  }

  void Push(std::string text, size_t depth) {
    DropFinished();
    pieces_.push_back({std::move(text), 0, depth});
  }

 private:
  struct Piece {
    std::string text;
    size_t pos;
    size_t depth;
  };

  void DropFinished() {
    while (!pieces_.empty() && pieces_.back().pos >= pieces_.back().text.size()) pieces_.pop_back();
  }

  std::vector<Piece> pieces_;
};

}  // namespace

TVariableManager::TVariableManager(bool case_sensitive, bool thread_safe)
    : thread_safe_(thread_safe), table_(case_sensitive, 2.0, 0) {}

void TVariableManager::SetValue(std::string_view name, std::string_view value) {
  std::lock_guard guard(lock_);
  table_.Set(name, value);
}

std::string TVariableManager::GetValue(std::string_view name) const {
  std::string value;
  Lookup(name, value);
  return value;
}

bool TVariableManager::Lookup(std::string_view name, std::string& value) const {
  Lock(false);
  const std::string* found = table_.Find(name);
  if (found) value = *found;
  Unlock(false);
  return found != nullptr;
}

bool TVariableManager::Exists(std::string_view name) const {
  Lock(false);
  bool found = table_.Find(name) != nullptr;
  Unlock(false);
  return found;
}

void TVariableManager::Clear() {
  std::lock_guard guard(lock_);
  table_.Clear();
}

size_t TVariableManager::GetAll(std::vector<std::string>& lines) const {
  lines.clear();
  TStringHashTable::Enumerator walk(table_);
  while (const auto* entry = walk.Next()) {
    lines.push_back(entry->name);
    lines.push_back(entry->value);
  }
  return lines.size();
}

void TVariableManager::Lock(bool always) const {
  if (always || thread_safe_) lock_.lock();
}

void TVariableManager::Unlock(bool always) const {
  if (always || thread_safe_) lock_.unlock();
}

std::string TVariableManager::Substitute(std::string_view text, bool quoted) const {
  if (text.find('$') == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  PendingText pending(text);
  std::string value;
  while (pending.CopyToDollar(out)) {
    if (out.size() >= kMaxExpansionLength) break;
    bool closed = false;
    size_t depth = 0;
    std::string name = pending.PeekCandidate(closed, depth);
    if (!closed) break;
    if (depth < kMaxExpansionDepth && Lookup(name, value)) {
      pending.Consume(name.size() + 2);
      pending.Push(quoted ? "\"" + value + "\"" : value, depth + 1);
    } else {
      // Keep "$NAME"; the closing "$" may open the next reference.
      out += '$';
      out += name;
      pending.Consume(name.size() + 1);
    }
  }
  pending.AppendRest(out);
  return out;
}

}  // namespace quillset::vars
