// Feeds arbitrary bytes to the text report loader: whatever it returns must be
// lines as the composer feeds them, with every line end, CR, NUL and the Ctrl-Z
// that ends the text gone, and never more bytes than the file held.
#include "composer/composer_form.h"
#include "fuzz_file.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const FuzzFile file(data, size);
    std::vector<std::string> lines;
    QString error;
    if (!rl::TForm2::ReadReportLinesInto(file.path(), lines, &error)) std::abort();
    size_t total = 0;
    for (const std::string& line : lines) {
        if (line.find_first_of(std::string("\n\r\0\x1a", 4)) != std::string::npos) std::abort();
        total += line.size();
    }
    if (total > size) std::abort();
    // The text before the first Ctrl-Z keeps its line count.
    size_t breaks = 0;
    size_t end = 0;
    while (end < size && data[end] != 26)
        breaks += data[end++] == '\n';
    if (lines.size() != breaks && lines.size() != breaks + 1) std::abort();
    return 0;
}
