#include "export/pdf_font_program.h"

#include "pagestore/text_measure.h"

#include <QRawFont>

#include <hb-subset.h>

#include <array>
#include <memory>

namespace rl {

namespace {

// The tables a TrueType face is drawn and measured from; layout tables are
// of no use to a PDF reader, which places every glyph itself.
constexpr std::array<const char*, 13> kTables = {"OS/2", "cmap", "cvt ", "fpgm", "gasp", "glyf", "head",
                                                 "hhea", "hmtx", "loca", "maxp", "name", "post"};

void putU16(QByteArray& out, int at, quint32 v) {
    out[at] = char(v >> 8);
    out[at + 1] = char(v);
}
void putU32(QByteArray& out, int at, quint32 v) {
    putU16(out, at, v >> 16);
    putU16(out, at + 2, v & 0xFFFF);
}

quint32 tableChecksum(const QByteArray& padded) {
    quint32 sum = 0;
    for (qsizetype i = 0; i + 3 < padded.size(); i += 4)
        sum += quint32(std::uint8_t(padded[i])) << 24 | quint32(std::uint8_t(padded[i + 1])) << 16 |
               quint32(std::uint8_t(padded[i + 2])) << 8 | quint32(std::uint8_t(padded[i + 3]));
    return sum;
}

template <typename T, void (*Destroy)(T*)> struct HbDeleter {
    void operator()(T* p) const { Destroy(p); }
};
using Blob = std::unique_ptr<hb_blob_t, HbDeleter<hb_blob_t, hb_blob_destroy>>;
using Face = std::unique_ptr<hb_face_t, HbDeleter<hb_face_t, hb_face_destroy>>;
using Input = std::unique_ptr<hb_subset_input_t, HbDeleter<hb_subset_input_t, hb_subset_input_destroy>>;

} // namespace

QByteArray trueTypeFontProgram(const std::string& faceName, std::uint8_t style) {
    // Qt hands out tables, not files (the report font has no file at all), so
    // the file is put together again: an sfnt header, a directory, the tables.
    const QRawFont raw = QRawFont::fromFont(makeQFont(faceName, 1000, style, 0));
    if (!raw.isValid() || raw.fontTable("glyf").isEmpty()) return {};
    std::vector<std::pair<const char*, QByteArray>> tables;
    for (const char* tag : kTables) {
        QByteArray data = raw.fontTable(tag);
        if (!data.isEmpty()) tables.emplace_back(tag, std::move(data));
    }
    const int count = int(tables.size());
    int searchRange = 1, selector = 0;
    while (searchRange * 2 <= count) {
        searchRange *= 2;
        ++selector;
    }
    QByteArray out(12 + 16 * count, '\0');
    putU32(out, 0, 0x00010000);
    putU16(out, 4, quint32(count));
    putU16(out, 6, quint32(searchRange * 16));
    putU16(out, 8, quint32(selector));
    putU16(out, 10, quint32(count * 16 - searchRange * 16));
    int headAt = -1;
    for (int i = 0; i < count; ++i) {
        QByteArray data = tables[size_t(i)].second;
        const quint32 length = quint32(data.size());
        if (qstrcmp(tables[size_t(i)].first, "head") == 0 && data.size() >= 12) {
            putU32(data, 8, 0); // the whole-file adjustment is summed without itself
            headAt = int(out.size());
        }
        data.append(QByteArray((4 - data.size() % 4) % 4, '\0'));
        const int entry = 12 + 16 * i;
        for (int c = 0; c < 4; ++c)
            out[entry + c] = tables[size_t(i)].first[c];
        putU32(out, entry + 4, tableChecksum(data));
        putU32(out, entry + 8, quint32(out.size()));
        putU32(out, entry + 12, length);
        out.append(data);
    }
    if (headAt >= 0) putU32(out, headAt + 8, 0xB1B0AFBA - tableChecksum(out));
    return out;
}

QByteArray subsetFontProgram(const QByteArray& program, const std::vector<char32_t>& characters) {
    const Blob blob(hb_blob_create(program.constData(), unsigned(program.size()), HB_MEMORY_MODE_READONLY,
                                   nullptr, nullptr));
    const Face face(hb_face_create(blob.get(), 0));
    const Input input(hb_subset_input_create_or_fail());
    if (!input) return {};
    hb_set_t* unicodes = hb_subset_input_unicode_set(input.get());
    for (const char32_t ch : characters)
        hb_set_add(unicodes, hb_codepoint_t(ch));
    // A PDF reader places every glyph itself: layout tables would only grow the file.
    for (const char* tag : {"GSUB", "GPOS", "GDEF", "kern", "DSIG"})
        hb_set_add(hb_subset_input_set(input.get(), HB_SUBSET_SETS_DROP_TABLE_TAG),
                   hb_tag_from_string(tag, 4));
    const Face subset(hb_subset_or_fail(face.get(), input.get()));
    if (!subset) return {};
    const Blob bytes(hb_face_reference_blob(subset.get()));
    unsigned length = 0;
    const char* data = hb_blob_get_data(bytes.get(), &length);
    return QByteArray(data, qsizetype(length));
}

} // namespace rl
