#pragma once

// Title picture, the three items with hover, the cursor, credits, footer.
void drawMenu();
