#include "platform/posix/installer/registration.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/posix/installer/record_text.h"

namespace quillset::platform::posix::installer {

namespace {

std::optional<ProductRecord> ReadRecord(const std::string& path, bool per_machine) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  ProductRecord record;
  record.per_machine = per_machine;
  std::string line;
  while (std::getline(in, line)) {
    auto fields = SplitRecord(line);
    const std::string& kind = fields[0];
    if (kind == "Product" && fields.size() == 3) {
      if (fields[1] == "ProductCode") record.product_code = fields[2];
      else if (fields[1] == "PackageCode") record.package_code = fields[2];
      else if (fields[1] == "State") record.state = std::atoi(fields[2].c_str());
      else if (fields[1] == "Run") record.run = fields[2];
      else record.info[fields[1]] = fields[2];
    } else if (kind == "Feature" && fields.size() == 3) {
      record.features[fields[1]] = std::atoi(fields[2].c_str());
    } else if (kind == "Component" && fields.size() == 3) {
      record.components[fields[1]] = fields[2];
    } else if (kind == "Item" && fields.size() >= 3) {
      record.items.emplace_back(fields.begin() + 1, fields.end());
    }
  }
  if (record.product_code.empty()) return std::nullopt;
  return record;
}

}  // namespace

std::optional<std::string> NormalizeProductCode(const std::string& code) {
  if (code.size() != 38 || code.front() != '{' || code.back() != '}') return std::nullopt;
  std::string upper = code;
  for (size_t i = 1; i < 37; ++i) {
    char& c = upper[i];
    bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? c != '-' : !std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return upper;
}

Registrations::Registrations(std::string records_folder, std::string user)
    : records_(std::move(records_folder)), user_(std::move(user)) {}

std::string Registrations::Folder(bool per_machine) const {
  return records_ + (per_machine ? "/machine" : "/user-" + user_);
}

std::optional<ProductRecord> Registrations::Find(const std::string& product_code) const {
  auto code = NormalizeProductCode(product_code);
  if (!code) return std::nullopt;
  for (bool per_machine : {false, true}) {
    if (auto record = ReadRecord(Folder(per_machine) + "/" + *code, per_machine)) return record;
  }
  return std::nullopt;
}

std::vector<ProductRecord> Registrations::All() const {
  std::vector<ProductRecord> all;
  for (bool per_machine : {false, true}) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(Folder(per_machine), error)) {
      if (!NormalizeProductCode(entry.path().filename().string())) continue;  // skips half-written ".new"
      if (auto record = ReadRecord(entry.path().string(), per_machine)) all.push_back(std::move(*record));
    }
  }
  return all;
}

bool Registrations::Write(const ProductRecord& record) const {
  std::error_code error;
  std::filesystem::create_directories(Folder(record.per_machine), error);
  std::ostringstream out;
  auto line = [&](const std::vector<std::string>& fields) { out << JoinRecord(fields) << '\n'; };
  line({"Product", "ProductCode", record.product_code});
  line({"Product", "PackageCode", record.package_code});
  line({"Product", "State", std::to_string(record.state)});
  line({"Product", "Run", record.run});
  for (const auto& [name, value] : record.info) line({"Product", name, value});
  for (const auto& [feature, state] : record.features) line({"Feature", feature, std::to_string(state)});
  for (const auto& [component, code] : record.components) line({"Component", component, code});
  for (const auto& item : record.items) {
    std::vector<std::string> fields{"Item"};
    fields.insert(fields.end(), item.begin(), item.end());
    line(fields);
  }
  return ReplaceFileAtomically(Folder(record.per_machine) + "/" + record.product_code, out.str());
}

bool Registrations::Remove(const std::string& product_code, bool per_machine) const {
  std::error_code error;
  return std::filesystem::remove(Folder(per_machine) + "/" + product_code, error) && !error;
}

}  // namespace quillset::platform::posix::installer
