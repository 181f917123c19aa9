// Where things are in Murkle's window. The client area is a status strip above
// the view of the marsh; the view keeps the player's cell in its middle.
#ifndef MURKLE_LAYOUT_H
#define MURKLE_LAYOUT_H

namespace layout {

constexpr const char* kWindowClass = "MurkleMarshWindow";

constexpr int kClientWidth = 640;
constexpr int kClientHeight = 480;
constexpr int kStatusHeight = 32;
constexpr int kCell = 32;
// The top left corner of the player's cell in the client area.
constexpr int kPlayerLeft = (kClientWidth - kCell) / 2;
constexpr int kPlayerTop = kStatusHeight + (kClientHeight - kStatusHeight - kCell) / 2;

}  // namespace layout

#endif
