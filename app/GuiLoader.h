#pragma once

// Loads the module that holds everything of the program that needs Qt (see
// gui/GuiModule.h) and runs the window (command "") or that command in it.
// argc and argv are the program's own. When the module cannot be found or
// loaded, says so on standard error and returns 1.
int RunInGuiModule(const char* command, int argc, char** argv);
