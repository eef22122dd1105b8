// sorvane-msi.dll: the Windows Installer custom action of the kit. It runs
// sorvane.exe without a console window, sends each line the program prints
// to the installation log, and passes on its result: exit status 0 passes,
// anything else fails the action. Its entry, RunSorvane, takes the whole
// command line from CustomActionData, as a deferred or rollback action gets
// it (Sorvane.wxi sets it). The action runs as the system, so it names the
// user who started the installation, whose IDEs the program serves, in
// SORVANE_USER_SID. Starts on Windows 2000 SP4 and later.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <string>

namespace {

void Log(MSIHANDLE install, const std::string& line)
{
    const MSIHANDLE record = MsiCreateRecord(1);
    MsiRecordSetStringA(record, 0, line.c_str());
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
    MsiCloseHandle(record);
}

// One of the properties that a deferred action can read; empty when unset.
std::string Property(MSIHANDLE install, const char* name)
{
    char empty[1] = "";
    DWORD size = 0;
    if (MsiGetPropertyA(install, name, empty, &size) != ERROR_MORE_DATA)
        return std::string();
    std::string value(++size, '\0');
    if (MsiGetPropertyA(install, name, &value[0], &size) != ERROR_SUCCESS)
        return std::string();
    value.resize(size);
    return value;
}

// Sends each complete line of `pending` to the log, CR LF or LF ended.
void LogLines(MSIHANDLE install, std::string& pending)
{
    for (std::size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
        Log(install, pending.substr(0, end > 0 && pending[end - 1] == '\r' ? end - 1 : end));
        pending.erase(0, end + 1);
    }
}

}  // namespace

extern "C" __declspec(dllexport) UINT __stdcall RunSorvane(MSIHANDLE install)
{
    std::string commandLine = Property(install, "CustomActionData");
    const std::string user = Property(install, "UserSID");
    SetEnvironmentVariableA("SORVANE_USER_SID", user.empty() ? nullptr : user.c_str());
    Log(install, "sorvane-msi: for the user " + (user.empty() ? std::string("running the installation") : user));
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE output = nullptr;
    HANDLE childOutput = nullptr;
    if (commandLine.empty() || !CreatePipe(&output, &childOutput, &inheritable, 0)) {
        Log(install, "sorvane-msi: no command line, or no pipe for its output");
        return ERROR_INSTALL_FAILURE;
    }
    SetHandleInformation(output, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = childOutput;
    startup.hStdError = childOutput;
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(childOutput);
    if (!started) {
        CloseHandle(output);
        Log(install, "sorvane-msi: cannot start " + commandLine);
        return ERROR_INSTALL_FAILURE;
    }
    std::string pending;
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(output, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        pending.append(buffer, got);
        LogLines(install, pending);
    }
    if (!pending.empty())
        Log(install, pending);
    CloseHandle(output);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status == 0 ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}
