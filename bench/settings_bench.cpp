// SPDX-License-Identifier: GPL-3.0-or-later
// Load and Save of the full settings, on a fresh hive and on a populated one.
#include "app/RegistrySettingsUnit.h"
#include "app/UserInterface.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <memory>
#include <stdlib.h>
#include <string>
#include <system_error>

namespace {

// Settings never ask the user anything unless a caller forgot area or section.
class TSilentUserInterface : public TUserInterface {
public:
  TModalResult ShowMessageBox(std::string_view, std::string_view, TMsgKind, int) override {
    return TModalResult::OK;
  }
  bool InputLineAndListDialog(std::string_view, std::string_view, std::string_view, std::string&,
                              std::string&) override {
    return false;
  }
  bool InputListDialog(std::string_view, std::string_view, std::string&) override { return false; }
  bool EditProxyAccess(TAuthType&, std::string&) override { return false; }
  bool EditCookiesAllowed(std::vector<std::string>&) override { return false; }
  bool EditCookieManagement(std::vector<std::string>&, std::vector<std::string>&) override {
    return false;
  }
  bool EditURLList(std::string_view, std::vector<std::string>&) override { return false; }
  bool CollectKilledURLs(const std::vector<std::string>&, std::vector<std::string>&) override {
    return false;
  }
  void ShowWelcomeDlg(TWelcomeAnswers&, const TWelcomeOptions&) override {}
};

// A home and registry folder of its own below the temporary folder.
class TBenchHome {
public:
  TBenchHome() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quorvane-bench-XXXXXX").string();
    FPath = mkdtemp(pattern.data());
    setenv("HOME", FPath.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (FPath / ".config").c_str(), 1);
    setenv("XDG_DATA_HOME", (FPath / "data").c_str(), 1);
  }
  ~TBenchHome() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TBenchHome(const TBenchHome&) = delete;
  TBenchHome& operator=(const TBenchHome&) = delete;
  std::filesystem::path FreshRegistryFolder() {
    return FPath / ("registry" + std::to_string(++FCount));
  }

private:
  std::filesystem::path FPath;
  int FCount = 0;
};

// A registry whose hive files exist but hold nothing, as after an account's
// first run of any of the programs that share the registry.
std::unique_ptr<TRegistry> EmptyRegistry(TBenchHome& home) {
  auto registry =
      std::make_unique<TRegistry>(TRegistryLocations::InFolder(home.FreshRegistryFolder()));
  TRegKey root;
  registry->OpenKey(TRootKey::CurrentUser, "", root);
  registry->OpenKey(TRootKey::LocalMachine, "", root);
  return registry;
}

// Times action on new settings over a registry that make creates for each
// iteration; building and closing them is not timed.
template <typename TMake, typename TAction>
void TimeOnNewRegistry(benchmark::State& state, TMake make, TAction action) {
  TBenchHome home;
  TSilentUserInterface ui;
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<TRegistry> registry = make(home);
    auto settings = std::make_unique<TRegistrySettings>(*registry, ui, ProgramFolder());
    state.ResumeTiming();
    action(*settings);
    state.PauseTiming();
    settings.reset();
    registry.reset();
    state.ResumeTiming();
  }
}

void LoadFreshHive(benchmark::State& state) {
  TimeOnNewRegistry(state, EmptyRegistry, [](TRegistrySettings& settings) { settings.Load(); });
}

void SaveFreshHive(benchmark::State& state) {
  TimeOnNewRegistry(state, EmptyRegistry, [](TRegistrySettings& settings) { settings.Save(); });
}

// The very first start: the hive files themselves are created by Load.
void LoadCreatingHiveFiles(benchmark::State& state) {
  TimeOnNewRegistry(
      state,
      [](TBenchHome& home) {
        return std::make_unique<TRegistry>(
            TRegistryLocations::InFolder(home.FreshRegistryFolder()));
      },
      [](TRegistrySettings& settings) { settings.Load(); });
}

// The program's own case: one registry for the process, everything stored.
void LoadPopulatedHive(benchmark::State& state) {
  TBenchHome home;
  TSilentUserInterface ui;
  TRegistry registry(TRegistryLocations::InFolder(home.FreshRegistryFolder()));
  TRegistrySettings settings(registry, ui, ProgramFolder());
  settings.Load();
  settings.Save();
  for (auto _ : state)
    settings.Load();
}

void SavePopulatedHive(benchmark::State& state) {
  TBenchHome home;
  TSilentUserInterface ui;
  TRegistry registry(TRegistryLocations::InFolder(home.FreshRegistryFolder()));
  TRegistrySettings settings(registry, ui, ProgramFolder());
  settings.Load();
  settings.Save();
  for (auto _ : state)
    settings.Save();
}

BENCHMARK(LoadFreshHive)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(SaveFreshHive)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(LoadCreatingHiveFiles)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(LoadPopulatedHive)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(SavePopulatedHive)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
