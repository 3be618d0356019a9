// Where the window and its components sit, in pixels. Every view places its widgets by these.
#pragma once

namespace hxf::layout {

struct Bounds {
  int left;
  int top;
  int width;
  int height;
};

// The window's outer bounds, frame included, and its components' bounds inside it.
inline constexpr Bounds kWindow{256, 113, 333, 550};
inline constexpr Bounds kButton1{16, 5, 97, 25};
inline constexpr Bounds kButton2{120, 5, 97, 25};
inline constexpr Bounds kMemo1{16, 32, 297, 409};
inline constexpr Bounds kMemo2{16, 448, 297, 57};
// Right of Button2, level with it, ending where the log ends.
inline constexpr Bounds kProgress{224, 9, 89, 17};

inline constexpr const char* kFontFamily = "MS Sans Serif";
inline constexpr int kFontPoints = 8;

// A job's message box is at least this wide, so that a path in it does not wrap at every folder.
inline constexpr int kMessageBoxMinWidth = 420;
// Each message box opened while others stand is moved this far right and down from the last one,
// so that boxes never hide one another exactly.
inline constexpr int kMessageBoxCascade = 24;

}  // namespace hxf::layout
