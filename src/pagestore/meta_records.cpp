#include "pagestore/meta_records.h"

#include "pagestore/byte_stream.h"

namespace rl {

namespace {
void writeColor(ByteWriter& w, const MetaColor& c) {
    w.byte(c.red);
    w.byte(c.green);
    w.byte(c.blue);
}
MetaColor readColor(ByteReader& r) {
    MetaColor c;
    c.red = r.byte();
    c.green = r.byte();
    c.blue = r.byte();
    return c;
}
} // namespace

void TRLMetaPen::write(ByteWriter& w) const {
    writeColor(w, Color);
    w.byte(Mode);
    w.byte(Style);
    w.int32(Width);
}

void TRLMetaPen::read(ByteReader& r) {
    Color = readColor(r);
    Mode = r.byte();
    Style = r.byte();
    Width = r.int32();
}

void TRLMetaBrush::write(ByteWriter& w) const {
    writeColor(w, Color);
    w.byte(Style);
}

void TRLMetaBrush::read(ByteReader& r) {
    Color = readColor(r);
    Style = r.byte();
}

void TRLMetaFont::write(ByteWriter& w) const {
    w.int32(PixelsPerInch);
    w.byte(Charset);
    writeColor(w, Color);
    w.int32(Height);
    w.int32(NameIndex);
    w.byte(Pitch);
    w.int32(Size);
    w.byte(Style);
}

void TRLMetaFont::read(ByteReader& r) {
    PixelsPerInch = r.int32();
    Charset = r.byte();
    Color = readColor(r);
    Height = r.int32();
    NameIndex = r.int32();
    Pitch = r.byte();
    Size = r.int32();
    Style = r.byte();
}

} // namespace rl
