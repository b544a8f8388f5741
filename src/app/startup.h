// The start-up sequence, run by the main window's creation handler.
#pragma once

class MainWindow;

// Runs the sequence on the window thread. When the credential list cannot be
// loaded it reports that and ends the process (exit code 0) with the main
// window still hidden; the remaining steps then do not run.
void runStartupSequence(MainWindow& window);
