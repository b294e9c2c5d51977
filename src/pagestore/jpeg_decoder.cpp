#include "pagestore/jpeg_decoder.h"

#include "platform/error.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

// jpeglib.h expects FILE and size_t to be declared before it.
#include <jerror.h>
#include <jpeglib.h>

namespace rl {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return. A C++
// exception thrown from it would unwind through libjpeg's C frames, so we jump
// back to the decoding function with longjmp and turn the failure into an
// rl::Error only after we are out of libjpeg.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void jumpOut(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    jumpOut(cinfo);
}

// libjpeg only warns on damaged data and carries on, filling the missing part of
// the picture with grey; a truncated or corrupt file must fail instead. Only the
// warnings about unknown metadata versions, which do not touch the pixels, are let pass.
void emitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return; // trace messages
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JFIF_MAJOR || code == JWRN_ADOBE_XFORM) return;
    errorExit(cinfo);
}

void outputMessage(j_common_ptr) {} // libjpeg would print to stderr

void limitScans(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (dinfo->input_scan_number > JpegDecoder::kMaxScans) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "more than %d scans", JpegDecoder::kMaxScans);
        jumpOut(cinfo);
    }
}

enum class Outcome { Decoded, LibjpegError, TooLarge, UnsupportedColorSpace };

// Everything the decoding function changes lives here, in the caller's frame,
// so that nothing it needs after a longjmp is an indeterminate local.
struct DecodeContext {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
    QImage image;
    bool inverted = false;
};

// Ink values to RGB. Without an Adobe marker 0 means no ink; with one (Adobe
// software writes inverted values) 255 means no ink.
void cmykRowToRgb(const JSAMPLE* in, uchar* out, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
        unsigned c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[0] = static_cast<uchar>((c * k + 127) / 255);
        out[1] = static_cast<uchar>((m * k + 127) / 255);
        out[2] = static_cast<uchar>((y * k + 127) / 255);
    }
}

// The decoding steps; a libjpeg failure jumps out of here into runDecode. No C++
// object with a destructor is alive across a libjpeg call, so the jump skips nothing.
Outcome decodeSteps(DecodeContext* ctx, const unsigned char* data, unsigned long size) {
    j_decompress_ptr cinfo = &ctx->cinfo;
    jpeg_create_decompress(cinfo);
    ctx->progress.progress_monitor = limitScans;
    cinfo->progress = &ctx->progress;
    jpeg_mem_src(cinfo, data, size);
    jpeg_read_header(cinfo, TRUE);

    const qint64 width = cinfo->image_width;
    const qint64 height = cinfo->image_height;
    if (width > JpegDecoder::kMaxSide || height > JpegDecoder::kMaxSide ||
        width * height > JpegDecoder::kMaxPixels)
        return Outcome::TooLarge;

    QImage::Format format;
    switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
        cinfo->out_color_space = JCS_GRAYSCALE;
        format = QImage::Format_Grayscale8;
        break;
    case JCS_YCbCr:
    case JCS_RGB:
        cinfo->out_color_space = JCS_RGB;
        format = QImage::Format_RGB888;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo->out_color_space = JCS_CMYK;
        format = QImage::Format_RGB888;
        ctx->inverted = cinfo->saw_Adobe_marker;
        break;
    default:
        return Outcome::UnsupportedColorSpace;
    }

    jpeg_start_decompress(cinfo);
    ctx->image =
        QImage(static_cast<int>(cinfo->output_width), static_cast<int>(cinfo->output_height), format);
    if (ctx->image.isNull()) {
        std::snprintf(ctx->err.message, sizeof ctx->err.message, "out of memory");
        return Outcome::LibjpegError;
    }

    const bool cmyk = cinfo->out_color_space == JCS_CMYK;
    // libjpeg frees its own pools in jpeg_destroy, after a jump too.
    JSAMPARRAY inkRow = cmyk ? (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                           cinfo->output_width * 4, 1)
                             : nullptr;
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = static_cast<int>(cinfo->output_scanline);
        uchar* line = ctx->image.scanLine(y);
        if (cmyk) {
            jpeg_read_scanlines(cinfo, inkRow, 1);
            cmykRowToRgb(inkRow[0], line, cinfo->output_width, ctx->inverted);
        } else {
            JSAMPROW row = line;
            jpeg_read_scanlines(cinfo, &row, 1);
        }
    }
    jpeg_finish_decompress(cinfo);
    return Outcome::Decoded;
}

// The only function that calls setjmp; it keeps no locals of its own, so none
// can be left indeterminate by the jump.
Outcome runDecode(DecodeContext* ctx, const unsigned char* data, unsigned long size) {
    if (setjmp(ctx->err.jump)) return Outcome::LibjpegError;
    return decodeSteps(ctx, data, size);
}

} // namespace

bool JpegDecoder::looksLikeJpeg(const QByteArray& bytes) {
    return bytes.size() >= 2 && static_cast<uchar>(bytes[0]) == 0xFF && static_cast<uchar>(bytes[1]) == 0xD8;
}

QImage JpegDecoder::decode(const QByteArray& bytes) {
    DecodeContext ctx;
    std::memset(&ctx.cinfo, 0, sizeof ctx.cinfo);
    std::memset(&ctx.progress, 0, sizeof ctx.progress);
    ctx.err.message[0] = '\0';
    ctx.cinfo.err = jpeg_std_error(&ctx.err.pub);
    ctx.err.pub.error_exit = errorExit;
    ctx.err.pub.emit_message = emitMessage;
    ctx.err.pub.output_message = outputMessage;

    const Outcome outcome = runDecode(&ctx, reinterpret_cast<const unsigned char*>(bytes.constData()),
                                      static_cast<unsigned long>(bytes.size()));
    const qint64 width = ctx.cinfo.image_width;
    const qint64 height = ctx.cinfo.image_height;
    // A cinfo that was never created has no memory manager; destroying it is then a no-op.
    jpeg_destroy_decompress(&ctx.cinfo);

    switch (outcome) {
    case Outcome::Decoded:
        break;
    case Outcome::LibjpegError:
        throw Error(std::string("JPEG danificado ou incompleto (") + ctx.err.message + ")");
    case Outcome::TooLarge:
        throw Error("JPEG grande demais (" + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels)");
    case Outcome::UnsupportedColorSpace:
        throw Error("JPEG em espaço de cor não suportado");
    }
    if (ctx.image.format() != QImage::Format_RGB888) return ctx.image.convertToFormat(QImage::Format_RGB888);
    return ctx.image;
}

} // namespace rl
