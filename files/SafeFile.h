#pragma once

// The one way the program reads and writes its files: the settings file, the
// face cache, the kept texts and the pictures all go through here, so that a
// fix reaches all of them. Plain POSIX, no Qt. One header for all of it; each
// part has its own.
#include "FileResult.h"
#include "Folders.h"
#include "Locks.h"
#include "Outputs.h"
#include "Replace.h"
#include "Stamps.h"
#include "Temporaries.h"
#include "WholeFile.h"
#include "Writes.h"
