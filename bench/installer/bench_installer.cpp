// Installation speed of the installer service against msiextract on one package of 2,000
// files and about 100 MB in one embedded cabinet, made once with wixl into the build's cache
// folder. Prints the best times and the ratio msiextract time / installation time.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <stdexcept>
#include <string>

#include "bench/support/times_reporter.h"
#include "platform/posix/posix_platform.h"
#include "tests/support/package_fixture.h"

namespace {

namespace fs = std::filesystem;

const fs::path kCache = fs::path(QS_BENCH_CACHE) / "installer";
const fs::path kPackage = kCache / "big.msi";
constexpr int kFiles = 2000;
constexpr size_t kFileSize = 50 * 1024;
constexpr char kProductCode[] = "{0B9E77A4-3C1D-4E2F-8A5B-6C7D8E9F0A11}";

// Half random, half text-like data, so that the cabinet is neither all stored nor all packed.
void MakePackage() {
  if (fs::exists(kPackage)) return;
  fs::path source = kCache / "source";
  fs::remove_all(source);
  std::mt19937_64 random(20240612);
  const char* words[] = {"setup ", "install ", "folder ", "registry ", "value ", "component ", "\r\n", "1.0.4 "};
  std::string components;
  std::map<std::string, std::string> none;
  for (int folder = 0; folder < 20; ++folder) {
    components += "<Directory Id=\"D" + std::to_string(folder) + "\" Name=\"part" + std::to_string(folder) +
                  "\"><Component Id=\"C" + std::to_string(folder) + "\" Guid=\"{0B9E77A4-3C1D-4E2F-8A5B-" +
                  std::to_string(100000000000 + folder) + "}\">";
    for (int i = folder * (kFiles / 20); i < (folder + 1) * (kFiles / 20); ++i) {
      std::string name = "f" + std::to_string(i) + ".dat";
      std::string data;
      while (data.size() < kFileSize) {
        if (i % 2) {
          uint64_t value = random();
          data.append(reinterpret_cast<const char*>(&value), sizeof value);
        } else {
          data += words[random() % std::size(words)];
        }
      }
      data.resize(kFileSize);
      fs::create_directories(source / "data");
      std::ofstream(source / "data" / name, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
      components += "<File Id=\"F" + std::to_string(i) + "\" Name=\"" + name + "\" Source=\"data/" + name + "\"/>";
    }
    components += "</Component></Directory>";
  }
  std::string refs;
  for (int folder = 0; folder < 20; ++folder) refs += "<ComponentRef Id=\"C" + std::to_string(folder) + "\"/>";
  std::string wxs = std::string(R"(<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id=")") + kProductCode + R"(" Name="Big" Language="1033" Version="1.0.0" Manufacturer="Bench"
           UpgradeCode="{0B9E77A4-3C1D-4E2F-8A5B-6C7D8E9F0A12}">
    <Package InstallerVersion="200" Compressed="yes"/>
    <Media Id="1" Cabinet="big.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir"><Directory Id="ProgramFilesFolder"><Directory Id="INSTALLDIR" Name="Big">)" +
                    components + R"(</Directory></Directory></Directory>
    <Feature Id="All" Level="1">)" + refs + R"(</Feature>
  </Product>
</Wix>
)";
  std::string built = quillset::testing::BuildPackage(source.string(), "big", wxs, none);
  fs::rename(built, kPackage);
  fs::remove_all(source);
}

void BM_Install(benchmark::State& state) {
  const fs::path prefix = kCache / "prefix";
  fs::remove_all(prefix);
  fs::create_directories(prefix);
  std::ofstream(prefix / "machine.profile") << "administrator=TRUE\n";
  auto platform = quillset::platform::posix::CreatePosixPlatform({prefix.string(), {"bench_installer"}});
  auto* msi = platform->platform().installer.Bind();
  const std::string package = platform->paths().ToWindows(kPackage.string());
  for (auto _ : state) {
    if (msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL") != 0) {
      state.SkipWithError("installation failed");
      break;
    }
    state.PauseTiming();
    if (msi->MsiInstallProductA(package.c_str(), "REMOVE=ALL") != 0) state.SkipWithError("removal failed");
    state.ResumeTiming();
  }
  fs::remove_all(prefix);
}

void BM_Msiextract(benchmark::State& state) {
  const fs::path target = kCache / "out-msiextract";
  const std::string command = "msiextract -C '" + target.string() + "' '" + kPackage.string() + "' > /dev/null";
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(target);
    fs::create_directories(target);
    state.ResumeTiming();
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("msiextract failed");
      break;
    }
  }
  fs::remove_all(target);
}

BENCHMARK(BM_Install)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2)->Repetitions(3);
BENCHMARK(BM_Msiextract)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2)->Repetitions(3);

void PrintRatio(const quillset::bench::TimesReporter& times, std::ostream& out) {
  auto install = times.Best("BM_Install"), extract = times.Best("BM_Msiextract");
  if (!install || !extract) return;
  out << "installation " << *install * 1000 << " ms, msiextract " << *extract * 1000
      << " ms (best), ratio (msiextract time / installation time) " << *extract / *install << ", of the medians "
      << *times.Median("BM_Msiextract") / *times.Median("BM_Install") << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  fs::create_directories(kCache);
  MakePackage();
  std::cout << "package " << kPackage.string() << ", " << fs::file_size(kPackage) / (1 << 20) << " MB, " << kFiles
            << " files\n";
  quillset::bench::TimesReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintRatio(reporter, std::cout);
  benchmark::Shutdown();
  return 0;
}
