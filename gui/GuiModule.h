#pragma once

// The contract between the `vorn` executable, which links no Qt, and the
// module that holds everything that needs Qt. The executable loads the module
// (vorn-gui.so) only for the window and the commands that draw, finds the one
// function below by its name and hands it the whole command line.

// The module's file name, beside the executable in the build tree and in
// ${CMAKE_INSTALL_LIBDIR}/vorn when installed.
inline constexpr const char* GuiModuleFile = "vorn-gui.so";
// The name of the module's entry function.
inline constexpr const char* GuiModuleEntry = "VornGuiMain";

// Runs the window (command "") or the command that argv[1] names and returns
// the exit status. argc and argv are the program's own.
using GuiModuleMain = int (*)(const char* command, int argc, char** argv);
