#pragma once

// Starts reading the pictures on a thread of their own; called before the
// window opens, so that the two overlap. startUp waits for them.
void startLoading();
// Seeds the random numbers, makes the fonts, loads every asset in its fixed
// order, prepares a new game and opens on the menu. Runs once, on Create.
void startUp();
// Waits for what startLoading began (a start that ends before startUp must
// not leave the reading thread running while the program's objects go).
void finishLoading();
// Connects the game's sounds, rumble, problems, cursor and recording to the
// program around it.
void connectGameToProgram();
