#pragma once

class Console;

// The banner that opens every run.
void ShowBanner(Console& console);

// The usage text, for a command line without exactly four arguments.
void ShowUsage(Console& console);
