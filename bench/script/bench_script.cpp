// The script language at scale: compile plus a silent run of generated scripts of 20,000 and
// 200,000 statements (the larger may take at most 12 times as long), the statement loop's
// throughput with the refresh before every statement, and the speed of substitution.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/support/times_reporter.h"
#include "engine/engine.h"
#include "engine/predefined_variables.h"
#include "interp/statement_loop.h"
#include "platform/posix/posix_platform.h"
#include "script/compiler.h"
#include "tests/support/setup_fixture.h"
#include "tests/support/test_support.h"

namespace {

using namespace quillset;
using testing::Statement;

Statement Set(const std::string& name, const std::string& value) { return {"Set Variable", {name, value}}; }
Statement If(const std::string& variable, const std::string& value) { return {"If", {variable, "0", value, "FALSE"}}; }
Statement ElseIf(const std::string& variable, const std::string& value) {
  return {"Else If", {variable, "0", value, "FALSE"}};
}
Statement Add(const std::string& variable, const std::string& amount) {
  return {"Mathematics", {"$" + variable + "$", amount, "0", variable}};
}

// Groups of 20 statements: assignments, arithmetic, an If/Else If/End block whose branches
// are taken in turn, and a forward jump over a dead branch to the group's label.
std::vector<Statement> MixedScript(size_t statements) {
  std::vector<Statement> script = {Set("K", "0"), Set("A", "0"), Set("B", "0"), Set("C", "0")};
  for (size_t group = 0; script.size() + 20 <= statements; ++group) {
    const std::string g = std::to_string(group);
    const std::string v = "V" + std::to_string(group % 97);
    script.push_back(Set(v, g));
    script.push_back(Add(v, "3"));
    script.push_back(Set("W", "$" + v + "$-" + g));
    script.push_back(If("K", std::to_string(group % 3)));
    script.push_back(Add("A", "1"));
    script.push_back(ElseIf("K", std::to_string((group + 1) % 3)));
    script.push_back(Add("B", "1"));
    script.push_back(Set("T", "$W$"));
    script.push_back({"Else", {}});
    script.push_back(Add("C", "1"));
    script.push_back({"End", {}});
    script.push_back({"GoTo Label", {"L" + g}});
    script.push_back(Set("NEVER", "run"));
    script.push_back(Add("NEVER", "1"));
    script.push_back(Set("NEVER", "again"));
    script.push_back({"Label", {"L" + g}});
    script.push_back(Add("K", "1"));
    script.push_back(If("K", "3"));
    script.push_back(Set("K", "0"));
    script.push_back({"End", {}});
  }
  while (script.size() < statements) script.push_back(Set("PAD", "x"));
  return script;
}

// A loop of Set Variable and If statements, left through a GoTo after `rounds` rounds.
std::vector<Statement> LoopScript(size_t rounds) {
  std::vector<Statement> script = {Set("N", "0"), {"Label", {"Top"}}};
  for (int i = 0; i < 4; ++i) {
    script.push_back(Set("X" + std::to_string(i), "$N$"));
    script.push_back(If("X" + std::to_string(i), "never"));
    script.push_back(Set("Y", "no"));
    script.push_back({"End", {}});
  }
  script.push_back(Add("N", "1"));
  script.push_back(If("N", std::to_string(rounds)));
  script.push_back({"GoTo Label", {"Out"}});
  script.push_back({"End", {}});
  script.push_back({"GoTo Label", {"Top"}});
  script.push_back({"Label", {"Out"}});
  return script;
}

// One engine over a posix platform on a private prefix, running a script silently from
// compilation to its end. Answers the number of statements run.
struct ScriptRunner {
  testing::TempDir prefix;
  std::unique_ptr<platform::posix::PosixPlatform> host =
      platform::posix::CreatePosixPlatform({prefix.path(), {"/usr/bin/bench"}});

  size_t Run(const std::string& text) {
    engine::Engine e(host->platform());
    auto loaded = script::LoadScript(text);
    if (!loaded.ok) throw std::runtime_error(loaded.error);
    e.script = std::move(loaded.script);
    script::CompileResult compiled = script::Compile(e.script, e.variables, e.run.compiled);
    if (compiled.result != script::kCompiledSuccessfully) throw std::runtime_error(compiled.message);
    e.variables.SetVariable("SILENT", "TRUE", "bench");
    commands::EngineServices services{e.platform,
                                      e.variables,
                                      e.script,
                                      e.messages,
                                      e.localization,
                                      e.progress,
                                      e.run.persisted_variables,
                                      e.startup.temp_folder,
                                      e.random,
                                      e.archives,
                                      e.components,
                                      e.run.architecture_mode,
                                      e.run.compiled.deferral,
                                      e.run.pending_properties,
                                      e.run.parameter_file,
                                      e.run.package_edits};
    size_t statements = 0;
    interp::LoopHooks hooks;
    hooks.refresh = [&] {
      ++statements;
      engine::RefreshBeforeStatement(e);
    };
    interp::LoopResult result = interp::StatementLoop(services, e.commands, std::move(hooks)).Run();
    if (result.runtime_error) throw std::runtime_error(result.error_text);
    return statements;
  }
};

void BM_CompileAndSilentRun(benchmark::State& state) {
  const std::string text = testing::ScriptOf(MixedScript(static_cast<size_t>(state.range(0))));
  ScriptRunner runner;
  for (auto _ : state) benchmark::DoNotOptimize(runner.Run(text));
  state.counters["statements"] = static_cast<double>(state.range(0));
}
// Repeated, and compared by their medians: a machine shared with other work disturbs single runs.
BENCHMARK(BM_CompileAndSilentRun)
    ->Arg(20000)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5)
    ->Repetitions(7);

void BM_StatementLoop(benchmark::State& state) {
  const std::string text = testing::ScriptOf(LoopScript(50000));
  ScriptRunner runner;
  size_t statements = 0;
  for (auto _ : state) statements += runner.Run(text);
  state.counters["statements_per_s"] = benchmark::Counter(static_cast<double>(statements), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_StatementLoop)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// 1 MB of text holding 10,000 references to 100 variables.
void BM_Expand(benchmark::State& state) {
  vars::VariableStore store;
  for (int i = 0; i < 100; ++i) store.SetVariable("VALUE" + std::to_string(i), "substituted text " + std::to_string(i), "bench");
  std::string text;
  const std::string filler(90, 'x');
  for (int i = 0; text.size() < (1 << 20); ++i) text += filler + "$VALUE" + std::to_string(i % 100) + "$";
  for (auto _ : state) benchmark::DoNotOptimize(store.Expand(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Expand)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  quillset::bench::TimesReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto small = reporter.Median("BM_CompileAndSilentRun/20000"), large = reporter.Median("BM_CompileAndSilentRun/200000");
  if (small && large)
    std::printf("scale ratio 200,000 / 20,000 statements (medians): %.2f (at most 12)\n", *large / *small);
  benchmark::Shutdown();
}
