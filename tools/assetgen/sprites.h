// The game's pictures. Figures face the top of the picture (local +y); local
// coordinates run from -1 to 1 across each frame.
#pragma once

#include "canvas.h"

// Frame drawers, also used by the title picture and the icon.
void drawMarine(Canvas& cv, double phase);
void drawZombie(Canvas& cv, double phase);
void drawMind(Canvas& cv, double phase);
void drawTooth(Canvas& cv, double phase);
void drawZombieDead(Canvas& cv, double phase);
void drawMindDead(Canvas& cv, double phase);
void drawToothDead(Canvas& cv, double phase);
void drawMarineDead(Canvas& cv, double phase);
void drawBlood(Canvas& cv, double phase);
void drawScorch(Canvas& cv, double phase);
void drawCell(Canvas& cv, double phase);
void drawBlastFrame(Canvas& cv, double phase);

Image8 makeMarine();
Image8 makeMarineBlur();
Image8 makeMarineDead();
Image8 makeZombie();
Image8 makeMind();
Image8 makeTooth();
Image8 makeZombieDead();
Image8 makeMindDead();
Image8 makeToothDead();
Image8 makeExplosion();
Image8 makeBlood();
Image8 makeSpotExplosion();
Image8 makeBonus();
Image8 makeCell();
Image8 makeLogo();
