#include "builder/builder_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillset::testing {

BuilderFixture::BuilderFixture() {
  std::filesystem::create_directories(dir_ / "support");
  std::filesystem::create_directories(dir_ / "engine");
  WriteFile(dir_ / "support/readme.txt", "Read me.\r\n");
  WriteFile(dir_ / "setup.msi", "not really a package");
  // Any ELF program will do as the engine: the builder only appends to it.
  std::filesystem::copy_file("/bin/true", engine());
  WriteFile(dir_ / "engine/zep.lib", "archive library");
}

ProcessResult BuilderFixture::Build(const std::string& project_path, const std::string& out_dir) const {
  return RunProcess({BinPath("quillset-build"), project_path, "-o", out_dir, "--engine", engine()});
}

ProcessResult BuilderFixture::Dump(const std::string& setup) const {
  return RunProcess({BinPath("quillset-build"), "dump", setup});
}

std::string BuilderFixture::ScriptOf(const std::string& setup) const {
  return ReadFile(setup).substr(ReadFile(engine()).size());
}

script::LoadedScript Load(const std::string& text) {
  script::LoadResult loaded = script::LoadScript(text);
  EXPECT_TRUE(loaded.ok) << loaded.error;
  return loaded.script;
}

std::string ProjectWithStatements(const std::string& statements) {
  return "[setup]\n"
         "package = setup.msi\n"
         "support = support\n"
         "[product]\n"
         "code = {11111111-2222-4333-8444-555555555555}\n"
         "title = Test\n"
         "[statements]\n" +
         statements;
}

}  // namespace quillset::testing
