#pragma once
// Ends the program cleanly when the system asks it to: SIGTERM (logout, shutdown, a service
// manager, a test that started it) or Ctrl-C in the terminal it was started from. Open dialogs
// are closed and the event loop ends, so the program leaves as when the user closes the main
// window: exit status 0 and the single-instance lock released.

// Call once, right after the application object exists.
void endOnTerminationRequest();
