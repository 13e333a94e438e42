#include "msi/instance_transform.h"

namespace quillset::msi {

RandomGuidSource::RandomGuidSource() {
  std::random_device device;
  std::seed_seq seed{device(), device(), device(), device(), device(), device(), device(), device()};
  random_.seed(seed);
}

std::string RandomGuidSource::NewGuid() {
  uint8_t bytes[16];
  for (int half = 0; half < 2; ++half) {
    uint64_t bits = random_();
    for (int i = 0; i < 8; ++i) bytes[half * 8 + i] = static_cast<uint8_t>(bits >> (8 * i));
  }
  bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // variant 1
  return FormatGuid(bytes);
}

std::string FormatGuid(const uint8_t (&bytes)[16]) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text = "{";
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text + "}";
}

void TakeNewIdentity(InstanceState& state, GuidSource& guids) {
  state.product_code = guids.NewGuid();
  state.revision_code = guids.NewGuid();
  state.transformed = true;
  state.identifiers_renewed = false;
}

void DefineProductIdentity(vars::VariableStore& variables, const InstanceState& state) {
  variables.SetVariable("PRODUCTCODE", state.product_code, "Bootstrap");
  variables.SetVariable("REVISIONCODE", state.revision_code, "Bootstrap");
}

}  // namespace quillset::msi
