// The game from start-up to exit: window, context, World, loop, teardown.
#pragma once

namespace shell {

// Returns the process exit status.
int runGame();

}  // namespace shell
