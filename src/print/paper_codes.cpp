#include "print/paper_codes.h"

#include <cmath>
#include <iterator>

namespace rl {

namespace {

struct CodedPaper {
    double width; // millimetres, portrait
    double height;
    std::int32_t code;
};

// The rows of the paper table that carry a platform code, in table order.
const CodedPaper kCodedPapers[] = {
    {420, 594, 66},      // fpA2
    {297, 420, 8},       // fpA3
    {210, 297, 9},       // fpA4
    {148, 210, 11},      // fpA5
    {105, 148, 70},      // fpA6
    {250, 353, 12},      // fpB4
    {176, 250, 13},      // fpB5
    {125, 176, 88},      // fpB6
    {228.6, 279.4, 44},  // fp9x11
    {254, 279.4, 45},    // fp10x11
    {254, 355.6, 16},    // fp10x14
    {279.4, 431.8, 17},  // fp11x17
    {304.8, 279.4, 90},  // fp12x11
    {381, 279.4, 46},    // fp15x11
    {322.44, 445.2, 63}, // fpA3_Extra
    {322, 445, 68},      // fpA3_Extra_Transverse
    {297, 420, 67},      // fpA3_Transverse
    {210, 297, 10},      // fpA4_Small
    {235.3, 322.44, 53}, // fpA4_Extra
    {210, 330, 60},      // fpA4_Plus
    {210, 297, 55},      // fpA4_Transverse
    {174, 235, 64},      // fpA5_Extra
    {148, 210, 61},      // fpA5_Transverse
    {227, 356, 57},      // fpA_Plus
    {201, 276, 65},      // fpB5_Extra
    {182, 257, 62},      // fpB5_Transverse
    {128, 182, 88},      // fpB6_JIS
    {305, 487, 58},      // fpB_Plus
    {76.2, 203.2, 19},   // fpEnv_9
    {101.6, 228.6, 20},  // fpEnv_10
    {101.6, 254, 21},    // fpEnv_11
    {101.6, 279.4, 22},  // fpEnv_12
    {127, 279.4, 23},    // fpEnv_14
    {250, 353, 33},      // fpEnv_B4
    {176, 250, 34},      // fpEnv_B5
    {176, 125, 35},      // fpEnv_B6
    {324, 458, 29},      // fpEnv_C3
    {229, 324, 30},      // fpEnv_C4
    {162, 229, 28},      // fpEnv_C5
    {114, 162, 31},      // fpEnv_C6
    {114, 229, 32},      // fpEnv_C65
    {110, 220, 27},      // fpEnv_DL
    {220, 220, 47},      // fpEnv_Invite
    {110, 230, 36},      // fpEnv_Italy
    {98.43, 190.5, 37},  // fpEnv_Monarch
    {76.2, 152.4, 38},   // fpEnv_Personal
    {215.9, 279.4, 1},   // fpLetter
    {215.9, 355.6, 5},   // fpLegal
    {431.8, 279, 4},     // fpLedger
    {279, 431.8, 3},     // fpTabloid
    {190.5, 254, 7},     // fpExecutive
    {355.6, 279.4, 39},  // fpFanfold_US
    {215.9, 330.2, 14},  // fpFolio
    {304.8, 279.4, 18},  // fpNote
    {215, 275, 15},      // fpQuarto
    {139.7, 215.9, 6},   // fpStatement
    {241.3, 381, 51},    // fpLegal_Extra
    {304.8, 279.4, 2},   // fpLetter_Small
    {241.3, 304.8, 50},  // fpLetter_Extra
    {241.3, 304.8, 56},  // fpLetter_Extra_Transverse
    {215.9, 322.33, 59}, // fpLetter_Plus
    {215.9, 279.4, 54},  // fpLetter_Transverse
    {146, 215, 93},      // fpP16K
    {97, 151, 94},       // fpP32K
    {97, 151, 95},       // fpP32KBig
    {102, 165, 96},      // fpPEnv_1
    {102, 176, 97},      // fpPEnv_2
    {125, 176, 98},      // fpPEnv_3
    {110, 208, 99},      // fpPEnv_4
    {110, 220, 100},     // fpPEnv_5
    {120, 230, 101},     // fpPEnv_6
    {160, 230, 102},     // fpPEnv_7
    {120, 309, 103},     // fpPEnv_8
    {229, 324, 104},     // fpPEnv_9
    {324, 458, 105},     // fpPEnv_10
    {296.93, 457.2, 52}, // fpTabloid_Extra
    {203.2, 330.2, 41},  // fpGerman_Legal_Fanfold
    {203.2, 304.8, 40},  // fpGerman_Std_Fanfold
    {200, 148, 69},      // fpJap_DblPostcard
    {100, 148, 43},      // fpJap_Postcard
};

std::int32_t tenths(double mm) {
    return std::int32_t(std::lround(mm * 10));
}

} // namespace

PrinterPaperSettings PaperSettingsFor(double widthMm, double heightMm) {
    const CodedPaper* best = nullptr;
    double bestDistance = 0.01;
    for (const CodedPaper& row : kCodedPapers) {
        const double distance = std::abs(row.width - widthMm) + std::abs(row.height - heightMm);
        // Strictly smaller: on a tie the earlier row stays.
        if (distance < bestDistance) {
            bestDistance = distance;
            best = &row;
        }
    }
    if (best) return {best->code, 0, 0};
    return {PrinterPaperSettings::UserDefined, tenths(widthMm), tenths(heightMm)};
}

} // namespace rl
