#include "shell/game_app.h"

int main() { return shell::runGame(); }
