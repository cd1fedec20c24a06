#pragma once

// Asks the update server for its version file; runs on its own thread.
void CheckForUpdates();
