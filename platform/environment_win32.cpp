#include "platform/environment.h"

#include <windows.h>

#include <vector>

std::string EnvironmentVariable(const std::string& name)
{
    // A value may grow between the two calls: ask again with the new size.
    std::vector<char> value(MAX_PATH);
    for (;;) {
        SetLastError(NO_ERROR);
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
