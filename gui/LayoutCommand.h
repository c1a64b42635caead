#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// `vorn layout [--face NAME] [--scale S] -o FILE.png|FILE.svg`: writes the
// keyboard chart, as the window shows it for a US keyboard, as PNG or as SVG
// when the name ends in ".svg" (any case). args are the arguments after
// "layout"; --face and --scale are those of `vorn render`. Returns the exit
// status as `vorn render` does: 0, 1 when the picture cannot be made or
// written, 2 for a malformed command line; messages go to err.
int RunLayoutCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
