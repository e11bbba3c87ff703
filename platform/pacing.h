// Keeping the frame rate at the display's refresh rate when the buffer swap
// does not wait for the display (no vertical sync: virtual X servers, many
// virtual machines, some drivers). Pure bookkeeping over times handed in, so
// it can be driven by a scripted clock.
#pragma once

namespace platform {

struct FramePacer {
    static constexpr int historySize = 9;

    // How long the last swaps took, oldest overwritten first.
    double waits[historySize] = {};
    int count = 0;
    int next = 0;
    // When the next frame is due; negative until the first swap.
    double deadline = -1.0;

    // The swap began at `start` and returned at `end` (milliseconds on one
    // steady clock) on a display that refreshes every `periodMs`. Returns how
    // many milliseconds to wait before the next frame: none when the swap
    // itself waits for the display or the frame is already late, otherwise
    // up to the next refresh deadline.
    double afterSwap(double start, double end, double periodMs);
    // The recent swaps waited for the display (median of a quarter period or
    // more); meaningful once a few swaps have been seen.
    bool swapWaits(double periodMs) const;
};

// The refresh period for a refresh rate in hertz; an unknown (0) or absurd
// rate counts as 60 Hz.
double refreshPeriodMs(int refreshHz);

} // namespace platform
