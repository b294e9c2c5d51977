#pragma once

#include "export/pdf_font_metrics.h"

#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rl {

class PdfOutput;

// The fonts a PDF document uses, by (face name, style bits), in order of first
// use; a font's resource number is its 1-based position ("/F1", "/F2", ...).
// The standard fourteen PDF fonts are referred to by name; every other face is
// written as a TrueType font with its widths, a font descriptor, the subset of
// its font program that holds the characters used, and a map from the codes
// used to Unicode, so that the page looks and copies the same on a machine
// without the face.
class PdfFontList {
public:
    struct Entry {
        std::string Name; // Windows-1252 bytes
        std::uint8_t Style = 0;
        int ObjectNumber = 0;
        std::optional<TrueTypeMetrics> Metrics; // TrueType faces only
        std::bitset<256> Used;                  // Windows-1252 codes set in the font
    };

    // Resource number of the pair, names compared without regard to letter
    // case; a new pair gets a new object number from the output. Throws
    // rl::Error when a TrueType face has no outline metrics.
    int resourceFor(const std::string& name, std::uint8_t style, PdfOutput& out);
    // Notes the bytes of a text set in a font, for its subset and its map.
    void noteText(int resource, const std::string& text);
    // The font's ascent in thousandths of the em.
    double ascent(int resource) const;
    const std::vector<Entry>& entries() const { return entries_; }

    // Writes every font object (and descriptor, font program and map).
    // compress: Flate-compress the font programs and maps.
    void writeFonts(PdfOutput& out, bool compress) const;

    // Whether a face name without blanks names one of the standard fourteen
    // fonts (letter case ignored).
    static bool isStandardFont(const std::string& nameWithoutBlanks);

private:
    // Font object of a standard font: its name only.
    void writeStandardFont(PdfOutput& out, int index, const std::string& baseName) const;
    // Font object of a TrueType font: widths and references to its descriptor and map.
    void writeTrueTypeFont(PdfOutput& out, int index, const std::string& baseName,
                           const TrueTypeMetrics& metrics, int descriptor, int toUnicode) const;
    // Font descriptor: box, angle, heights and widths of the face, and its program.
    void writeFontDescriptor(PdfOutput& out, int number, const std::string& baseName,
                             const TrueTypeMetrics& metrics, int fontFile) const;
    // The subset font program as a /FontFile2 stream; false when there is none.
    bool writeFontFile(PdfOutput& out, int number, const Entry& entry, bool compress) const;
    // The /ToUnicode CMap of the codes used.
    void writeToUnicode(PdfOutput& out, int number, const Entry& entry, bool compress) const;

    std::vector<Entry> entries_;
};

} // namespace rl
