#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

class QIODevice;

namespace rl {

class BiffRecordWriter;
class TRLXLSWorkbook;
class XlsStyleTables;

// Writes a workbook as a BIFF8 workbook stream: the globals, then one
// worksheet substream per worksheet. The stream starts at the device's
// position, which must be seekable (the sheet positions are patched in at the
// end). Throws rl::Error when the device fails; what was written stays.
class XlsBiffWriter {
public:
    static void write(const TRLXLSWorkbook& workbook, QIODevice& device);

private:
    XlsBiffWriter(const TRLXLSWorkbook& workbook, const XlsStyleTables& tables, BiffRecordWriter& out);
    void writeGlobals();

    void writeBof();                                 // beginning of the globals substream
    void writeInterfaceHdr();                        // code page of the user interface
    void writeMms();                                 // add-menu counts
    void writeInterfaceEnd();                        // end of the interface records
    void writeWriteAccess();                         // name of the user who saved the file
    void writeCodePage();                            // code page of the file
    void writeDsf();                                 // no double-stream file
    void writeExcel9File();                          // written by a later version
    void writeTabId();                               // sheet identifiers in tab order
    void writeFnGroupCount();                        // built-in function groups
    void writeProtection();                          // window, workbook and revision protection, all off
    void writeWindow1();                             // workbook window position and tab bar
    void writeBackup();                              // no backup on save
    void writeHideObj();                             // objects shown
    void writeDateMode();                            // 1900 date system
    void writePrecision();                           // full precision
    void writeRefreshAll();                          // no refresh on load
    void writeBookBool();                            // external link values saved
    void writeFont(size_t font);                     // one font of the font table
    void writeFormats();                             // currency and custom number formats
    void writeFormat(int code, const QString& text); // one number format
    void writeStyleXfs();                            // the 15 style formats
    void writeCellXfs();                             // the default and every distinct cell format
    void writePalette();                             // the colours, when one was placed
    void writeStyles();                              // built-in cell styles
    void writeUsesElfs();                            // natural-language formulas off
    void writeBoundSheets();                         // one per worksheet; positions patched later
    void writeCountry();                             // country of the user interface and system
    void writeSst();                                 // shared strings, with their CONTINUE records
    void writeExtSst(const std::vector<std::pair<qint64, int>>& buckets,
                     int perBucket); // string look-up buckets
    void writeEof();                 // end of the globals

    const TRLXLSWorkbook& workbook_;
    const XlsStyleTables& tables_;
    BiffRecordWriter& out_;
    std::vector<qint64> boundSheetPositions_; // where each BOUNDSHEET's position field lies
};

} // namespace rl
