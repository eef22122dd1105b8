#pragma once

#include <initializer_list>
#include <string>

// Fills each "%s" of a template, left to right, with the next text,
// unchanged: a "%" inside a filled-in text is never interpreted.
std::string FillTemplate(const std::string& pattern, std::initializer_list<std::string> texts);
