// A new instance of an installed product: the identity it takes ("Transform Instance") and
// the state the package edits of the next installer runs read from it.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>

#include "vars/variable_store.h"

namespace quillset::msi {

// New identifiers in registry format, upper case: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
// An interface so that tests can give known ones.
class GuidSource {
 public:
  virtual ~GuidSource() = default;
  virtual std::string NewGuid() = 0;
};

// Random (version 4) GUIDs from a generator seeded once by the system's random device.
class RandomGuidSource : public GuidSource {
 public:
  RandomGuidSource();
  std::string NewGuid() override;

 private:
  std::mt19937_64 random_;
};

// The registry form of 16 bytes, in the byte order of the text.
std::string FormatGuid(const uint8_t (&bytes)[16]);

// The product identity of the run and what a new instance has done to the package so far.
struct InstanceState {
  std::string product_code;   // the engine's product code
  std::string revision_code;  // the package code of this build
  // Set by "Transform Instance"; every later installer run writes the new codes again.
  bool transformed = false;
  // The package's component identifiers have been given new GUIDs since the transform.
  bool identifiers_renewed = false;
  // The package written with the new product code; the engine cache keeps a copy of it.
  std::string edited_package;
};

// Takes a new product code and a new package code, and asks for the components to be renewed.
void TakeNewIdentity(InstanceState& state, GuidSource& guids);

// PRODUCTCODE and REVISIONCODE from the state, as the bootstrap defines them.
void DefineProductIdentity(vars::VariableStore& variables, const InstanceState& state);

// What the "Transform Instance" statement works on, from the engine context.
struct InstanceContext {
  InstanceState& state;
  GuidSource& guids;
  const std::string& installer_package;  // the run's ".msi"; a ".msp" beside it means a patch
  // Derives the engine's identity variables, cache and maintenance state from the state's codes.
  std::function<void()> bootstrap;
};

}  // namespace quillset::msi
