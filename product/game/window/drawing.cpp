// Drawing the window: the marsh by lantern light, the status strip, and text
// panels over a backdrop.
#include "drawing.h"

#include <windows.h>

#include <climits>
#include <cstring>

#include "app.h"
#include "common/string_formats.h"
#include "common/text.h"
#include "formats.h"
#include "layout.h"
#include "resource.h"

namespace {

uint32_t SheetFor(dat::CellCode code) {
  switch (code) {
    case dat::kWall: return dat::kTilesWall;
    case dat::kBog: return dat::kTilesBog;
    case dat::kStart: return dat::kTilesStart;
    case dat::kExit: return dat::kTilesExit;
    default: return dat::kTilesFloor;
  }
}

void DrawMarsh(App& app) {
  Canvas& c = app.canvas;
  const Game& game = app.play.game;
  const Level& level = game.level();
  c.Draw(app.content.backdrops[level.backdrop], 0, 0, 0, Canvas::Shade::kLit, false);
  const int cols = layout::kClientWidth / layout::kCell / 2 + 1;
  const int rows = (layout::kClientHeight - layout::kStatusHeight) / layout::kCell / 2 + 1;
  for (int dy = -rows; dy <= rows; ++dy)
    for (int dx = -cols; dx <= cols; ++dx) {
      const int x = game.x() + dx, y = game.y() + dy;
      if (!level.Inside(x, y)) continue;
      const int px = layout::kPlayerLeft + dx * layout::kCell, py = layout::kPlayerTop + dy * layout::kCell;
      if (!game.Seen(x, y)) {
        c.Fill(px, py, layout::kCell, layout::kCell, 0, 0, 0);
        continue;
      }
      const Canvas::Shade shade = game.Lit(x, y) ? Canvas::Shade::kLit : Canvas::Shade::kDim;
      const dat::CellCode code = level.At(x, y);
      // Still tiles pick a variant by position, moving ones a frame by time.
      const unsigned variant = unsigned(x * 7 + y * 13);
      const uint32_t sheet = SheetFor(code);
      const bool animated = sheet == dat::kTilesBog || sheet == dat::kTilesExit;
      c.Draw(app.content.sheets[sheet], int(animated ? app.play.tick + variant : variant), px, py, shade, false);
      if (code == dat::kFirefly)
        c.Draw(app.content.sheets[dat::kTilesFirefly], int(app.play.tick + variant), px, py, shade, true);
      if (code == dat::kOilFlask)
        c.Draw(app.content.sheets[dat::kTilesOil], int(app.play.tick / 2 + variant), px, py, shade, true);
    }
  static const int kFacingRow[] = {1, 0, 2, 3};  // up, down, left, right in the sheet
  const int frame = kFacingRow[int(game.facing())] * 2 + int(app.play.tick & 1);
  c.Draw(app.content.sheets[dat::kTilesPlayer], frame, layout::kPlayerLeft, layout::kPlayerTop, Canvas::Shade::kLit,
         true);
}

void DrawStatus(App& app) {
  Canvas& c = app.canvas;
  const Game& game = app.play.game;
  c.Fill(0, 0, layout::kClientWidth, layout::kStatusHeight, 24, 28, 22);
  for (int i = 0; i < game.lanterns(); ++i)
    c.Draw(app.content.sheets[dat::kTilesIcons], 0, 4 + i * 26, 0, Canvas::Shade::kLit, true);
  c.Draw(app.content.sheets[dat::kTilesIcons], 1, 84, 0, Canvas::Shade::kLit, true);
  // The oil gauge.
  const int full = 120, now = game.level().oil > 0 ? full * game.oil() / game.level().oil : 0;
  c.Fill(116, 11, full, 10, 50, 40, 20);
  c.Fill(116, 11, now, 10, game.oil() * 5 < game.level().oil ? 220 : 200, 150, 40);
  c.Draw(app.content.sheets[dat::kTilesIcons], 2, 244, 0, Canvas::Shade::kLit, true);
  char text[128];
  FormatText(text, sizeof text, "%d", game.fireflies_left());
  c.Text(text, RECT{276, 0, 320, layout::kStatusHeight}, RGB(250, 240, 120), DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  FormatLoaded<kGameFormats, IDS_STATUS_LINE>(app.instance, text, sizeof text, game.level_number(),
                                              static_cast<const char*>(game.level().name),
                                              static_cast<unsigned long>(game.score()));
  c.Text(text, RECT{320, 0, layout::kClientWidth - 8, layout::kStatusHeight}, RGB(230, 230, 210),
         DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
}

// The narrowest width at which a paragraph takes no more lines than at widest:
// its lines come out about as long as each other, none left with a lone word.
int BalancedWidth(HDC dc, const char* text, int length, int widest) {
  const auto lines_height = [&](int width) {
    RECT r = {0, 0, width, 0};
    DrawTextA(dc, text, length, &r, DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
    return r.right > width ? INT_MAX : r.bottom;  // a word wider than that
  };
  const int height = lines_height(widest);
  int low = 1, high = widest;
  while (low < high) {
    const int mid = (low + high) / 2;
    if (lines_height(mid) <= height) high = mid;
    else low = mid + 1;
  }
  return high;
}

// Text in a darkened panel in the middle of the window, each paragraph (a line
// of text) wrapped on its own.
void DrawPanel(App& app, const char* text) {
  Canvas& c = app.canvas;
  constexpr int kMaxParagraphs = 16, kWidest = layout::kClientWidth - 120;
  struct Paragraph {
    const char* text;
    int length, width, height;
  } paragraphs[kMaxParagraphs];
  TEXTMETRICA metrics;
  GetTextMetricsA(c.dc(), &metrics);
  int count = 0, height = 0, width = 0;
  for (const char* at = text; *at && count < kMaxParagraphs; ++count) {
    const char* end = strchr(at, '\n');
    if (!end) end = at + strlen(at);
    Paragraph& p = paragraphs[count];
    p = {at, int(end - at), 0, int(metrics.tmHeight)};
    if (p.length > 0 && at[p.length - 1] == '\r') --p.length;
    if (p.length > 0) {
      p.width = BalancedWidth(c.dc(), p.text, p.length, kWidest);
      RECT r = {0, 0, p.width, 0};
      DrawTextA(c.dc(), p.text, p.length, &r, DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
      p.height = int(r.bottom);
    }
    height += p.height;
    if (p.width > width) width = p.width;
    at = *end ? end + 1 : end;
  }
  int top = (layout::kClientHeight - height) / 2;
  c.Darken((layout::kClientWidth - width) / 2 - 20, top - 10, width + 40, height + 20);
  for (int i = 0; i < count; ++i) {
    const Paragraph& p = paragraphs[i];
    const int left = (layout::kClientWidth - p.width) / 2;
    c.Text(p.text, RECT{left, top, left + p.width, top + p.height}, RGB(240, 230, 190), DT_CENTER | DT_WORDBREAK,
           p.length);
    top += p.height;
  }
}

}  // namespace

void Paint(App& app, HDC target) {
  Canvas& c = app.canvas;
  char text[1024];
  if (app.play.screen == Screen::kTitle || app.play.help) {
    c.Draw(app.content.backdrops[dat::kBackdropTitle], 0, 0, 0, Canvas::Shade::kLit, false);
    if (app.play.help)
      FormatLoaded<kGameFormats, IDS_HELP_SCREEN>(app.instance, text, sizeof text, int(app.content.how_to_play_size),
                                                  app.content.how_to_play);
    else
      FormatLoaded<kGameFormats, IDS_TITLE_SCREEN>(app.instance, text, sizeof text, int(app.content.how_to_play_size),
                                                   app.content.how_to_play);
    DrawPanel(app, text);
  } else if (app.play.screen == Screen::kOver) {
    const bool won = app.play.game.phase() == Phase::kWon;
    c.Draw(app.content.backdrops[won ? dat::kBackdropVictory : dat::kBackdropGameOver], 0, 0, 0, Canvas::Shade::kLit,
           false);
    char verdict[128];
    LoadText(app.instance, won ? IDS_WON : IDS_LOST, verdict, sizeof verdict);
    FormatLoaded<kGameFormats, IDS_GAME_OVER>(app.instance, text, sizeof text, static_cast<const char*>(verdict),
                                              static_cast<unsigned long>(app.play.game.score()),
                                              app.play.game.level_number());
    DrawPanel(app, text);
  } else {
    DrawMarsh(app);
    DrawStatus(app);
    if (app.play.banner[0]) DrawPanel(app, app.play.banner);
  }
  GdiFlush();
  BitBlt(target, 0, 0, layout::kClientWidth, layout::kClientHeight, c.dc(), 0, 0, SRCCOPY);
}
