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

}  // namespace

std::string ProgramPath(const std::filesystem::path& path)
{
    return std::filesystem::absolute(path).make_preferred().string();
}

std::string SorvaneExecutable()
{
    // The build names it by its Unix path; Wine shows the Unix root as Z:.
    std::string path = std::string("Z:") + SORVANE_EXE;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

ChildResult RunWithCommandLine(const std::string& commandLine, const std::filesystem::path& workingDirectory)
{
    ScratchDirectory outputDirectory;
    const std::string outputFile = outputDirectory.Path("stdout");
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE output = CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ChildResult result;
    if (output == INVALID_HANDLE_VALUE)
        return result;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process{};
    std::string line = commandLine;  // CreateProcessA may write into it
    const std::string directory = ProgramPath(workingDirectory);
    const std::string program = SorvaneExecutable();
    if (CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, directory.c_str(), &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD status = 0;
        if (GetExitCodeProcess(process.hProcess, &status))
            result.status = static_cast<int>(status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(output);
    result.output = ReadFileBytes(outputDirectory.Native("stdout"));
    return result;
}

ChildResult RunSorvane(const std::vector<std::string>& arguments, const std::filesystem::path& workingDirectory)
{
    std::string commandLine = "sorvane.exe";
    for (const std::string& word : arguments)
        commandLine += " " + QuoteWord(word);
    return RunWithCommandLine(commandLine, workingDirectory);
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

std::filesystem::path PrivateDriveRoot()
{
    // Drive C: of the build's own Wine prefix.
    return std::filesystem::temp_directory_path().root_path();
}

}  // namespace test
