#include "store/jpeg_decoder.h"

// clang-format off
#include <csetjmp>
#include <cstdio>  // jpeglib.h names FILE without including it
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "base/debug_log.h"
#include "store/picture_header.h"

// libjpeg reports a fatal error by calling error_exit, which must not return: ours jumps back
// to Run. Only libjpeg's C frames and our callbacks lie between the two; neither they nor Run
// keep anything with a destructor, so the jump skips no C++ clean-up: everything that needs
// one lives in the caller's Session.

namespace {

constexpr int kRowsPerStrip = 32;
constexpr std::size_t kReadBytes = 64 << 10;  // a piece of a file read at a time
// A progressive file of thousands of tiny scans is only made to keep a decoder busy.
constexpr int kMaxScans = 500;
// A progressive picture keeps every coefficient until its last scan: 2 bytes for each sample
// of up to three full-size components, so the bitmap limit's pictures need about 1.5 times it.
constexpr long kMaxWorkingBytes = static_cast<long>(2 * kMaxDecodedBitmapBytes);

struct ErrorManager {
    jpeg_error_mgr base;  // first: libjpeg hands back a pointer to it
    std::jmp_buf jump;
    int warnings;
    char firstWarning[JMSG_LENGTH_MAX];
    char error[JMSG_LENGTH_MAX];
};

ErrorManager& ErrorsOf(j_common_ptr info) { return *reinterpret_cast<ErrorManager*>(info->err); }

void OnError(j_common_ptr info) {
    ErrorManager& errors = ErrorsOf(info);
    info->err->format_message(info, errors.error);
    std::longjmp(errors.jump, 1);
}

// Corrupt entropy data still leaves a picture that shows, so its warnings are only counted
// (never printed to stderr); trace messages (level 0 and up) are dropped. A file cut short is
// refused, even when only its end marker is missing: the system's loader refuses it too, and
// both ways of loading must agree.
void OnMessage(j_common_ptr info, int level) {
    if (level >= 0) return;
    ErrorManager& errors = ErrorsOf(info);
    if (info->err->msg_code == JWRN_JPEG_EOF) OnError(info);
    if (errors.warnings++ == 0) info->err->format_message(info, errors.firstWarning);
}

void OnProgress(j_common_ptr info) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number <= kMaxScans) return;
    ErrorManager& errors = ErrorsOf(info);
    std::snprintf(errors.error, sizeof errors.error, "more than %d scans", kMaxScans);
    std::longjmp(errors.jump, 1);
}

// Bytes from a reader, a piece at a time.
struct ReaderSource {
    jpeg_source_mgr base;  // first: libjpeg hands back a pointer to it
    const JpegReader* read;
    std::vector<unsigned char> buffer;
};

void StartReading(j_decompress_ptr) {}
void StopReading(j_decompress_ptr) {}

boolean ReadMore(j_decompress_ptr info) {
    static const JOCTET kEnd[] = {0xFF, JPEG_EOI};
    auto* source = reinterpret_cast<ReaderSource*>(info->src);
    const std::size_t got = (*source->read)(source->buffer.data(), source->buffer.size());
    if (got == 0) {
        WARNMS(info, JWRN_JPEG_EOF);  // which OnMessage turns into an error
        source->base.next_input_byte = kEnd;
        source->base.bytes_in_buffer = sizeof kEnd;
        return TRUE;
    }
    source->base.next_input_byte = source->buffer.data();
    source->base.bytes_in_buffer = got;
    return TRUE;
}

void SkipBytes(j_decompress_ptr info, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* source = info->src;
    while (static_cast<std::size_t>(count) > source->bytes_in_buffer) {
        count -= static_cast<long>(source->bytes_in_buffer);
        ReadMore(info);
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= static_cast<std::size_t>(count);
}

// Everything the decoding needs that outlives a jump back into Run.
struct Session {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    jpeg_progress_mgr progress{};
    const unsigned char* data = nullptr;  // all the bytes, or a reader
    std::size_t size = 0;
    ReaderSource reader{};
    std::vector<unsigned char> strip;
    std::vector<JSAMPROW> rows;
    bool adobeCmyk = false;
    bool cmyk = false;

    Session() {
        info.err = jpeg_std_error(&errors.base);
        errors.base.error_exit = OnError;
        errors.base.emit_message = OnMessage;
        progress.progress_monitor = OnProgress;
    }
    ~Session() { jpeg_destroy_decompress(&info); }  // also fine when never created
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
};

std::uint8_t Times(unsigned a, unsigned b) { return static_cast<std::uint8_t>((a * b + 127) / 255); }

// CMYK to blue, green, red in place. Adobe's files store the inks inverted (0 is full ink).
void CmykToBgrx(unsigned char* pixel, size_t count, bool inverted) {
    for (size_t i = 0; i < count; ++i, pixel += 4) {
        unsigned c = pixel[0], m = pixel[1], y = pixel[2], k = pixel[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        pixel[0] = Times(y, k);
        pixel[1] = Times(m, k);
        pixel[2] = Times(c, k);
        pixel[3] = 0;
    }
}

// Header, scale and colour space; false when the scaled bitmap would be too large.
bool Prepare(Session& s, DecodeHint hint) {
    jpeg_read_header(&s.info, TRUE);
    // CMYK and YCCK come out as CMYK, converted by us; everything else straight to BGRX.
    s.cmyk = s.info.jpeg_color_space == JCS_CMYK || s.info.jpeg_color_space == JCS_YCCK;
    s.adobeCmyk = s.cmyk && s.info.saw_Adobe_marker;
    s.info.out_color_space = s.cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    s.info.scale_num = static_cast<unsigned>(ChooseEighths(s.info.image_width, s.info.image_height, hint));
    s.info.scale_denom = 8;
    jpeg_calc_output_dimensions(&s.info);
    return DecodedBitmapFits(s.info.output_width, s.info.output_height);
}

// The part between setjmp and the last libjpeg call; holds nothing that needs destroying.
// 1: decoded; 0: refused for its size or by the sink; -1: libjpeg gave up.
int Run(Session& s, DecodeHint hint, const JpegRowSink& sink) {
    if (setjmp(s.errors.jump)) return -1;
    jpeg_create_decompress(&s.info);
    s.info.mem->max_memory_to_use = kMaxWorkingBytes;
    s.info.progress = &s.progress;
    if (s.data) {
        jpeg_mem_src(&s.info, s.data, static_cast<unsigned long>(s.size));
    } else {
        s.reader.base.init_source = StartReading;
        s.reader.base.fill_input_buffer = ReadMore;
        s.reader.base.skip_input_data = SkipBytes;
        s.reader.base.resync_to_restart = jpeg_resync_to_restart;
        s.reader.base.term_source = StopReading;
        s.info.src = &s.reader.base;
    }
    if (!Prepare(s, hint)) return 0;
    const int width = static_cast<int>(s.info.output_width), height = static_cast<int>(s.info.output_height);
    if (!sink.begin(width, height)) return 0;
    jpeg_start_decompress(&s.info);
    const size_t stride = static_cast<size_t>(width) * 4;
    s.strip.resize(stride * kRowsPerStrip);
    s.rows.resize(kRowsPerStrip);
    for (int i = 0; i < kRowsPerStrip; ++i) s.rows[i] = s.strip.data() + stride * i;
    while (s.info.output_scanline < s.info.output_height) {
        const int first = static_cast<int>(s.info.output_scanline);
        int count = 0;
        while (count < kRowsPerStrip && s.info.output_scanline < s.info.output_height)
            count += static_cast<int>(jpeg_read_scanlines(&s.info, &s.rows[count], kRowsPerStrip - count));
        if (s.cmyk) CmykToBgrx(s.strip.data(), static_cast<size_t>(width) * count, s.adobeCmyk);
        if (!sink.rows(first, count, s.strip.data())) return 0;
    }
    // Every row is out; what follows the picture in the file is of no interest.
    return 1;
}

std::wstring Widen(const char* text) { return std::wstring(text, text + std::strlen(text)); }

}  // namespace

bool LooksLikeJpeg(const unsigned char* data, std::size_t size) {
    return data && size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

std::uint32_t ScaledSide(std::uint32_t side, int eighths) {
    return static_cast<std::uint32_t>((std::uint64_t{side} * static_cast<std::uint64_t>(eighths) + 7) / 8);
}

int ChooseEighths(std::uint32_t width, std::uint32_t height, DecodeHint hint) {
    if (hint.coverWidth <= 0 || hint.coverHeight <= 0) return 8;
    const auto coverWidth = static_cast<std::uint32_t>(hint.coverWidth);
    const auto coverHeight = static_cast<std::uint32_t>(hint.coverHeight);
    for (int eighths = 1; eighths < 8; ++eighths)
        if (ScaledSide(width, eighths) >= coverWidth && ScaledSide(height, eighths) >= coverHeight) return eighths;
    return 8;
}

namespace {

JpegOutcome Decode(Session& session, DecodeHint hint, const JpegRowSink& sink) {
    JpegOutcome outcome;
    const int result = Run(session, hint, sink);
    outcome.fullWidth = session.info.image_width;
    outcome.fullHeight = session.info.image_height;
    if (result < 0) {
        DebugLog(L"JPEG not decoded: " + Widen(session.errors.error) + L"\n");
    } else if (result == 0 && !DecodedBitmapFits(session.info.output_width, session.info.output_height)) {
        DebugLog(L"JPEG refused: " + std::to_wstring(outcome.fullWidth) + L" x " + std::to_wstring(outcome.fullHeight) +
                 L" decodes to " + std::to_wstring(session.info.output_width) + L" x " +
                 std::to_wstring(session.info.output_height) + L", more than the " +
                 std::to_wstring(kMaxDecodedBitmapBytes >> 20) + L" MB a bitmap may take\n");
    }
    if (session.errors.warnings > 0)
        DebugLog(L"JPEG with " + std::to_wstring(session.errors.warnings) + L" warning(s), the first: " +
                 Widen(session.errors.firstWarning) + L"\n");
    outcome.decoded = result > 0;
    return outcome;
}

}  // namespace

JpegOutcome DecodeJpeg(const unsigned char* data, std::size_t size, DecodeHint hint, const JpegRowSink& sink) {
    if (!LooksLikeJpeg(data, size) || size > ULONG_MAX) return JpegOutcome{};
    Session session;
    session.data = data;
    session.size = size;
    return Decode(session, hint, sink);
}

JpegOutcome DecodeJpeg(const JpegReader& read, DecodeHint hint, const JpegRowSink& sink) {
    Session session;
    session.reader.read = &read;
    session.reader.buffer.resize(kReadBytes);
    return Decode(session, hint, sink);
}
