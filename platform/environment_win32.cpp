#include "platform/environment.h"
#include "platform/environment_win32.h"
#include "platform/file_ops_win32.h"

#include <vector>

std::string EnvironmentVariable(const std::string& name)
{
    // Unset and empty are one; a value too long for the buffer is asked for
    // again with the size it needs.
    std::vector<char> value(MAX_PATH);
    for (;;) {
        const DWORD length = GetEnvironmentVariableA(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (length == 0)
            return std::string();
        if (length < value.size())
            return std::string(value.data(), length);
        value.resize(length);
    }
}

std::string ExpandEnvironmentText(const std::string& text)
{
    std::vector<char> expanded(MAX_PATH);
    for (;;) {
        const DWORD length =
            ExpandEnvironmentStringsA(text.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
        if (length == 0)
            return text;
        // The ANSI call wants a byte more than it counts, and may count more
        // than it writes: the text ends at its NUL.
        if (length < expanded.size())
            return std::string(expanded.data());
        expanded.resize(length + 1);
    }
}

bool EnableRedirectionGuard(SetMitigationFunction setMitigation)
{
    const int kRedirectionTrustPolicy = 16;
    DWORD enforce = 1;  // EnforceRedirectionTrust
    return setMitigation != nullptr && setMitigation(kRedirectionTrustPolicy, &enforce, sizeof enforce) != 0;
}

void EnableRedirectionGuard()
{
    // Older systems refuse the policy, or lack the call: the run's own
    // checks still stand.
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    void* const call = kernel == nullptr ? nullptr
                                         : reinterpret_cast<void*>(GetProcAddress(kernel, "SetProcessMitigationPolicy"));
    EnableRedirectionGuard(reinterpret_cast<SetMitigationFunction>(call));
}

bool RunIsPrivileged()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return true;
    // Vista and later: an elevated token, the system's included.
    const auto kTokenElevation = static_cast<TOKEN_INFORMATION_CLASS>(20);
    DWORD elevated = 0;
    DWORD size = 0;
    const bool told = GetTokenInformation(token, kTokenElevation, &elevated, sizeof elevated, &size) != 0;
    CloseHandle(token);
    if (told)
        return elevated != 0;
    // Windows 2000 and XP: an administrator, or the system, has every right.
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &administrators))
        return true;
    BOOL member = TRUE;
    if (!CheckTokenMembership(nullptr, administrators, &member))
        member = TRUE;
    FreeSid(administrators);
    return member != 0;
}

// Read with the wide calls: a user may be named in any script, whatever
// the machine's ANSI code page.
std::string ProfileFolderOf(const std::string& sid)
{
    const std::string key = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sid;
    const std::wstring wideKey(key.begin(), key.end());  // a well-formed SID is ASCII
    HKEY profile = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, wideKey.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &profile) !=
        ERROR_SUCCESS)
        return std::string();
    DWORD type = 0;
    DWORD size = 0;
    std::vector<wchar_t> value;
    LONG result = RegQueryValueExW(profile, L"ProfileImagePath", nullptr, &type, nullptr, &size);
    if (result == ERROR_SUCCESS) {
        value.assign(size / sizeof(wchar_t) + 1, L'\0');
        result = RegQueryValueExW(profile, L"ProfileImagePath", nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                                  &size);
    }
    RegCloseKey(profile);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::string();
    const DWORD length = ExpandEnvironmentStringsW(value.data(), nullptr, 0);
    std::vector<wchar_t> expanded(length + 1, L'\0');
    if (length == 0 || ExpandEnvironmentStringsW(value.data(), expanded.data(), length) == 0)
        return std::string();
    return AnsiPathOf(std::wstring(expanded.data()));
}
