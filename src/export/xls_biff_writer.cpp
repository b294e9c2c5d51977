#include "export/xls_biff_writer.h"

#include "export/biff_record_writer.h"
#include "export/little_endian_buffer.h"
#include "export/reader_face.h"
#include "export/xls_sheet_writer.h"
#include "export/xls_style_tables.h"
#include "export/xls_workbook.h"
#include "platform/windows1252.h"

#include <algorithm>

namespace rl {

namespace {

enum RecordType : std::uint16_t {
    kBof = 0x0809,
    kInterfaceHdr = 0x00E1,
    kMms = 0x00C1,
    kInterfaceEnd = 0x00E2,
    kWriteAccess = 0x005C,
    kCodePage = 0x0042,
    kDsf = 0x0161,
    kExcel9File = 0x01C0,
    kTabId = 0x013D,
    kFnGroupCount = 0x009C,
    kWindowProtect = 0x0019,
    kProtect = 0x0012,
    kPassword = 0x0013,
    kProt4Rev = 0x01AF,
    kProt4RevPass = 0x01BC,
    kWindow1 = 0x003D,
    kBackup = 0x0040,
    kHideObj = 0x008D,
    kDateMode = 0x0022,
    kPrecision = 0x000E,
    kRefreshAll = 0x01B7,
    kBookBool = 0x00DA,
    kFont = 0x0031,
    kFormat = 0x041E,
    kXf = 0x00E0,
    kPalette = 0x0092,
    kStyle = 0x0293,
    kUsesElfs = 0x0160,
    kBoundSheet = 0x0085,
    kCountry = 0x008C,
    kSst = 0x00FC,
    kExtSst = 0x00FF,
    kEof = 0x000A,
};

constexpr int kWriteAccessSize = 112;
constexpr int kMaxSstBuckets = 128;
constexpr int kMinStringsPerBucket = 8;

QByteArray u16Data(unsigned value) {
    return LittleEndianBuffer().u16(value).bytes();
}

// The currency formats every file carries; the byte 0xF0 of the report's code page is part of them.
QString currencyFormat(const char* text) {
    return fromWindows1252(std::string_view(text));
}

} // namespace

void XlsBiffWriter::write(const TRLXLSWorkbook& workbook, QIODevice& device) {
    const XlsStyleTables tables(workbook);
    BiffRecordWriter out(device);
    XlsBiffWriter writer(workbook, tables, out);
    writer.writeGlobals();
    std::vector<std::uint32_t> sheetPositions;
    bool first = true;
    for (const auto& sheet : workbook.Worksheets()) {
        sheetPositions.push_back(std::uint32_t(out.position()));
        XlsSheetWriter(*sheet, workbook.PageSetup, tables, first, out).write();
        first = false;
    }
    for (size_t i = 0; i < sheetPositions.size(); ++i)
        out.patch(writer.boundSheetPositions_[i], LittleEndianBuffer().u32(sheetPositions[i]).bytes());
}

XlsBiffWriter::XlsBiffWriter(const TRLXLSWorkbook& workbook, const XlsStyleTables& tables,
                             BiffRecordWriter& out)
    : workbook_(workbook), tables_(tables), out_(out) {}

void XlsBiffWriter::writeGlobals() {
    writeBof();
    writeInterfaceHdr();
    writeMms();
    writeInterfaceEnd();
    writeWriteAccess();
    writeCodePage();
    writeDsf();
    writeExcel9File();
    writeTabId();
    writeFnGroupCount();
    writeProtection();
    writeWindow1();
    writeBackup();
    writeHideObj();
    writeDateMode();
    writePrecision();
    writeRefreshAll();
    writeBookBool();
    for (size_t i = 0; i < tables_.fonts().size(); ++i)
        writeFont(i);
    writeFormats();
    writeStyleXfs();
    writeCellXfs();
    writePalette();
    writeStyles();
    writeUsesElfs();
    writeBoundSheets();
    writeCountry();
    writeSst();
    writeEof();
}

void XlsBiffWriter::writeBof() {
    out_.record(kBof,
                LittleEndianBuffer().u16(0x0600).u16(0x0005).u16(3515).u16(1996).u32(0).u32(0x600).bytes());
}

void XlsBiffWriter::writeInterfaceHdr() {
    out_.record(kInterfaceHdr, u16Data(1252));
}

void XlsBiffWriter::writeMms() {
    out_.record(kMms, u16Data(0));
}

void XlsBiffWriter::writeInterfaceEnd() {
    out_.record(kInterfaceEnd, {});
}

// A counted UTF-16 string padded with blanks to the record's fixed size, as
// readers parse it (the bare characters would be read as a length).
void XlsBiffWriter::writeWriteAccess() {
    const QString name = workbook_.UserName.left((kWriteAccessSize - 3) / 2);
    LittleEndianBuffer b;
    b.u16(unsigned(name.size())).u8(0x01).utf16(name);
    b.fill(0x20, kWriteAccessSize - b.size());
    out_.record(kWriteAccess, b.bytes());
}

void XlsBiffWriter::writeCodePage() {
    out_.record(kCodePage, u16Data(1252));
}

void XlsBiffWriter::writeDsf() {
    out_.record(kDsf, u16Data(0));
}

void XlsBiffWriter::writeExcel9File() {
    out_.record(kExcel9File, {});
}

void XlsBiffWriter::writeTabId() {
    LittleEndianBuffer b;
    for (size_t i = 0; i < workbook_.Worksheets().size(); ++i)
        b.u16(unsigned(i));
    out_.record(kTabId, b.bytes());
}

void XlsBiffWriter::writeFnGroupCount() {
    out_.record(kFnGroupCount, u16Data(14));
}

void XlsBiffWriter::writeProtection() {
    for (const std::uint16_t type : {kWindowProtect, kProtect, kPassword, kProt4Rev, kProt4RevPass})
        out_.record(type, u16Data(0));
}

void XlsBiffWriter::writeWindow1() {
    out_.record(kWindow1, LittleEndianBuffer()
                              .u16(360)
                              .u16(30)
                              .u16(7454)
                              .u16(6240)
                              .u16(0x0038)
                              .u16(0)
                              .u16(0)
                              .u16(1)
                              .u16(600)
                              .bytes());
}

void XlsBiffWriter::writeBackup() {
    out_.record(kBackup, u16Data(0));
}

void XlsBiffWriter::writeHideObj() {
    out_.record(kHideObj, u16Data(0));
}

void XlsBiffWriter::writeDateMode() {
    out_.record(kDateMode, u16Data(0));
}

void XlsBiffWriter::writePrecision() {
    out_.record(kPrecision, u16Data(1));
}

void XlsBiffWriter::writeRefreshAll() {
    out_.record(kRefreshAll, u16Data(0));
}

void XlsBiffWriter::writeBookBool() {
    out_.record(kBookBool, u16Data(0));
}

void XlsBiffWriter::writeFont(size_t index) {
    const TRLXLSFont& font = tables_.fonts()[index];
    // Pitch as the platform font's pitch-and-family: default 0, fixed 1, variable 2.
    unsigned pitch = 0;
    if (font.Pitch == std::uint8_t(FontPitch::Fixed)) pitch = 1;
    if (font.Pitch == std::uint8_t(FontPitch::Variable)) pitch = 2;
    const QString name = faceNameForReaders(font.Name).left(255);
    LittleEndianBuffer b;
    b.u16(unsigned(std::clamp(font.Size * 20, 0, 0x7FFF)));
    b.u16((font.Style & fsItalic ? 0x02 : 0) | (font.Style & fsStrikeOut ? 0x08 : 0));
    b.u16(unsigned(tables_.fontColorIndex(index)));
    b.u16(font.Style & fsBold ? 700 : 400); // the weights BIFF8 defines for bold and regular
    b.u16(0).u8(font.Style & fsUnderline ? 1 : 0).u8(pitch).u8(font.Charset).u8(0);
    b.u8(unsigned(name.size())).u8(0x01).utf16(name);
    out_.record(kFont, b.bytes());
}

void XlsBiffWriter::writeFormats() {
    static const std::pair<int, const char*> currency[] = {
        {5, "#,##0\"\xF0.\";\\-#,##0\"\xF0.\""},
        {6, "#,##0\"\xF0.\";[Red]\\-#,##0\"\xF0.\""},
        {7, "#,##0.00\"\xF0.\";\\-#,##0.00\"\xF0.\""},
        {8, "#,##0.00\"\xF0.\";[Red]\\-#,##0.00\"\xF0.\""},
        {42, "_-* #,##0\"\xF0.\"_-;\\-* #,##0\"\xF0.\"_-;_-* \"-\"\"\xF0.\"_-;_-@_-"},
        {41, "_-* #,##0_\xF0_._-;\\-* #,##0_\xF0_._-;_-* \"-\"_\xF0_._-;_-@_-"},
        {44, "_-* #,##0.00\"\xF0.\"_-;\\-* #,##0.00\"\xF0.\"_-;_-* \"-\"??\"\xF0.\"_-;_-@_-"},
        {43, "_-* #,##0.00_\xF0_._-;\\-* #,##0.00_\xF0_._-;_-* \"-\"??_\xF0_._-;_-@_-"},
    };
    for (const auto& [code, text] : currency)
        writeFormat(code, currencyFormat(text));
    for (const auto& format : tables_.customFormats())
        writeFormat(format.code, format.text);
}

void XlsBiffWriter::writeFormat(int code, const QString& text) {
    const QString cut = text.left(255);
    out_.record(
        kFormat,
        LittleEndianBuffer().u16(unsigned(code)).u16(unsigned(cut.size())).u8(0x01).utf16(cut).bytes());
}

void XlsBiffWriter::writeStyleXfs() {
    for (int i = 0; i < XlsStyleTables::kStyleXfCount; ++i) {
        const unsigned font = i == 0 ? 0 : i <= 2 ? 1 : i <= 4 ? 2 : 0;
        const unsigned usedAttributes = i == 0 ? 0 : 0xF4;
        LittleEndianBuffer b;
        b.u16(font).u16(0).u16(0xFFF5).u8(0x20).u8(0).u8(0).u8(usedAttributes).fill(0, 8).u16(0x20C0);
        out_.record(kXf, b.bytes());
    }
}

void XlsBiffWriter::writeCellXfs() {
    for (const QByteArray& image : tables_.cellFormats())
        out_.record(kXf, image);
}

void XlsBiffWriter::writePalette() {
    if (!tables_.palette().changed()) return;
    LittleEndianBuffer b;
    b.u16(XlsPalette::kSize);
    for (const MetaColor& c : tables_.palette().colors())
        b.u8(c.red).u8(c.green).u8(c.blue).u8(0);
    out_.record(kPalette, b.bytes());
}

void XlsBiffWriter::writeStyles() {
    static const char styles[6][4] = {{'\x10', '\x80', '\x04', '\xFF'}, {'\x11', '\x80', '\x07', '\xFF'},
                                      {'\x00', '\x80', '\x00', '\xFF'}, {'\x12', '\x80', '\x05', '\xFF'},
                                      {'\x13', '\x80', '\x03', '\xFF'}, {'\x14', '\x80', '\x06', '\xFF'}};
    for (const auto& style : styles)
        out_.record(kStyle, QByteArray(style, 4));
}

void XlsBiffWriter::writeUsesElfs() {
    out_.record(kUsesElfs, u16Data(0));
}

void XlsBiffWriter::writeBoundSheets() {
    for (const auto& sheet : workbook_.Worksheets()) {
        boundSheetPositions_.push_back(out_.position() + 4);
        const QString& title = sheet->Title();
        out_.record(
            kBoundSheet,
            LittleEndianBuffer().u32(0).u16(0).u8(unsigned(title.size())).u8(0x01).utf16(title).bytes());
    }
}

void XlsBiffWriter::writeCountry() {
    out_.record(kCountry, LittleEndianBuffer().u16(7).u16(7).bytes());
}

// Strings never split their 3-byte header; characters split at an even byte
// count and go on in a CONTINUE record whose first byte repeats the 16-bit flag.
void XlsBiffWriter::writeSst() {
    const std::vector<QString>& strings = tables_.strings();
    if (strings.empty()) return;
    const int perBucket =
        std::max<int>(kMinStringsPerBucket, int((strings.size() + kMaxSstBuckets - 1) / kMaxSstBuckets));
    std::vector<std::pair<qint64, int>> buckets; // stream position, offset from the record's type field

    constexpr qsizetype limit = BiffRecordWriter::kMaxRecordData;
    LittleEndianBuffer record;
    std::uint16_t type = kSst;
    auto flush = [&] {
        out_.record(type, record.bytes());
        record = LittleEndianBuffer();
        type = BiffRecordWriter::kContinue;
    };
    record.u32(std::uint32_t(strings.size())).u32(std::uint32_t(strings.size()));
    for (size_t i = 0; i < strings.size(); ++i) {
        const QString& text = strings[i];
        if (limit - record.size() <= 4) flush();
        if (i % size_t(perBucket) == 0)
            buckets.emplace_back(out_.position() + 4 + record.size(), int(4 + record.size()));
        record.u16(unsigned(text.size())).u8(0x01);
        qsizetype done = 0;
        while (done < text.size()) {
            const qsizetype room = (limit - record.size()) / 2;
            if (room == 0) {
                flush();
                record.u8(0x01);
                continue;
            }
            const qsizetype take = std::min(room, text.size() - done);
            record.utf16(text.mid(done, take));
            done += take;
        }
    }
    flush();
    writeExtSst(buckets, perBucket);
}

void XlsBiffWriter::writeExtSst(const std::vector<std::pair<qint64, int>>& buckets, int perBucket) {
    LittleEndianBuffer b;
    b.u16(unsigned(perBucket));
    for (const auto& [position, offset] : buckets)
        b.u32(std::uint32_t(position)).u16(unsigned(offset)).u16(0);
    out_.record(kExtSst, b.bytes());
}

void XlsBiffWriter::writeEof() {
    out_.record(kEof, {});
}

} // namespace rl
