#pragma once

#include <QByteArray>

#include <cstdint>
#include <string>
#include <vector>

namespace rl {

// The TrueType font file (glyph outlines in a "glyf" table) the platform sets a
// face name (Windows-1252 bytes) and style bits in, rebuilt from its tables;
// empty when the face has no TrueType outlines (a CFF or bitmap face), which a
// PDF cannot carry as a TrueType font program. Needs a QGuiApplication; GUI thread.
QByteArray trueTypeFontProgram(const std::string& faceName, std::uint8_t style);

// The font with only the glyphs of the given characters (and the glyphs they
// are built from), made by HarfBuzz's subsetter; empty when it fails. Hinting
// and the character map of the characters kept stay, so that a reader maps
// codes to glyphs through the font's own Unicode map.
QByteArray subsetFontProgram(const QByteArray& program, const std::vector<char32_t>& characters);

} // namespace rl
