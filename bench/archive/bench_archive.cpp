// Extraction speed of zep.lib (through SevenZipWrap) against the 7z command on one ~50 MB
// LZMA2 archive of mixed data, made once into the build's cache folder. Prints the best times
// and the ratios 7z time / zep time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <stdexcept>
#include <string>

#include "bench/support/times_reporter.h"
#include "media/seven_zip_wrap.h"
#include "platform/posix/posix_platform.h"

namespace {

namespace fs = std::filesystem;

const fs::path kCache = QS_BENCH_CACHE;
const fs::path kArchive = kCache / "mixed.7z";

std::string Windows(const fs::path& host) {
  std::string path = "Z:" + host.string();
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

// Incompressible, text-like and repetitive files: about 90 MB that pack to about 50 MB.
void MakeArchive() {
  if (fs::exists(kArchive)) return;
  fs::path source = kCache / "source";
  fs::remove_all(source);
  std::mt19937_64 random(20240611);
  const char* words[] = {"setup ", "install ", "folder ", "registry ", "value ", "component ", "feature ",
                         "dialog ", "the ", "a ", "of ", "\r\n", "product ", "version ", "1.0.4 "};
  for (int i = 0; i < 60; ++i) {
    fs::path file = source / ("part" + std::to_string(i % 6)) / ("file" + std::to_string(i) + ".dat");
    fs::create_directories(file.parent_path());
    std::string data;
    const size_t size = 1500 * 1024;
    data.reserve(size + 16);
    switch (i % 4) {
      case 0:
      case 1:
        while (data.size() < size) {
          uint64_t value = random();
          data.append(reinterpret_cast<const char*>(&value), sizeof value);
        }
        break;
      case 2:
        while (data.size() < size) data += words[random() % std::size(words)];
        break;
      default:
        while (data.size() < size) {
          uint64_t value = random() % 16;
          data.append(static_cast<size_t>(value) + 1, static_cast<char>('A' + value));
          if (random() % 4 == 0) data.append(reinterpret_cast<const char*>(&value), 3);
        }
    }
    std::ofstream(file, std::ios::binary).write(data.data(), static_cast<std::streamsize>(size));
  }
  Run("cd '" + source.string() + "' && 7z a -m0=lzma2 -mx=5 '" + kArchive.string() + ".part' . > /dev/null");
  fs::rename(kArchive.string() + ".part", kArchive);
  fs::remove_all(source);
}

struct Extractors {
  std::unique_ptr<quillset::platform::posix::PosixPlatform> platform =
      quillset::platform::posix::CreatePosixPlatform({(kCache / "prefix").string(), {"bench_archive"}});
  quillset::media::SevenZipWrap wrap{platform->platform().libraries, Windows(fs::path(QS_BENCH_BIN) / "zep.lib")};
};

void Fresh(const fs::path& target) {
  fs::remove_all(target);
  fs::create_directories(target);
}

void BM_ExtractZep(benchmark::State& state) {
  Extractors extractors;
  const fs::path target = kCache / "out-zep";
  for (auto _ : state) {
    state.PauseTiming();
    Fresh(target);
    state.ResumeTiming();
    std::string error;
    if (!extractors.wrap.ExtractArchiveFiles(Windows(kArchive), "", Windows(target), true, true, {}, error)) {
      state.SkipWithError(error.c_str());
      break;
    }
  }
  fs::remove_all(target);
}

// 7z x as it comes, and with one decoding thread as zep.lib decodes (arg 1).
void BM_Extract7z(benchmark::State& state) {
  const fs::path target = kCache / "out-7z";
  const std::string command = std::string("7z x -y ") + (state.range(0) == 1 ? "-mmt=1 " : "") + "'-o" +
                              target.string() + "' '" + kArchive.string() + "' > /dev/null";
  for (auto _ : state) {
    state.PauseTiming();
    Fresh(target);
    state.ResumeTiming();
    Run(command);
  }
  fs::remove_all(target);
}

BENCHMARK(BM_ExtractZep)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Repetitions(3);
BENCHMARK(BM_Extract7z)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Repetitions(3);

void PrintRatios(const quillset::bench::TimesReporter& times, std::ostream& out) {
  auto zep_best = times.Best("BM_ExtractZep"), zep_median = times.Median("BM_ExtractZep");
  if (!zep_best) return;
  for (const auto& [args, label] : {std::pair{"/0", "7z x"}, std::pair{"/1", "7z x -mmt=1"}}) {
    auto seven_best = times.Best(std::string("BM_Extract7z") + args);
    auto seven_median = times.Median(std::string("BM_Extract7z") + args);
    if (!seven_best) continue;
    out << "zep.lib " << *zep_best * 1000 << " ms, " << label << " " << *seven_best * 1000
        << " ms (best), ratio (7z time / zep time) " << *seven_best / *zep_best << ", of the medians "
        << *seven_median / *zep_median << "\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  fs::create_directories(kCache);
  MakeArchive();
  std::cout << "archive " << kArchive.string() << ", " << fs::file_size(kArchive) / (1 << 20) << " MB\n";
  quillset::bench::TimesReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintRatios(reporter, std::cout);
  benchmark::Shutdown();
  return 0;
}
