// The console report of a benchmark program, keeping the per-iteration real time of every
// repetition so that the program can print its ratios beside the figures. A benchmark is named
// by its function name, followed by "/" and its arguments when it has any.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillset::bench {

class TimesReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;
  // In seconds; nothing when the benchmark did not run or failed.
  std::optional<double> Best(const std::string& name) const;
  std::optional<double> Median(const std::string& name) const;

 private:
  std::map<std::string, std::vector<double>> times_;
};

}  // namespace quillset::bench
