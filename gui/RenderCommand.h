#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// `vorn render [--face NAME] [--size WxH] [--cursor N] [--text TEXT | --keys KEYS]
//              [--scale S] [--no-mark] [--crop] -o FILE.png|FILE.svg`:
// draws Image1's bitmap as the window would for a ScrollBox1 client size of
// W x H (default 476 x 268) and writes it as PNG, or as SVG when the name ends
// in ".svg" (any case). args are the arguments after "render". --text is UTF-8
// with the insertion point after it; --keys is a key sequence by virtual-key
// names run through the keystroke handling from an empty text (Caps Lock
// off); --cursor moves the insertion point afterwards. --scale S (a number of
// 1 or more, default 1) draws for a screen with S device pixels to a pixel;
// --no-mark leaves the insertion mark out, and its room with it; --crop writes
// the picture of the text instead (PictureOfText: the whole text at width W,
// no mark, cropped, the text in it).
// Returns the exit status: 0, 1 when the picture cannot be made or written,
// 2 for a malformed command line; messages go to err.
int RunRenderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
