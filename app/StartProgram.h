#pragma once

#include <QString>

class TForm1;

// Program entry steps 1-3: the application title, the main window, the register windows.
// Returns nullptr after showing the engine's message when the store cannot be opened.
TForm1* StartProgram(const QString& programDir);
