#include "canvas.h"

Canvas::~Canvas() {
  if (dc_) {
    if (old_font_) SelectObject(dc_, old_font_);
    if (old_bitmap_) SelectObject(dc_, old_bitmap_);
    DeleteDC(dc_);
  }
  if (font_) DeleteObject(font_);
  if (bitmap_) DeleteObject(bitmap_);
}

bool Canvas::Create(HDC reference, int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down, like the data file's pictures
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  dc_ = CreateCompatibleDC(reference);
  if (!bitmap_ || !bits || !dc_) return false;
  old_bitmap_ = SelectObject(dc_, bitmap_);
  font_ = CreateFontA(-15, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "Arial");
  if (font_) old_font_ = SelectObject(dc_, font_);
  SetBkMode(dc_, TRANSPARENT);
  bits_ = static_cast<uint8_t*>(bits);
  width_ = width;
  height_ = height;
  stride_ = dat::PictureStride(width);
  return true;
}

void Canvas::Draw(const PictureView& picture, int frame, int x, int y, Shade shade, bool sprite) {
  if (!bits_) return;
  GdiFlush();  // GDI may still be writing to the bits
  const int fw = picture.frame_width;
  frame %= picture.width / fw;
  const size_t source_stride = dat::PictureStride(picture.width);
  for (int row = 0; row < picture.height; ++row) {
    const int ty = y + row;
    if (ty < 0 || ty >= height_) continue;
    const uint8_t* from = picture.pixels + size_t(row) * source_stride + size_t(frame) * fw * 3;
    uint8_t* to = Row(ty);
    for (int col = 0; col < fw; ++col) {
      const int tx = x + col;
      if (tx < 0 || tx >= width_) continue;
      const uint8_t* p = from + col * 3;
      if (sprite && p[0] == dat::kKeyBlue && p[1] == dat::kKeyGreen && p[2] == dat::kKeyRed) continue;
      uint8_t* q = to + tx * 3;
      if (shade == Shade::kLit) {
        q[0] = p[0];
        q[1] = p[1];
        q[2] = p[2];
      } else {
        // Remembered cells: dark and bluish, as seen by moonlight.
        q[0] = uint8_t(p[0] * 3 / 8 + 6);
        q[1] = uint8_t(p[1] * 2 / 8);
        q[2] = uint8_t(p[2] * 2 / 8);
      }
    }
  }
}

void Canvas::Fill(int x, int y, int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  if (!bits_) return;
  GdiFlush();
  for (int ty = y < 0 ? 0 : y; ty < y + height && ty < height_; ++ty) {
    uint8_t* row = Row(ty);
    for (int tx = x < 0 ? 0 : x; tx < x + width && tx < width_; ++tx) {
      row[tx * 3] = b;
      row[tx * 3 + 1] = g;
      row[tx * 3 + 2] = r;
    }
  }
}

void Canvas::Darken(int x, int y, int width, int height) {
  if (!bits_) return;
  GdiFlush();
  for (int ty = y < 0 ? 0 : y; ty < y + height && ty < height_; ++ty) {
    uint8_t* row = Row(ty);
    for (int tx = x < 0 ? 0 : x; tx < x + width && tx < width_; ++tx)
      for (int k = 0; k < 3; ++k) row[tx * 3 + k] = uint8_t(row[tx * 3 + k] / 4);
  }
}

void Canvas::Text(const char* text, RECT rect, COLORREF colour, UINT format, int length) {
  if (!dc_) return;
  // A dark shadow keeps light text readable on any backdrop.
  RECT shadow = rect;
  OffsetRect(&shadow, 1, 1);
  SetTextColor(dc_, RGB(0, 0, 0));
  DrawTextA(dc_, text, length, &shadow, format | DT_NOPREFIX);
  SetTextColor(dc_, colour);
  DrawTextA(dc_, text, length, &rect, format | DT_NOPREFIX);
}
