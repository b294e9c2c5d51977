#include "report/paper_table.h"

#include <cmath>

namespace rl {

namespace {
const TRLPaperInfo kPaperTable[kPaperSizeCount] = {
    {841, 1189, "A0", true, 0},                           // fpA0
    {594, 841, "A1", true, 0},                            // fpA1
    {420, 594, "A2", false, 66},                          // fpA2
    {297, 420, "A3", false, 8},                           // fpA3
    {210, 297, "A4", false, 9},                           // fpA4
    {148, 210, "A5", false, 11},                          // fpA5
    {105, 148, "A6", false, 70},                          // fpA6
    {74, 105, "A7", true, 0},                             // fpA7
    {52, 74, "A8", true, 0},                              // fpA8
    {37, 52, "A9", true, 0},                              // fpA9
    {26, 37, "A10", true, 0},                             // fpA10
    {1000, 1414, "B0", true, 0},                          // fpB0
    {707, 1000, "B1", true, 0},                           // fpB1
    {500, 707, "B2", true, 0},                            // fpB2
    {353, 500, "B3", true, 0},                            // fpB3
    {250, 353, "B4", false, 12},                          // fpB4
    {176, 250, "B5", false, 13},                          // fpB5
    {125, 176, "B6", false, 88},                          // fpB6
    {88, 125, "B7", true, 0},                             // fpB7
    {62, 88, "B8", true, 0},                              // fpB8
    {44, 62, "B9", true, 0},                              // fpB9
    {31, 44, "B10", true, 0},                             // fpB10
    {900, 1280, "SRA0", true, 0},                         // fpSRA0
    {640, 900, "SRA1", true, 0},                          // fpSRA1
    {450, 640, "SRA2", true, 0},                          // fpSRA2
    {320, 450, "SRA3", true, 0},                          // fpSRA3
    {225, 320, "SRA4", true, 0},                          // fpSRA4
    {860, 1220, "RA0", true, 0},                          // fpRA0
    {610, 860, "RA1", true, 0},                           // fpRA1
    {430, 610, "RA2", true, 0},                           // fpRA2
    {305, 430, "RA3", true, 0},                           // fpRA3
    {215, 305, "RA4", true, 0},                           // fpRA4
    {1189, 1682, "2A", true, 0},                          // fp2A
    {1414, 2000, "2B", true, 0},                          // fp2B
    {1682, 2378, "4A", true, 0},                          // fp4A
    {2000, 2828, "4B", true, 0},                          // fp4B
    {228.6, 279.4, "9x11", false, 44},                    // fp9x11
    {254, 279.4, "10x11", false, 45},                     // fp10x11
    {254, 355.6, "10x14", false, 16},                     // fp10x14
    {279.4, 431.8, "11x17", false, 17},                   // fp11x17
    {304.8, 279.4, "12x11", false, 90},                   // fp12x11
    {381, 279.4, "15x11", false, 46},                     // fp15x11
    {322.44, 445.2, "A3_Extra", false, 63},               // fpA3_Extra
    {322, 445, "A3_Extra_Transverse", false, 68},         // fpA3_Extra_Transverse
    {297, 420, "A3_Transverse", false, 67},               // fpA3_Transverse
    {210, 297, "A4_Small", false, 10},                    // fpA4_Small
    {235.3, 322.44, "A4_Extra", false, 53},               // fpA4_Extra
    {210, 330, "A4_Plus", false, 60},                     // fpA4_Plus
    {210, 297, "A4_Transverse", false, 55},               // fpA4_Transverse
    {174, 235, "A5_Extra", false, 64},                    // fpA5_Extra
    {148, 210, "A5_Transverse", false, 61},               // fpA5_Transverse
    {227, 356, "A_Plus", false, 57},                      // fpA_Plus
    {250, 354, "B4_JIS", true, 0},                        // fpB4_JIS
    {201, 276, "B5_Extra", false, 65},                    // fpB5_Extra
    {182, 257, "B5_Transverse", false, 62},               // fpB5_Transverse
    {128, 182, "B6_JIS", false, 88},                      // fpB6_JIS
    {305, 487, "B_Plus", false, 58},                      // fpB_Plus
    {76.2, 203.2, "Env_9", false, 19},                    // fpEnv_9
    {101.6, 228.6, "Env_10", false, 20},                  // fpEnv_10
    {101.6, 254, "Env_11", false, 21},                    // fpEnv_11
    {101.6, 279.4, "Env_12", false, 22},                  // fpEnv_12
    {127, 279.4, "Env_14", false, 23},                    // fpEnv_14
    {250, 353, "Env_B4", false, 33},                      // fpEnv_B4
    {176, 250, "Env_B5", false, 34},                      // fpEnv_B5
    {176, 125, "Env_B6", false, 35},                      // fpEnv_B6
    {917, 1297, "Env_C0", true, 0},                       // fpEnv_C0
    {648, 917, "Env_C1", true, 0},                        // fpEnv_C1
    {458, 648, "Env_C2", true, 0},                        // fpEnv_C2
    {324, 458, "Env_C3", false, 29},                      // fpEnv_C3
    {229, 324, "Env_C4", false, 30},                      // fpEnv_C4
    {162, 229, "Env_C5", false, 28},                      // fpEnv_C5
    {163, 229, "Env_C5E", true, 0},                       // fpEnv_C5E
    {114, 162, "Env_C6", false, 31},                      // fpEnv_C6
    {114, 229, "Env_C65", false, 32},                     // fpEnv_C65
    {81, 114, "Env_C7", true, 0},                         // fpEnv_C7
    {57, 81, "Env_C8", true, 0},                          // fpEnv_C8
    {40, 57, "Env_C9", true, 0},                          // fpEnv_C9
    {28, 40, "Env_C10", true, 0},                         // fpEnv_C10
    {110, 220, "Env_DL", false, 27},                      // fpEnv_DL
    {220, 220, "Env_Invite", false, 47},                  // fpEnv_Invite
    {110, 230, "Env_Italy", false, 36},                   // fpEnv_Italy
    {98.43, 190.5, "Env_Monarch", false, 37},             // fpEnv_Monarch
    {76.2, 152.4, "Env_Personal", false, 38},             // fpEnv_Personal
    {215.9, 279.4, "Letter", false, 1},                   // fpLetter
    {215.9, 355.6, "Legal", false, 5},                    // fpLegal
    {431.8, 279, "Ledger", false, 4},                     // fpLedger
    {279, 431.8, "Tabloid", false, 3},                    // fpTabloid
    {190.5, 254, "Executive", false, 7},                  // fpExecutive
    {355.6, 279.4, "Fanfold_US", false, 39},              // fpFanfold_US
    {105, 241, "Comm10E", true, 0},                       // fpComm10E
    {110, 220, "DLE", true, 0},                           // fpDLE
    {215.9, 330.2, "Folio", false, 14},                   // fpFolio
    {304.8, 279.4, "Note", false, 18},                    // fpNote
    {100, 148, "Postcard", true, 0},                      // fpPostcard
    {215, 275, "Quarto", false, 15},                      // fpQuarto
    {139.7, 215.9, "Statement", false, 6},                // fpStatement
    {241.3, 381, "Legal_Extra", false, 51},               // fpLegal_Extra
    {215.9, 330.2, "Legal3", true, 0},                    // fpLegal3
    {304.8, 279.4, "Letter_Small", false, 2},             // fpLetter_Small
    {241.3, 304.8, "Letter_Extra", false, 50},            // fpLetter_Extra
    {241.3, 304.8, "Letter_Extra_Transverse", false, 56}, // fpLetter_Extra_Transverse
    {215.9, 322.33, "Letter_Plus", false, 59},            // fpLetter_Plus
    {215.9, 279.4, "Letter_Transverse", false, 54},       // fpLetter_Transverse
    {146, 215, "P16K", false, 93},                        // fpP16K
    {97, 151, "P32K", false, 94},                         // fpP32K
    {97, 151, "P32KBig", false, 95},                      // fpP32KBig
    {102, 165, "PEnv_1", false, 96},                      // fpPEnv_1
    {102, 176, "PEnv_2", false, 97},                      // fpPEnv_2
    {125, 176, "PEnv_3", false, 98},                      // fpPEnv_3
    {110, 208, "PEnv_4", false, 99},                      // fpPEnv_4
    {110, 220, "PEnv_5", false, 100},                     // fpPEnv_5
    {120, 230, "PEnv_6", false, 101},                     // fpPEnv_6
    {160, 230, "PEnv_7", false, 102},                     // fpPEnv_7
    {120, 309, "PEnv_8", false, 103},                     // fpPEnv_8
    {229, 324, "PEnv_9", false, 104},                     // fpPEnv_9
    {324, 458, "PEnv_10", false, 105},                    // fpPEnv_10
    {296.93, 457.2, "Tabloid_Extra", false, 52},          // fpTabloid_Extra
    {203.2, 330.2, "German_Legal_Fanfold", false, 41},    // fpGerman_Legal_Fanfold
    {203.2, 304.8, "German_Std_Fanfold", false, 40},      // fpGerman_Std_Fanfold
    {200, 148, "Jap_DblPostcard", false, 69},             // fpJap_DblPostcard
    {100, 148, "Jap_Postcard", false, 43},                // fpJap_Postcard
    {419, 336, "Eng_Foolscap", true, 0},                  // fpEng_Foolscap
    {685.8, 431.8, "Eng_DoubleFoolscap", true, 0},        // fpEng_DoubleFoolscap
    {863.6, 685.8, "Eng_QuadFoolscap", true, 0},          // fpEng_QuadFoolscap
    {508, 381, "Eng_Crown", true, 0},                     // fpEng_Crown
    {762, 508, "Eng_DoubleCrown", true, 0},               // fpEng_DoubleCrown
    {1016, 762, "Eng_QuadCrown", true, 0},                // fpEng_QuadCrown
    {1524, 1016, "Eng_DoubleQuad", true, 0},              // fpEng_DoubleQuad
    {488.95, 393.7, "Eng_Post", true, 0},                 // fpEng_Post
    {800.1, 495.3, "Eng_DoublePost", true, 0},            // fpEng_DoublePost
    {838.2, 533.4, "Eng_DoubleLarge", true, 0},           // fpEng_DoubleLarge
    {571.5, 444.5, "Eng_Demy", true, 0},                  // fpEng_Demy
    {889, 571.5, "Eng_DoubleDemy", true, 0},              // fpEng_DoubleDemy
    {1143, 889, "Eng_QuadDemy", true, 0},                 // fpEng_QuadDemy
    {508, 393.7, "Eng_MusicDemy", true, 0},               // fpEng_MusicDemy
    {584.2, 457.2, "Eng_Medium", true, 0},                // fpEng_Medium
    {634, 507, "Eng_Royal", true, 0},                     // fpEng_Royal
    {698.5, 520.7, "Eng_SuperRoyal", true, 0},            // fpEng_SuperRoyal
    {711.2, 584.2, "Eng_Elephant", true, 0},              // fpEng_Elephant
    {761, 559, "Eng_Imperial", true, 0},                  // fpEng_Imperial
    {0, 0, "User Defined", false, 256},                   // fpCustom
};
} // namespace

const TRLPaperInfo& PaperInfo(TRLPaperSize size) {
    const int index = int(size);
    return kPaperTable[index >= 0 && index < kPaperSizeCount ? index : int(fpCustom)];
}

TRLPaperSize PaperSizeForDimensions(double widthMm, double heightMm) {
    TRLPaperSize best = fpCustom;
    double bestDistance = 0.01;
    for (int i = 0; i < kPaperSizeCount; ++i) {
        const TRLPaperInfo& row = kPaperTable[i];
        if (i == int(fpCustom) || row.Emulated) continue;
        const double distance = std::abs(row.Width - widthMm) + std::abs(row.Height - heightMm);
        // Strictly smaller: on a tie the earlier row stays.
        if (distance < bestDistance) {
            bestDistance = distance;
            best = TRLPaperSize(i);
        }
    }
    return best;
}

} // namespace rl
