#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <sstream>
#include <thread>

#include "platform/registry.h"
#include "tests/support/test_support.h"

namespace test {

std::string ProgramPath(const std::filesystem::path& path)
{
    std::string text = "Z:" + std::filesystem::absolute(path).string();
    for (char& c : text)
        if (c == '/')
            c = '\\';
    return text;
}

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, const std::filesystem::path& workingDirectory,
                           const std::string& program)
{
    const std::string outputFile = outputDirectory_.Native("stdout").string();
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child == 0) {
        const int output = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (output < 0 || dup2(output, STDOUT_FILENO) < 0 || chdir(workingDirectory.c_str()) != 0)
            _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
    process_ = child;
    ended_ = child < 0;
}

ChildResult ChildProcess::Wait()
{
    ChildResult result;
    int status = 0;
    if (!ended_ && waitpid(static_cast<pid_t>(process_), &status, 0) == process_ && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    ended_ = true;
    result.output = ReadFileBytes(outputDirectory_.Native("stdout"));
    return result;
}

void ChildProcess::Kill()
{
    if (!ended_)
        kill(static_cast<pid_t>(process_), SIGKILL);
    Wait();
}

ChildProcess::~ChildProcess()
{
    if (!ended_)
        Kill();
}

ChildResult RunSorvane(const std::vector<std::string>& arguments, const std::filesystem::path& workingDirectory)
{
    return ChildProcess(arguments, workingDirectory).Wait();
}

std::vector<std::string> TraceSaves(const std::vector<std::string>& arguments,
                                    const std::filesystem::path& workingDirectory, int& status)
{
    ScratchDirectory traceDirectory;
    const std::string traceFile = traceDirectory.Native("trace").string();
    // LeakSanitizer cannot work under ptrace: the sanitizer build leaves it off here.
    std::vector<std::string> words{"-o", traceFile, "-E", "ASAN_OPTIONS=detect_leaks=0",
                                   "-e", "trace=openat,fsync,fdatasync,rename,renameat,renameat2", SORVANE_EXE};
    words.insert(words.end(), arguments.begin(), arguments.end());
    status = ChildProcess(words, workingDirectory, "/usr/bin/strace").Wait().status;

    const auto name = [](const std::string& path) { return path.substr(path.find_last_of('/') + 1); };
    std::map<std::string, std::string> opened;  // descriptor: path
    std::map<std::string, bool> isDirectory;
    std::vector<std::string> replacedPaths;
    std::vector<std::string> events;
    std::istringstream trace(ReadFileBytes(traceFile));
    for (std::string line; std::getline(trace, line);) {
        std::size_t at = 0;
        const std::size_t equals = line.rfind(" = ");
        const std::string result = equals == std::string::npos ? "" : line.substr(equals + 3);
        if (line.rfind("openat(", 0) == 0 && result.find_first_not_of("0123456789") != 0) {
            const std::string path = QuotedText(line, at);
            opened[result.substr(0, result.find(' '))] = path;
            isDirectory[path] = line.find("O_DIRECTORY") != std::string::npos;
        } else if ((line.rfind("fsync(", 0) == 0 || line.rfind("fdatasync(", 0) == 0) && result == "0") {
            const std::string path = opened[line.substr(line.find('(') + 1, line.find(')') - line.find('(') - 1)];
            if (!isDirectory[path]) {
                events.push_back("flush " + name(path));
                continue;
            }
            // The directory's entries are on disk: every rename in it is.
            for (const std::string& replaced : replacedPaths)
                if (replaced.substr(0, replaced.find_last_of('/')) == path)
                    events.push_back("durable " + name(replaced));
            replacedPaths.clear();
        } else if (line.rfind("rename", 0) == 0 && result == "0") {
            QuotedText(line, at);
            // renameat names the new file relative to a folder's descriptor.
            const std::size_t folder = line.find(", ", at) + 2;
            const std::string relativeTo =
                line.rfind("renameat", 0) == 0 ? opened[line.substr(folder, line.find(',', folder) - folder)] + "/" : "";
            replacedPaths.push_back(relativeTo + QuotedText(line, at));
            events.push_back("replace " + name(replacedPaths.back()));
        }
    }
    return events;
}

}  // namespace test

namespace test {

void UsePrivateRegistry(const std::filesystem::path& directory)
{
    setenv("SORVANE_REGISTRY", directory.c_str(), 1);
}

}  // namespace test

namespace test {

void SetEnvironment(const std::string& name, const std::string& value)
{
    setenv(name.c_str(), value.c_str(), 1);
}

void RecordProfile(const std::string& sid, const std::filesystem::path& folder)
{
    RegistryAccessor registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE_KEY);
    registry.WriteRegString("Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sid,
                            "ProfileImagePath", ProgramPath(folder));
}

bool MakeSymbolicLink(const std::filesystem::path& target, const std::filesystem::path& link)
{
    std::error_code error;
    std::filesystem::create_symlink(target, link, error);
    return !error;
}

// POSIX removes a link as itself, and so does remove_all below it.
void RemoveSymbolicLinks(const std::filesystem::path&) {}

// The stand-in takes a shared flock for such a handle.
bool HoldLikeAScanner(const std::string& path, const std::string& ready, int milliseconds)
{
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0 || flock(file, LOCK_SH) != 0)
        return false;
    WriteFileBytes(ready, "held");
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    return close(file) == 0;
}

std::filesystem::path ProgramFilesFolder(const ScratchDirectory& scratch)
{
    std::filesystem::create_directories(scratch.Native("Program Files"));
    SetEnvironment("ProgramFiles", scratch.Path("Program Files"));
    return scratch.Native("Program Files");
}

// Without a Local AppData value in the user's settings, the program takes
// Windows' default below the profile.
std::filesystem::path LocalAppDataFolder(const ScratchDirectory& scratch)
{
    SetEnvironment("USERPROFILE", scratch.Path("profile"));
    return scratch.Native("profile/AppData/Local");
}

std::filesystem::path PrivateDriveRoot()
{
    return std::filesystem::path();  // drive Z: is this machine's /
}

std::string OtherSpelling(const std::filesystem::path& folder)
{
    std::filesystem::path link = folder;
    link += "-linked";
    std::filesystem::create_directory_symlink(folder, link);
    return ProgramPath(link);
}

}  // namespace test
