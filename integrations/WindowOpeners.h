#pragma once

#include "ui/WindowOpeners.h"

// The program's own: the main window opens the windows start-up made (the managers) or
// the ones kept for the whole run (Options, print progress, Add Favorite).
TWindowOpeners ProgramWindowOpeners();
