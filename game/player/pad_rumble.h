// The pad's rumble: short and light when the Marine is hurt, longer when he
// falls, still while the menu shows. Output only; the world never reads it.
#pragma once

// Called once a frame, after the world has moved.
void updatePadRumble();
