#pragma once

class QIODevice;

namespace rl {

class TRLGraphicStorage;
class TextPattern;

// The batch mode's --find: every report line of pages fromPage .. toPage (1
// based) that holds a match, as one UTF-8 line "PAGE:LINE:TEXT", PAGE the
// page's number as the window shows it, LINE the line's number on its page
// from 1, TEXT the line as printed. A line with several matches is written
// once, as grep does. Returns the number of lines written.
int WriteFoundLines(TRLGraphicStorage& store, const TextPattern& pattern, int fromPage, int toPage,
                    QIODevice& out);

} // namespace rl
