// A chained hash table from names to text values.
//
// Hash code: start at 0; for each byte c of the name (a letter A-Z first lower-cased when the
// table ignores case) rotate the 32-bit code left by 5 and exclusive-or c into it. The bucket
// is the code modulo the bucket count. Names with the same code are compared exactly, or
// ignoring the case of A-Z. A new entry goes to the head of its chain.
//
// Growth: before an insertion that adds an entry, when the entry count has reached
// bucket count x load factor (rounded half to even), the bucket array grows to 32 buckets
// when it has none and to twice its size otherwise.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quillset::vars {

class HashTableError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

uint32_t NameHash(std::string_view name, bool case_sensitive);
// Equality of A-Z without case; other bytes exact.
bool NamesEqualIgnoringCase(std::string_view a, std::string_view b);

class TStringHashTable {
 public:
  struct Entry {
    uint32_t hash;
    std::string name;
    std::string value;
    std::unique_ptr<Entry> next;
  };

  // Throws HashTableError "Argument out of range" unless 0.1 <= load_factor <= 7. A fixed table
  // never grows.
  TStringHashTable(bool case_sensitive, double load_factor, size_t initial_buckets, bool fixed = false);

  // Inserts or replaces; an empty name does nothing. Throws while an enumerator is open, and
  // "Hash table is fixed with size 0" for a fixed table without buckets.
  void Set(std::string_view name, std::string_view value);
  // nullptr when the name is not in the table.
  const std::string* Find(std::string_view name) const;
  void Clear();
  size_t count() const { return count_; }
  size_t bucket_count() const { return buckets_.size(); }

  // Walks the entries bucket by bucket, each chain from its head. The table refuses changes
  // while an enumerator lives.
  class Enumerator {
   public:
    explicit Enumerator(const TStringHashTable& table);
    ~Enumerator();
    Enumerator(const Enumerator&) = delete;
    Enumerator& operator=(const Enumerator&) = delete;
    // The next entry, or nullptr at the end.
    const Entry* Next();

   private:
    const TStringHashTable& table_;
    size_t bucket_ = 0;
    const Entry* entry_ = nullptr;
  };

 private:
  void CheckNotIterating() const;
  void Grow();
  Entry* FindEntry(std::string_view name, uint32_t hash) const;

  bool case_sensitive_;
  double load_factor_;
  bool fixed_;
  size_t count_ = 0;
  mutable int open_enumerators_ = 0;
  std::vector<std::unique_ptr<Entry>> buckets_;
};

}  // namespace quillset::vars
