#include "platform/text.h"

#include <windows.h>

bool TextsEqualIgnoreCase(std::string_view first, std::string_view second)
{
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, first.data(), static_cast<int>(first.size()),
                          second.data(), static_cast<int>(second.size())) == CSTR_EQUAL;
}
