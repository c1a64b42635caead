#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "FontsCommand.h"
#include "GuiLoader.h"
#include "SafeFile.h"

// The executable links no Qt: `vorn fonts` and the usage start as fast as a
// plain program. The window and the commands that draw live in a module that
// is loaded only for them (app/GuiLoader.h, gui/GuiModule.cpp).

namespace {

// The commands that run in the window's module; it dispatches them in
// VornGuiMain (gui/GuiModule.cpp).
constexpr std::string_view GuiCommands[] = {"render", "layout"};

void PrintUsage(std::ostream& out)
{
    out << "usage: vorn                       open the window\n"
           "       vorn fonts [--no-cache] [--all | --coverage NAME]\n"
           "       vorn render [--face NAME] [--size WxH] [--cursor N] [--text TEXT | --keys KEYS]\n"
           "                   [--scale S] [--no-mark] [--crop] -o FILE.png|FILE.svg\n"
           "       vorn layout [--face NAME] [--scale S] -o FILE.png|FILE.svg\n";
}

void PrintExitStatus(std::ostream& out)
{
    out << "\n"
           "Each command takes --help for its own usage. Exit status: 0 on success, also\n"
           "when a face that is not installed is drawn with a substitute (a warning says\n"
           "which); 1 when a picture cannot be made or written (or --cursor lies outside\n"
           "the text), the face given to --coverage is not in the catalogue, or standard\n"
           "output cannot be written; 2 for a malformed command line. The window needs a\n"
           "graphical session and exits with 1 without one. See vorn(1).\n";
}

int RunCommand(int argc, char** argv)
{
    if (argc < 2)
        return RunInGuiModule("", argc, argv);

    const std::string command = argv[1];
    const std::vector<std::string> rest(argv + 2, argv + argc);
    if (command == "fonts")
        return RunFontsCommand(rest, std::cout, std::cerr);
    for (const std::string_view guiCommand : GuiCommands)
        if (command == guiCommand)
            return RunInGuiModule(argv[1], argc, argv);
    const bool known = command == "--help" || command == "-h" || command == "--version";
    if (known && rest.empty()) {
        if (command == "--version") {
            std::cout << "vorn " VORN_VERSION "\n";
        } else {
            PrintUsage(std::cout);
            PrintExitStatus(std::cout);
        }
        return 0;
    }
    // The window takes no arguments, Qt's own options included: anything else
    // is a mistake, and opening the window would hide it.
    if (known)
        std::cerr << "vorn: " << command << " takes no arguments\n";
    else if (command.starts_with('-'))
        std::cerr << "vorn: unknown option \"" << command << "\"\n";
    else
        std::cerr << "vorn: unknown command \"" << command << "\"\n";
    PrintUsage(std::cerr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    const int status = RunCommand(argc, argv);
    // Output that sat in a buffer meets a full disk or a closed pipe only
    // now; a list cut short must not be reported as done.
    if (const FileResult flushed = FlushStandardOutput(); !flushed) {
        std::cerr << "vorn: cannot write to standard output: " << flushed.error << "\n";
        return status != 0 ? status : 1;
    }
    return status;
}
