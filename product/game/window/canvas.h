// The back buffer the window draws into: a 24-bit top-down DIB section whose
// pixels we copy tiles into directly, with GDI text on top.
#ifndef MURKLE_CANVAS_H
#define MURKLE_CANVAS_H

#include <windows.h>

#include <cstdint>

#include "data_file.h"

class Canvas {
 public:
  Canvas() = default;
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  bool Create(HDC reference, int width, int height);
  HDC dc() const { return dc_; }

  enum class Shade { kLit, kDim };
  // Copies one frame of a picture to (x, y), clipped to the canvas. Sprites
  // leave the key colour's pixels alone.
  void Draw(const PictureView& picture, int frame, int x, int y, Shade shade, bool sprite);
  void Fill(int x, int y, int width, int height, uint8_t r, uint8_t g, uint8_t b);
  // Darkens a rectangle to a quarter: the backdrop behind text.
  void Darken(int x, int y, int width, int height);
  // length characters of text (-1: up to its end) in the canvas's font, laid
  // out in rect as DrawText's format says.
  void Text(const char* text, RECT rect, COLORREF colour, UINT format, int length = -1);

 private:
  uint8_t* Row(int y) const { return bits_ + size_t(y) * stride_; }

  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_bitmap_ = nullptr;
  HFONT font_ = nullptr;
  HGDIOBJ old_font_ = nullptr;
  uint8_t* bits_ = nullptr;
  int width_ = 0, height_ = 0;
  size_t stride_ = 0;
};

#endif
