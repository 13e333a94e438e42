#include "vars/string_hash_table.h"

#include <cmath>

namespace quillset::vars {
namespace {

unsigned char FoldCase(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

}  // namespace

uint32_t NameHash(std::string_view name, bool case_sensitive) {
  uint32_t code = 0;
  for (unsigned char c : name) {
    code = (code << 5) | (code >> 27);
    code ^= case_sensitive ? c : FoldCase(c);
  }
  return code;
}

bool NamesEqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldCase(static_cast<unsigned char>(a[i])) != FoldCase(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

TStringHashTable::TStringHashTable(bool case_sensitive, double load_factor, size_t initial_buckets, bool fixed)
    : case_sensitive_(case_sensitive), load_factor_(load_factor), fixed_(fixed) {
  if (!(load_factor >= 0.1 && load_factor <= 7.0)) throw HashTableError("Argument out of range");
  buckets_.resize(initial_buckets);
}

void TStringHashTable::CheckNotIterating() const {
  if (open_enumerators_ > 0) throw HashTableError("Can not modify a collection while iterating");
}

TStringHashTable::Entry* TStringHashTable::FindEntry(std::string_view name, uint32_t hash) const {
  if (buckets_.empty()) return nullptr;
  for (Entry* e = buckets_[hash % buckets_.size()].get(); e; e = e->next.get()) {
    if (e->hash != hash) continue;
    if (case_sensitive_ ? e->name == name : NamesEqualIgnoringCase(e->name, name)) return e;
  }
  return nullptr;
}

const std::string* TStringHashTable::Find(std::string_view name) const {
  Entry* e = FindEntry(name, NameHash(name, case_sensitive_));
  return e ? &e->value : nullptr;
}

void TStringHashTable::Grow() {
  std::vector<std::unique_ptr<Entry>> old = std::move(buckets_);
  buckets_.clear();
  buckets_.resize(old.empty() ? 32 : old.size() * 2);
  for (auto& head : old) {
    while (head) {
      std::unique_ptr<Entry> e = std::move(head);
      head = std::move(e->next);
      auto& bucket = buckets_[e->hash % buckets_.size()];
      e->next = std::move(bucket);
      bucket = std::move(e);
    }
  }
}

void TStringHashTable::Set(std::string_view name, std::string_view value) {
  if (name.empty()) return;
  CheckNotIterating();
  uint32_t hash = NameHash(name, case_sensitive_);
  if (Entry* e = FindEntry(name, hash)) {
    e->value.assign(value);
    return;
  }
  double threshold = std::nearbyint(static_cast<double>(buckets_.size()) * load_factor_);
  if (static_cast<double>(count_) >= threshold) {
    if (fixed_) {
      if (buckets_.empty()) throw HashTableError("Hash table is fixed with size 0");
    } else {
      Grow();
    }
  }
  auto entry = std::make_unique<Entry>(Entry{hash, std::string(name), std::string(value), nullptr});
  auto& bucket = buckets_[hash % buckets_.size()];
  entry->next = std::move(bucket);
  bucket = std::move(entry);
  ++count_;
}

void TStringHashTable::Clear() {
  CheckNotIterating();
  for (auto& head : buckets_) {
    // Unlink iteratively: a long chain must not recurse through the destructors.
    while (head) head = std::move(head->next);
  }
  count_ = 0;
}

TStringHashTable::Enumerator::Enumerator(const TStringHashTable& table) : table_(table) { ++table_.open_enumerators_; }

TStringHashTable::Enumerator::~Enumerator() { --table_.open_enumerators_; }

const TStringHashTable::Entry* TStringHashTable::Enumerator::Next() {
  if (entry_) entry_ = entry_->next.get();
  while (!entry_ && bucket_ < table_.buckets_.size()) entry_ = table_.buckets_[bucket_++].get();
  return entry_;
}

}  // namespace quillset::vars
