// Loading and saving a full safe list (32,767 titles) against the in-memory
// fakes: the core's own cost of the data file at start-up and shut-down.
#include <benchmark/benchmark.h>

#include <string>

#include "fakes/fake_platform.h"
#include "store/data_file.h"

namespace {

using namespace shutterling;

const std::wstring kFolder = L"C:\\Tools\\ini";
const std::wstring kFile = L"C:\\Tools\\ini\\Shutterling.Dat";

// Titles of a typical length, all different.
std::string DataFile(int lines) {
    std::string bytes;
    for (int i = 0; i < lines; ++i) {
        store::AppendLine(bytes, "Special offer - page " + std::to_string(i) + " - Shop");
    }
    return bytes;
}

void BM_ParseLines(benchmark::State& state) {
    const std::string bytes = DataFile(platform::kListMax);
    for (auto _ : state)
        benchmark::DoNotOptimize(store::ParseLines(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ParseLines)->Unit(benchmark::kMillisecond);

void BM_LoadSafeList(benchmark::State& state) {
    const std::string bytes = DataFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto p = std::make_unique<fakes::FakePlatform>();
        p->files.folders.insert(kFolder);
        p->files.files[kFile] = bytes;
        state.ResumeTiming();
        p->form.LoadSafeList();
        benchmark::DoNotOptimize(p->lstSafe.items.data());
        state.PauseTiming();
        p.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadSafeList)->Arg(platform::kListMax)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SaveSafeList(benchmark::State& state) {
    const std::string bytes = DataFile(static_cast<int>(state.range(0)));
    fakes::FakePlatform p;
    p.files.folders.insert(kFolder);
    p.files.files[kFile] = bytes;
    p.form.LoadSafeList();
    for (auto _ : state) {
        state.PauseTiming();
        // The save hands over what the load kept; load again for each save.
        p.lstSafe.items.clear();
        p.form.LoadSafeList();
        p.log.Clear();
        state.ResumeTiming();
        p.form.SaveSafeList();
    }
    if (p.files.files.at(kFile) != bytes)
        state.SkipWithError("the saved file differs");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SaveSafeList)->Arg(platform::kListMax)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
