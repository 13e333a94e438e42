#include "bench/support/times_reporter.h"

#include <algorithm>

namespace quillset::bench {

void TimesReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
    const auto& name = run.run_name;
    times_[name.args.empty() ? name.function_name : name.function_name + "/" + name.args].push_back(
        run.real_accumulated_time / static_cast<double>(run.iterations));
  }
}

std::optional<double> TimesReporter::Best(const std::string& name) const {
  auto found = times_.find(name);
  if (found == times_.end()) return std::nullopt;
  return *std::min_element(found->second.begin(), found->second.end());
}

std::optional<double> TimesReporter::Median(const std::string& name) const {
  auto found = times_.find(name);
  if (found == times_.end()) return std::nullopt;
  std::vector<double> sorted = found->second;
  std::sort(sorted.begin(), sorted.end());
  const size_t middle = sorted.size() / 2;
  return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

}  // namespace quillset::bench
