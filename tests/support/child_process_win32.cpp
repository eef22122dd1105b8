#include <windows.h>

#include "tests/support/child_process_win32.h"
#include "tests/support/test_support.h"

namespace test {

namespace {

std::string QuoteWord(const std::string& word)
{
    for (unsigned char c : word)
        if (c <= 0x20)
            return "\"" + word + "\"";
    return word.empty() ? "\"\"" : word;
}

// The build names its programs by their Unix paths; Wine shows the Unix
// root as Z:.
std::string WindowsProgram(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// Starts the program with exactly this command line: its name goes
// separately to CreateProcessA, so nothing re-quotes the line.
HANDLE StartProcess(const std::string& program, const std::string& commandLine,
                    const std::filesystem::path& workingDirectory, const std::string& outputFile)
{
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE output = CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE)
        return nullptr;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process{};
    std::string line = commandLine;  // CreateProcessA may write into it
    const std::string directory = ProgramPath(workingDirectory);
    const std::string name = program.front() == '/' ? WindowsProgram(program) : program;
    const BOOL started = CreateProcessA(name.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        directory.c_str(), &startup, &process);
    CloseHandle(output);
    if (!started)
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// Waits for the process to end, closes it and answers its exit status.
int WaitForExit(HANDLE process)
{
    WaitForSingleObject(process, INFINITE);
    DWORD status = 0;
    const BOOL known = GetExitCodeProcess(process, &status);
    CloseHandle(process);
    return known ? static_cast<int>(status) : -1;
}

}  // namespace

std::string ProgramPath(const std::filesystem::path& path)
{
    return std::filesystem::absolute(path).make_preferred().string();
}

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, const std::filesystem::path& workingDirectory,
                           const std::string& program)
{
    std::string commandLine = std::filesystem::path(program).filename().string();
    for (const std::string& word : arguments)
        commandLine += " " + QuoteWord(word);
    process_ = reinterpret_cast<std::intptr_t>(
        StartProcess(program, commandLine, workingDirectory, outputDirectory_.Path("stdout")));
    ended_ = process_ == 0;
}

ChildResult ChildProcess::Wait()
{
    ChildResult result;
    if (!ended_)
        result.status = WaitForExit(reinterpret_cast<HANDLE>(process_));
    ended_ = true;
    result.output = ReadFileBytes(outputDirectory_.Native("stdout"));
    return result;
}

void ChildProcess::Kill()
{
    if (!ended_)
        TerminateProcess(reinterpret_cast<HANDLE>(process_), 9);
    Wait();
}

ChildProcess::~ChildProcess()
{
    if (!ended_)
        Kill();
}

ChildResult RunWithCommandLine(const std::string& commandLine, const std::filesystem::path& workingDirectory,
                               const std::string& program, unsigned timeoutMilliseconds)
{
    ScratchDirectory outputDirectory;
    ChildResult result;
    const HANDLE process = StartProcess(program, commandLine, workingDirectory, outputDirectory.Path("stdout"));
    if (process != nullptr) {
        result.timedOut = WaitForSingleObject(process, timeoutMilliseconds) == WAIT_TIMEOUT;
        if (result.timedOut)
            TerminateProcess(process, 9);
        result.status = WaitForExit(process);
    }
    result.output = ReadFileBytes(outputDirectory.Native("stdout"));
    return result;
}

ChildResult RunSorvane(const std::vector<std::string>& arguments, const std::filesystem::path& workingDirectory)
{
    return ChildProcess(arguments, workingDirectory).Wait();
}

}  // namespace test

namespace test {

void UsePrivateRegistry(const std::filesystem::path&) {}

}  // namespace test

namespace test {

void SetEnvironment(const std::string& name, const std::string& value)
{
    SetEnvironmentVariableA(name.c_str(), value.c_str());
}

bool MakeSymbolicLink(const std::filesystem::path& target, const std::filesystem::path& link)
{
    // Wine's CreateSymbolicLink does nothing; its own ln does, on the Unix side.
    using UnixName = char*(CDECL*)(const WCHAR*);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName == nullptr)
        return false;
    char* unixTarget = unixName(std::filesystem::absolute(target).wstring().c_str());
    char* unixLink = unixName(std::filesystem::absolute(link).wstring().c_str());
    std::string line = std::string("ln -s ") + unixTarget + " " + unixLink;
    HeapFree(GetProcessHeap(), 0, unixTarget);
    HeapFree(GetProcessHeap(), 0, unixLink);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA("Z:\\bin\\ln", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    // Wine cannot wait for a Unix process: look for its work instead.
    for (int i = 0; i < 500 && !std::filesystem::exists(link); ++i)
        Sleep(10);
    return std::filesystem::exists(link);
}

std::filesystem::path PrivateDriveRoot()
{
    // Drive C: of the build's own Wine prefix.
    return std::filesystem::temp_directory_path().root_path();
}

}  // namespace test
