#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rl {

class PdfOutput;
struct TrueTypeMetrics;

// The fonts a PDF document uses, by (face name, style bits), in order of first
// use; a font's resource number is its 1-based position ("/F1", "/F2", ...).
// The standard fourteen PDF fonts are referred to by name; every other face is
// written as a TrueType font with its widths and a font descriptor.
class PdfFontList {
public:
    struct Entry {
        std::string Name; // Windows-1252 bytes
        std::uint8_t Style = 0;
        int ObjectNumber = 0;
    };

    // Resource number of the pair, names compared without regard to letter
    // case; a new pair gets a new object number from the output.
    int resourceFor(const std::string& name, std::uint8_t style, PdfOutput& out);
    const std::vector<Entry>& entries() const { return entries_; }

    // Writes every font object (and descriptor). Throws rl::Error when a
    // TrueType face has no outline metrics.
    void writeFonts(PdfOutput& out) const;

    // Whether a face name without blanks names one of the standard fourteen
    // fonts (letter case ignored).
    static bool isStandardFont(const std::string& nameWithoutBlanks);

private:
    // Font object of a standard font: its name only.
    void writeStandardFont(PdfOutput& out, int index, const std::string& baseName) const;
    // Font object of a TrueType font: widths and a reference to its descriptor.
    void writeTrueTypeFont(PdfOutput& out, int index, const std::string& baseName,
                           const TrueTypeMetrics& metrics, int descriptor) const;
    // Font descriptor: box, angle, heights and widths of the face.
    void writeFontDescriptor(PdfOutput& out, int number, const std::string& baseName,
                             const TrueTypeMetrics& metrics) const;

    std::vector<Entry> entries_;
};

} // namespace rl
