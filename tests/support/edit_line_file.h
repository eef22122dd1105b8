#pragma once

#include <string>

#include "registration/line_file.h"

namespace test {

// One line file edited as a run edits its four: planned, then saved.
inline void EditLineFile(const std::string& path, const std::string& line, LineEdit kind,
                         FileOps& files = SystemFileOps())
{
    const LineFileEdit edit = PlanLineFileEdit(path, line, kind, files);
    SaveLineFileEdits({&edit});
}

}  // namespace test
