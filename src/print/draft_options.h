#pragma once

#include "print/draft_commands.h"

namespace rl {

// The dot-matrix filter's published choices, in their published order.
enum TRLDraftDeviceKind { dkPrinterPort, dkProgram, dkFileName };
enum TRLAccentMethod { amOverwrite, amTakeOut, amSustain };
enum TRLEjectMethod { ejCompletePage, ejForceWithCode, ejLeavePage };
enum TRLDitheringMethod { dmNone, dmColorTable, dmErrorDiffusion };
enum TRLLineDrawMethod { ldNone, ldMinusAndPipe, ldGraphicCharset };
enum TRLFillArtMethod { fmNone, fmLetterX, fmGraphicCharset };
enum TRLFormSelection { fsNone, fsAccordingToOrientation, fs80Cols, fs132Cols };
enum TRLStretchCharWidth { scNone, scEnlargementsOnly, scShrinksOnly, scAlways };
enum TRLTextDecoration { ddIncludeNone, ddIncludeAll, ddCustomized };
enum TRLCPPSelection { csAutomatic, csFixed5CPP, csFixed10CPP, csFixed12CPP, csFixed17CPP, csFixed20CPP };

// TextStyles flags.
enum TRLDraftTextStyle { tsItalic = 1, tsBold = 2, tsUnderline = 4 };
inline constexpr int kAllDraftTextStyles = tsItalic | tsBold | tsUnderline;

} // namespace rl
