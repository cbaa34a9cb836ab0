// Fixed sizes and timings of the real window backend: its one pinned font, the
// control metrics the platform's controls have, and the event loop's wait.
#pragma once

namespace gwr::platform::tunables {

// One font everywhere, so that screenshots are the same on every machine.
constexpr int textFontSizePixels = 13;
constexpr int controlFontSizePixels = 12;
// The platform's control metrics, in pixels: where each kind sits against the
// row's y and how tall it is.
constexpr int checkBoxPixels = 12;
constexpr int checkBoxDownPixels = 2;
constexpr int checkSquarePixels = 10;  // the square inside the box
constexpr int dropDownUpPixels = 5;
constexpr int dropDownHeightPixels = 21;
constexpr int pushButtonHeightPixels = 20;
constexpr int editBoxHeightPixels = 16;
// Longest sleep of one event-loop pass when nothing happens.
constexpr double loopWaitSeconds = 0.25;
// A display that has just come up may not answer yet: how long it is asked
// again, and how often, before the program goes on without a window.
constexpr int displayWaitMilliseconds = 10000;
constexpr int displayRetryMilliseconds = 100;
// A window manager frames a new window within moments; until it says how tall
// its title bar is, one of a common desktop's size is taken.
constexpr int frameWaitMilliseconds = 500;
constexpr int assumedTitleBarPixels = 32;

} // namespace gwr::platform::tunables
