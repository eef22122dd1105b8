#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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

bool MakeSymbolicLink(const std::filesystem::path& target, const std::filesystem::path& link)
{
    std::error_code error;
    std::filesystem::create_symlink(target, link, error);
    return !error;
}

std::filesystem::path PrivateDriveRoot()
{
    return std::filesystem::path();  // drive Z: is this machine's /
}

}  // namespace test
