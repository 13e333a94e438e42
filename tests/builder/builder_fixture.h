// A project folder with its support files and package, a stand-in engine with zep.lib beside
// it, and quillset-build runs over them.
#pragma once

#include <string>

#include "script/loaded_script.h"
#include "tests/support/test_support.h"

namespace quillset::testing {

class BuilderFixture {
 public:
  BuilderFixture();

  const TempDir& dir() const { return dir_; }
  std::string project() const { return dir_ / "setup.qsp"; }
  std::string engine() const { return dir_ / "engine/quillset"; }
  std::string out() const { return dir_ / "out"; }

  void WriteProject(const std::string& text) const { WriteFile(project(), text); }
  ProcessResult Build(const std::string& project_path, const std::string& out_dir) const;
  ProcessResult Build() const { return Build(project(), out()); }
  ProcessResult Dump(const std::string& setup) const;

  // The bytes appended to the engine in a built setup.
  std::string ScriptOf(const std::string& setup) const;

 private:
  TempDir dir_;
};

// The loaded form of a script text; fails the test when it does not load.
script::LoadedScript Load(const std::string& text);

// A project with the given statements and otherwise fixed, plain settings.
std::string ProjectWithStatements(const std::string& statements);

}  // namespace quillset::testing
