// One line file planned and saved, as a run edits each, on index files of
// 1,000 to 100,000 lines, against a baseline that reads the file whole and
// saves the same bytes with the same crash-safe save: the difference is the
// cutting, comparing and joining.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "registration/line_file.h"
#include "registration/replace_file.h"
#include "tests/support/edit_line_file.h"

namespace {

std::string IndexText(int lines)
{
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += ":INDEX Component reference " + std::to_string(100000 + i) + "=comp.hlp\r\n";  // 40 bytes
    return text;
}

class IndexFile {
public:
    explicit IndexFile(int lines) : text_(IndexText(lines))
    {
        path_ = std::filesystem::temp_directory_path() / ("sorvane-bench-" + std::to_string(lines) + ".ohi");
        Restore();
    }
    ~IndexFile() { std::filesystem::remove(path_); }
    void Restore() const { std::ofstream(path_, std::ios::binary | std::ios::trunc) << text_; }
    // As the program names it: drive Z: is the POSIX root.
    std::string Path() const { return "Z:" + path_.string(); }

private:
    std::string text_;
    std::filesystem::path path_;
};

void Run(benchmark::State& state, const std::string& line, bool remove, bool baseline)
{
    const IndexFile file(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (baseline) {
            const std::string path = file.Path();  // the replacement keeps a reference
            const std::vector<char> text = LoadFileText(path, SystemFileOps());
            ReplacementFile replacement(path, path, SystemFileOps());
            replacement.Append(std::string_view(text.data(), text.size()));
            replacement.Commit();
        } else {
            test::EditLineFile(file.Path(), line, remove ? LineEdit::kRemove : LineEdit::kAdd);
        }
        state.PauseTiming();
        file.Restore();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void Baseline(benchmark::State& state) { Run(state, "", false, true); }
void AppendAbsentEntry(benchmark::State& state) { Run(state, ":INDEX My Help Reference=myhelp.hlp", false, false); }
void RemoveNearTheEnd(benchmark::State& state)
{
    const std::string nearEnd = ":INDEX Component reference " + std::to_string(100000 + state.range(0) - 2) + "=comp.hlp";
    Run(state, nearEnd, true, false);
}
void UnchangedRewrite(benchmark::State& state) { Run(state, "", false, false); }

}  // namespace

BENCHMARK(Baseline)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(AppendAbsentEntry)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(RemoveNearTheEnd)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(UnchangedRewrite)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
