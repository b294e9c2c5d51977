#pragma once

#include <QFont>
#include <QSize>

#include <cstdint>
#include <string>
#include <string_view>

namespace rl {

struct SurfaceFont;

// Builds the Qt font for a face name (Windows-1252 bytes), a height in device
// pixels (the em, as Windows' negative font height), style bits and pitch.
QFont makeQFont(const std::string& faceName, int pixelSize, std::uint8_t style, std::uint8_t pitch);

// Measures text on a 96-dpi off-screen image, so that layout never depends on
// the display. Width is the advance of the text, height the font's ascent plus descent.
QSize measureText(const SurfaceFont& font, std::string_view text);
// The same for the text followed by one space, as labels and text objects
// measure their text, without building that string.
QSize measureTextWithSpace(const SurfaceFont& font, std::string_view text);

} // namespace rl
