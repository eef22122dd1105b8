#pragma once

// The redirection guard over a call a test can replace.

#include <windows.h>

// SetProcessMitigationPolicy, which Windows has from 8 on, found at run time
// so that the program still starts on Windows 2000.
using SetMitigationFunction = BOOL(WINAPI*)(int policy, void* buffer, SIZE_T size);

// ProcessRedirectionTrustPolicy with EnforceRedirectionTrust set; true when
// the system took it.
bool EnableRedirectionGuard(SetMitigationFunction setMitigation);
