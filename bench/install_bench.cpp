// install_bench SORVANE SETS: whole install runs of the native program on
// each OpenHelp set in SETS (a folder per set, holding d7.ohp, .ohc, .ohl
// and .ohi, beside a folder myfolder with the help files), against copying
// the same four files with cp, with the peak memory of each run as wait4
// reports it. Holds no file in memory itself: a child's peak counts its
// parent's as well until the child's own program starts. Run it through
// scripts/bench.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/machine_lock.h"

namespace fs = std::filesystem;

namespace {

const char* const kMembers[] = {"d7.ohp", "d7.ohc", "d7.ohl", "d7.ohi"};

struct Sample {
    double milliseconds;
    long peakKilobytes;
};

Sample Run(std::vector<std::string> words, int expectedStatus = 0)
{
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    std::fflush(stdout);  // or the child would write our buffer once more
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        if (freopen("/dev/null", "w", stdout) == nullptr)
            _exit(126);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    const double elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != expectedStatus) {
        std::fprintf(stderr, "install_bench: %s ended with status %d\n", words[0].c_str(), WEXITSTATUS(status));
        std::exit(1);
    }
    return {elapsed, usage.ru_maxrss};
}

std::string WindowsPath(const fs::path& path)
{
    std::string text = "Z:" + fs::absolute(path).string();
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

std::string Escaped(const std::string& text)
{
    std::string escaped;
    for (char c : text)
        escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return escaped;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// What one run spends on the machine's lock: taking it when no other run
// holds it, and letting it go.
double LockMilliseconds()
{
    const int cycles = 10000;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < cycles; ++i) {
        MachineLock lock;
        if (!lock.Acquire(std::chrono::milliseconds(0))) {
            std::fprintf(stderr, "install_bench: the lock is held\n");
            std::exit(1);
        }
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / cycles;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: install_bench SORVANE SETS\n");
        return 2;
    }
    const std::string sorvane = fs::absolute(argv[1]).string();
    const fs::path sets = fs::absolute(argv[2]);
    const std::string helpFile = WindowsPath(sets / "myfolder" / "myhelp.hlp");
    const int repeats = 21;

    std::printf("%-14s %10s %11s %8s %6s %14s %6s %13s %10s\n", "set", "largest B", "install ms", "cp ms", "ratio",
                "cp + sync ms", "ratio", "peak RSS KiB", "limit KiB");
    std::vector<std::pair<std::string, double>> installs;
    for (const char* name : {"realistic", "index-10000", "index-100000"}) {
        const fs::path source = sets / name;
        const fs::path help = sets / "run" / name / "Help";
        const fs::path copy = sets / "run" / name / "copy";
        const fs::path registry = sets / "run" / name / "registry";
        for (const fs::path& folder : {help, copy, registry})
            fs::create_directories(folder);
        setenv("SORVANE_REGISTRY", registry.c_str(), 1);
        std::ofstream(registry / "HKEY_CURRENT_USER.reg", std::ios::binary)
            << "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\OpenHelp]\r\n\"ProjectFile\"=\""
            << Escaped(WindowsPath(help / "d7.ohp")) << "\"\r\n";

        std::uintmax_t largest = 0;
        std::vector<std::string> cp{"cp"};
        std::vector<std::string> sync{"sync", "--data"};
        for (const char* member : kMembers) {
            largest = std::max(largest, fs::file_size(source / member));
            cp.push_back((help / member).string());
            sync.push_back((copy / member).string());
        }
        cp.push_back(copy.string());

        std::vector<double> install;
        std::vector<double> copying;
        std::vector<double> copyingDurably;
        long peak = 0;
        for (int i = 0; i < repeats; ++i) {
            for (const char* member : kMembers)
                fs::copy_file(source / member, help / member, fs::copy_options::overwrite_existing);
            const Sample run = Run({sorvane, helpFile, "/D7", "/I", "My Help Reference"});
            install.push_back(run.milliseconds);
            peak = std::max(peak, run.peakKilobytes);
            copying.push_back(Run(cp).milliseconds);
            // The same copy made durable, as every save of the program is.
            fs::remove_all(copy);
            fs::create_directories(copy);
            copyingDurably.push_back(Run(cp).milliseconds + Run(sync).milliseconds);
        }
        const long limit = static_cast<long>(2 * largest / 1024) + 2048;
        std::printf("%-14s %10ju %11.2f %8.2f %6.2f %14.2f %6.2f %13ld %10ld\n", name, largest, Median(install),
                    Median(copying), Median(install) / Median(copying), Median(copyingDurably),
                    Median(install) / Median(copyingDurably), peak, limit);
        installs.emplace_back(name, Median(install));
    }
    const double lock = LockMilliseconds();
    std::printf("the machine's lock of the OpenHelp files: %.4f ms a run, %.2f %% of a realistic install without it, limit 5 %%\n",
                lock, 100 * lock / (installs[0].second - lock));
    std::printf("a run that reads no file (the usage text) peaks at %ld KiB\n", Run({sorvane}, 1).peakKilobytes);
    std::printf("ten times the index lines (10,000 to 100,000): %.2f times the time, limit 11\n",
                installs[2].second / installs[1].second);
    fs::remove_all(sets / "run");
    return 0;
}
