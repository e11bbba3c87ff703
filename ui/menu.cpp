#include "ui/menu.h"
// Placeholder until the menu lands.
void drawMenu() {}
