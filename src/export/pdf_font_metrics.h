#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rl {

// What a PDF TrueType font entry and its descriptor need of a font, in
// thousandths of the em (the font measured at 1000 units per em).
struct TrueTypeMetrics {
    int FirstChar = 32; // Windows-1252 codes, within 32-255
    int LastChar = 255;
    std::vector<int> Widths; // FirstChar ... LastChar
    int BoxLeft = 0, BoxBottom = 0, BoxRight = 0, BoxTop = 0;
    int ItalicAngle = 0;
    int CapHeight = 0;
    int XHeight = 0;
    int Ascent = 0;
    int Descent = 0; // positive
    // The ascent the pages are laid out and painted with (the platform's
    // own choice among the font's tables), which places the baseline.
    double LayoutAscent = 0;
    int Leading = 0; // internal leading: ascent + descent - em
    int MaxWidth = 0;
    int AvgWidth = 0;
};

// Reads the metrics from the font file the platform chooses for a face name
// (Windows-1252 bytes) and style bits (FontStyleBits), from its own tables
// (head, hhea, hmtx, OS/2, post) and character map. Throws rl::Error with
// "Invalid font for GetOutlineTextMetrics" when no font file can be had for the
// name, and "GetOutlineTextMetrics failed" when the file has no outline
// metrics. Needs a QGuiApplication; GUI thread.
TrueTypeMetrics readTrueTypeMetrics(const std::string& faceName, std::uint8_t style);

} // namespace rl
