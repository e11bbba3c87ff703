// Where the game's picture sits inside a window of another size: scaled to
// fit with its shape kept, centred, bars on the sides that are left over.
// Pure arithmetic, so every odd size can be tried without a window.
#pragma once

#include <cstdint>

namespace platform {

// A rectangle in window pixels, (0, 0) at the top-left corner.
struct PictureRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

namespace detail {
// Division that rounds towards minus infinity, for points left of or above
// the picture.
inline int64_t floorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}
inline int64_t ceilDiv(int64_t a, int64_t b) {
    return -floorDiv(-a, b);
}
inline int clampToInt(int64_t v) {
    constexpr int64_t lo = -(int64_t{1} << 30);
    constexpr int64_t hi = int64_t{1} << 30;
    return static_cast<int>(v < lo ? lo : (v > hi ? hi : v));
}
} // namespace detail

// The largest rectangle of the picture's shape that fits the window, centred.
// An empty window (minimised, not yet shown) gives an empty rectangle; any
// other window gets at least one pixel of picture.
inline PictureRect letterbox(int pictureW, int pictureH, int windowW, int windowH) {
    PictureRect r;
    if (windowW <= 0 || windowH <= 0) return r;
    int64_t pw = pictureW > 0 ? pictureW : 1;
    int64_t ph = pictureH > 0 ? pictureH : 1;
    int64_t ww = windowW;
    int64_t wh = windowH;
    int64_t w = 0;
    int64_t h = 0;
    if (ww * ph <= wh * pw) {
        // Narrower than the picture: full width, bars above and below.
        w = ww;
        h = (ww * ph * 2 + pw) / (pw * 2);
    } else {
        h = wh;
        w = (wh * pw * 2 + ph) / (ph * 2);
    }
    if (w < 1) w = 1;
    if (h < 1) h = 1;
    if (w > ww) w = ww;
    if (h > wh) h = wh;
    r.w = static_cast<int>(w);
    r.h = static_cast<int>(h);
    r.x = static_cast<int>((ww - w) / 2);
    r.y = static_cast<int>((wh - h) / 2);
    return r;
}

// The sharp choice: the largest whole-number scale that fits, centred; a
// window smaller than the picture gets the fitted rectangle.
inline PictureRect wholeNumberBox(int pictureW, int pictureH, int windowW, int windowH) {
    if (pictureW <= 0 || pictureH <= 0 || windowW < pictureW || windowH < pictureH)
        return letterbox(pictureW, pictureH, windowW, windowH);
    int scale = windowW / pictureW < windowH / pictureH ? windowW / pictureW : windowH / pictureH;
    PictureRect r;
    r.w = pictureW * scale;
    r.h = pictureH * scale;
    r.x = (windowW - r.w) / 2;
    r.y = (windowH - r.h) / 2;
    return r;
}

// True when the picture is shown at a whole-number scale (1x, 2x, ...): then
// nearest-pixel sampling keeps it sharp.
inline bool wholeScale(const PictureRect& r, int pictureW, int pictureH) {
    if (pictureW <= 0 || pictureH <= 0 || r.w < pictureW || r.h < pictureH) return false;
    return r.w % pictureW == 0 && r.h % pictureH == 0 && r.w / pictureW == r.h / pictureH;
}

// A window pixel to the picture pixel under it. Points outside the picture
// (on the bars or off the window) continue the same scale outwards.
inline void windowToPicture(const PictureRect& r, int pictureW, int pictureH, int wx, int wy,
                            int& px, int& py) {
    if (r.w <= 0 || r.h <= 0) {
        px = wx;
        py = wy;
        return;
    }
    px = detail::clampToInt(detail::floorDiv((int64_t{wx} - r.x) * pictureW, r.w));
    py = detail::clampToInt(detail::floorDiv((int64_t{wy} - r.y) * pictureH, r.h));
}

// A picture pixel to the first window pixel that shows it (at scales of one
// or more, windowToPicture takes it back to the same picture pixel).
inline void pictureToWindow(const PictureRect& r, int pictureW, int pictureH, int px, int py,
                            int& wx, int& wy) {
    if (r.w <= 0 || r.h <= 0 || pictureW <= 0 || pictureH <= 0) {
        wx = px;
        wy = py;
        return;
    }
    int64_t dx = detail::ceilDiv(int64_t{px} * r.w, pictureW);
    int64_t dy = detail::ceilDiv(int64_t{py} * r.h, pictureH);
    // Shrunk pictures: a pixel of the picture stays inside it.
    if (px >= 0 && px < pictureW && dx >= r.w) dx = r.w - 1;
    if (py >= 0 && py < pictureH && dy >= r.h) dy = r.h - 1;
    wx = detail::clampToInt(r.x + dx);
    wy = detail::clampToInt(r.y + dy);
}

// Where the picture goes: the whole-number box when sharp, else fitted.
inline PictureRect placePicture(bool smooth, int pictureW, int pictureH, int windowW, int windowH) {
    return smooth ? letterbox(pictureW, pictureH, windowW, windowH)
                  : wholeNumberBox(pictureW, pictureH, windowW, windowH);
}

} // namespace platform
