#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// Fills each "%s" of a template, left to right, with the next text,
// unchanged: a "%" inside a filled-in text is never interpreted.
std::string FillTemplate(const std::string& pattern, std::initializer_list<std::string> texts);

// True when the two lines are equal to the user's locale, ignoring case,
// over the full length of both.
bool TextsEqualIgnoreCase(std::string_view first, std::string_view second);
