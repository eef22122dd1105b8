#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>

#include "platform/registry.h"
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
    const std::string directory = ProgramPath(workingDirectory);
    const std::string name = program.front() == '/' ? WindowsProgram(program) : program;
    // With many processes starting at once, 64-bit Wine now and then fails
    // to start one (its run then shows status -1 and no output), which
    // starts at the next try: the runs under test are the program's, not
    // Wine's.
    BOOL started = FALSE;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        std::string line = commandLine;  // CreateProcessA may write into it
        started = CreateProcessA(name.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, directory.c_str(),
                                 &startup, &process);
    }
    CloseHandle(output);
    if (!started)
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// The Unix path that Wine gives a path.
std::string UnixPath(const std::filesystem::path& path)
{
    using UnixName = char*(CDECL*)(const WCHAR*);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName != nullptr ? unixName(std::filesystem::absolute(path).wstring().c_str()) : nullptr;
    const std::string result = name != nullptr ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Runs a Unix shell command and answers its exit status. Wine cannot wait
// for a Unix process: the command leaves its status in a file, which is
// watched for.
int RunUnixCommand(const std::string& command)
{
    ScratchDirectory statusDirectory;
    const std::filesystem::path statusFile = statusDirectory.Native("status");
    std::string line = "sh -c \"" + command + "; echo $? > '" + UnixPath(statusDirectory.Native()) + "/status'\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA("Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return -1;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    for (int i = 0; i < 6000; ++i) {
        std::error_code error;
        if (std::filesystem::file_size(statusFile, error) > 0 && !error)
            return std::stoi(ReadFileBytes(statusFile));
        Sleep(10);
    }
    return -1;
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

std::vector<std::string> TraceSaves(const std::vector<std::string>& arguments,
                                    const std::filesystem::path& workingDirectory, int& status)
{
    // Wine writes a process's trace to the Unix standard error it inherits,
    // which a Windows parent cannot redirect: a Unix shell starts the run.
    const char* const debugKey = "Software\\Wine\\Debug";
    RegistryAccessor registry;
    registry.WriteRegString(debugKey, "RelayInclude",
                            "KERNEL32.CreateFileA;KERNEL32.WriteFile;KERNEL32.FlushFileBuffers;KERNEL32.MoveFileExA;"
                            "ntdll.NtSetInformationFile");
    ScratchDirectory traceDirectory;
    test::WriteFileBytes(traceDirectory.Native("trace"), "");
    const std::string loader = SORVANE_WINE;
    std::string command = "cd '" + UnixPath(workingDirectory) + "' && WINEDEBUG=+relay,+file " +
                          (loader.find('/') != std::string::npos ? "WINELOADER=" + loader + " " : "") + loader + " '" +
                          SORVANE_EXE + "'";
    for (const std::string& word : arguments)
        command += " '" + word + "'";
    status = RunUnixCommand(command + " > /dev/null 2> '" + UnixPath(traceDirectory.Native("trace")) + "'");
    registry.DeleteRegValue(debugKey, "RelayInclude");

    const auto name = [](const std::string& path) { return path.substr(path.find_last_of('\\') + 1); };
    // A handle as the trace prints it: 8 hex digits, or 16 in a 64-bit process.
    const auto handle = [](const std::string& line, std::size_t at) {
        return line.substr(at, line.find_first_not_of("0123456789abcdefABCDEF", at) - at);
    };
    std::map<std::string, std::string> opened;  // handle: path
    std::map<std::string, std::string> renamed;  // handle: the name it now has
    std::string creating;
    // A file created by its name relative to a folder's handle: the trace
    // tells the name, and the next write is to its handle.
    std::string createdWithin;
    std::vector<std::string> events;
    std::istringstream trace(ReadFileBytes(traceDirectory.Native("trace")));
    for (std::string line; std::getline(trace, line);) {
        std::size_t at = 0;
        const std::size_t call = line.find(":Call KERNEL32.");
        const std::size_t ret = line.find(":Ret  KERNEL32.CreateFileA() retval=");
        const std::size_t rename = line.find(":Call ntdll.NtSetInformationFile(");
        if (line.find("trace:file:NtCreateFile ") != std::string::npos && line.find(" root=(nil)") == std::string::npos &&
            line.find(" disp=2 ") != std::string::npos) {
            createdWithin = line.substr(line.find("name=L\"") + 7);
            createdWithin = createdWithin.substr(0, createdWithin.find('"'));
        } else if (rename != std::string::npos && line.find(",0000000a)") != std::string::npos) {
            const std::string file = handle(line, rename + 33);
            std::string target = name(opened[file]);
            target = target.substr(0, target.rfind(".svtmp"));
            renamed[file] = target;
            events.push_back("replace " + target);
        }
        if (ret != std::string::npos) {
            opened[handle(line, ret + 36)] = creating;
        } else if (call == std::string::npos) {
            continue;
        } else if (line.compare(call + 15, 12, "CreateFileA(") == 0) {
            creating = QuotedText(line, at);
        } else if (line.compare(call + 15, 10, "WriteFile(") == 0) {
            if (!createdWithin.empty())
                opened[handle(line, call + 25)] = createdWithin;
            createdWithin.clear();
        } else if (line.compare(call + 15, 17, "FlushFileBuffers(") == 0) {
            const std::string file = handle(line, call + 32);
            if (renamed.count(file) != 0)
                events.push_back("durable " + renamed[file]);
            else
                events.push_back("flush " + name(opened[file]));
        } else if (line.compare(call + 15, 12, "MoveFileExA(") == 0) {
            QuotedText(line, at);
            const std::string target = QuotedText(line, at);
            const unsigned long long flags = std::stoull(handle(line, line.find(',', at) + 1), nullptr, 16);
            events.push_back("replace " + name(target));
            if ((flags & MOVEFILE_WRITE_THROUGH) != 0)
                events.push_back("durable " + name(target));
        }
    }
    return events;
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

void RecordProfile(const std::string& sid, const std::filesystem::path& folder)
{
    const std::string key = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sid;
    const std::wstring value = std::filesystem::absolute(folder).make_preferred().wstring();
    HKEY profile = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, std::wstring(key.begin(), key.end()).c_str(), 0, nullptr, 0,
                              KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &profile, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(profile, L"ProfileImagePath", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(profile);
}

namespace {

// Wine shows a Unix link as the file it leads to: the links the tests made
// are known by their Unix paths.
std::vector<std::string> madeLinks;

}  // namespace

bool MakeSymbolicLink(const std::filesystem::path& target, const std::filesystem::path& link)
{
    // Wine's CreateSymbolicLink does nothing; its own ln does, on the Unix side.
    const std::string unixLink = UnixPath(link);
    if (RunUnixCommand("ln -s '" + UnixPath(target) + "' '" + unixLink + "'") != 0)
        return false;
    madeLinks.push_back(unixLink);
    return true;
}

void RemoveSymbolicLinks(const std::filesystem::path& path)
{
    const std::string below = UnixPath(path);
    const auto isBelow = [&](const std::string& link) { return (link + "/").rfind(below + "/", 0) == 0; };
    const auto removed = std::remove_if(madeLinks.begin(), madeLinks.end(), isBelow);
    // Only what is a link still: a run may have put a file in its place.
    if (removed != madeLinks.end())
        RunUnixCommand("find '" + below + "' -type l -delete 2>/dev/null");
    madeLinks.erase(removed, madeLinks.end());
}

std::string OtherSpelling(const std::filesystem::path& folder)
{
    // Wine makes up short names for long ones, and finds files by them.
    char shortPath[MAX_PATH];
    const DWORD length = GetShortPathNameA(ProgramPath(folder).c_str(), shortPath, sizeof shortPath);
    return length > 0 && length < sizeof shortPath ? std::string(shortPath, length) : ProgramPath(folder);
}

// Wine sets Program Files for every process it starts; the test process's
// own LOCALAPPDATA is Windows' word on the folder that the program works out
// from the user's settings.
std::filesystem::path ProgramFilesFolder(const ScratchDirectory&)
{
    return std::filesystem::path(std::getenv("ProgramFiles"));
}

std::filesystem::path LocalAppDataFolder(const ScratchDirectory&)
{
    return std::filesystem::path(std::getenv("LOCALAPPDATA"));
}

std::filesystem::path PrivateDriveRoot()
{
    // Drive C: of the build's own Wine prefix.
    return std::filesystem::temp_directory_path().root_path();
}

bool HoldLikeAScanner(const std::string& path, const std::string& ready, int milliseconds)
{
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    WriteFileBytes(ready, "held");
    Sleep(static_cast<DWORD>(milliseconds));
    return CloseHandle(file) != 0;
}

}  // namespace test
