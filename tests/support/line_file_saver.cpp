// line_file_saver PATH: adds and removes one entry of a line file, over and
// over, until it is killed. The crash tests kill it at random moments.
#include "registration/line_file.h"

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    for (bool remove = false;; remove = !remove)
        EditLineFile(argv[1], ":LINK crash-test.hlp", remove);
}
