#pragma once

namespace qor {

class TForm1;

// Start-up step 5: the main window's creation, which runs the sign-in. Runs
// it as any user action runs: an error ends it and reaches the default error
// display, and start-up goes on. True when the main window is to be shown
// and the message loop run.
bool runMainWindowCreation(TForm1 &mainWindow);

} // namespace qor
