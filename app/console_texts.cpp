#include "app/console_texts.h"

#include "platform/console.h"

namespace {

const char* const kBanner[] = {
    "Pelmor Sorvane utility",
    "This utility registers Delphi files in Delphi environment system",
    "Used only for Delphi 5, 6, 7 and C++ Builder 6",
    "",
};

// Descriptions begin in column 23. Lines 7, 8, 9 and 22 end in a blank,
// as they always have.
const char* const kUsage[] = {
    "Usage:",
    "SORVANE helpfilename /D:delphiversion /I \"title\"",
    "SORVANE helpfilename /D:delphiversion /U \"title\"",
    "",
    "  helpfilename        Specifies the name of help file, with hlp extension",
    "                      The utility tries to retrieve the extensions automatically",
    "                      Files needed: .cnt and .hlp. ",
    "                      Delphi 6/7: requires .als file. ",
    "                      Delphi 5/BCB 6: requires .hpg file. ",
    "",
    "  /D:delphiversion    Specifies the Delphi version to be installed.",
    "                      4: C++ Builder 6",
    "                      5: Delphi 5",
    "                      6: Delphi 6",
    "                      7: Delphi 7",
    "  /I                  Installs the help file.",
    "  /U                  Uninstalls the help file.",
    "  \"title\"             Title for the help file.",
    "",
    "Example:",
    "  SORVANE C:\\myfolder\\myhelp.hlp /D7 \"My Help Reference\"",
    "  installs myhelp.hlp files in Delphi 7. ",
    "  myhelp.cnt and myhelp.als files must be present in folder.",
    "",
};

template <std::size_t N>
void ShowLines(Console& console, const char* const (&lines)[N])
{
    for (const char* line : lines)
        console.WriteLine(line);
}

}  // namespace

void ShowBanner(Console& console)
{
    ShowLines(console, kBanner);
}

void ShowUsage(Console& console)
{
    ShowLines(console, kUsage);
}
