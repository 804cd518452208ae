#include "Lumenar/Printer.h"

#include <algorithm>
#include <memory>

#include <cairo-pdf.h>
#include <cairo.h>
#include <cups/cups.h>

#include "automation/failure.h"
#include "automation/trace.h"

namespace lumenar {

using automation::StatusError;

namespace {

// The fall-back media: ISO A4, in hundredths of millimetres.
constexpr int kA4Width = 21000;
constexpr int kA4Length = 29700;
constexpr double kPointsPerHundredthMm = 72.0 / 2540.0;
// The caption's size in points.
constexpr double kCaptionSize = 12.0;

struct DestList {
    cups_dest_t* dests = nullptr;
    int count = 0;
    DestList() { count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests); }
    ~DestList() { cupsFreeDests(count, dests); }
};

[[noreturn]] void PrintFailure(const std::string& what) {
    throw StatusError(automation::E_INVALIDARG, what + ": " + cupsLastErrorString());
}

}  // namespace

CPrintDestination CPrintDestination::Choose() {
    DestList list;
    if (list.count <= 0) throw StatusError(automation::E_INVALIDARG, "No printer");
    const cups_dest_t& used = list.dests[list.count > 1 ? 1 : 0];
    automation::Trace(std::string("Printing to: ") + used.name);
    automation::Trace(std::string("Other Printing is: ") + list.dests[0].name);
    return CPrintDestination(used.name);
}

PageArea CPrintDestination::DefaultPage() const {
    cups_size_t size{};
    bool known = false;
    {
        DestList list;
        if (cups_dest_t* dest = cupsGetDest(name_.c_str(), nullptr, list.count, list.dests)) {
            if (cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest)) {
                known = cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, dest, info, 0, &size) != 0 && size.width > 0 &&
                        size.length > 0;
                cupsFreeDestInfo(info);
            }
        }
    }
    if (!known) size = cups_size_t{{}, kA4Width, kA4Length, 0, 0, 0, 0};
    const double k = kPointsPerHundredthMm;
    return PageArea{size.width * k, size.length * k, size.left * k, size.top * k, size.right * k, size.bottom * k};
}

void CPrintDestination::Submit(const std::string& title, const std::string& pdf) const {
    const int job = cupsCreateJob(CUPS_HTTP_DEFAULT, name_.c_str(), title.c_str(), 0, nullptr);
    if (job == 0) PrintFailure("The print job could not be created");
    if (cupsStartDocument(CUPS_HTTP_DEFAULT, name_.c_str(), job, title.c_str(), CUPS_FORMAT_PDF, 1) != HTTP_STATUS_CONTINUE)
        PrintFailure("The page could not be sent");
    for (std::size_t sent = 0; sent < pdf.size();) {
        const std::size_t n = std::min<std::size_t>(pdf.size() - sent, 1 << 20);
        if (cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf.data() + sent, n) != HTTP_STATUS_CONTINUE) {
            cupsFinishDocument(CUPS_HTTP_DEFAULT, name_.c_str());
            PrintFailure("The page could not be sent");
        }
        sent += n;
    }
    if (cupsFinishDocument(CUPS_HTTP_DEFAULT, name_.c_str()) > IPP_STATUS_OK_CONFLICTING)
        PrintFailure("The print job could not be completed");
}

std::string ComposePdfPage(const PageArea& page, const std::string& caption, std::span<const std::uint8_t> rgb,
                           int side) {
    std::string pdf;
    auto write = [](void* closure, const unsigned char* data, unsigned int length) {
        static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
        return CAIRO_STATUS_SUCCESS;
    };
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(write, &pdf, page.width, page.height);
    cairo_t* cr = cairo_create(surface);

    if (!rgb.empty()) {
        // The picture as cairo keeps images (32 bits per pixel), top row first.
        cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, side, side);
        const int stride = cairo_image_surface_get_stride(image);
        unsigned char* out = cairo_image_surface_get_data(image);
        for (int row = 0; row < side; ++row) {
            const std::uint8_t* in = rgb.data() + static_cast<std::size_t>(side - 1 - row) * side * 3;
            auto* line = reinterpret_cast<std::uint32_t*>(out + static_cast<std::size_t>(row) * stride);
            for (int col = 0; col < side; ++col, in += 3)
                line[col] = (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
        }
        cairo_surface_mark_dirty(image);
        const double scale = std::min(page.printableWidth(), page.printableHeight()) / side;
        cairo_save(cr);
        cairo_translate(cr, page.left + (page.printableWidth() - side * scale) / 2,
                        page.top + (page.printableHeight() - side * scale) / 2);
        cairo_scale(cr, scale, scale);
        cairo_set_source_surface(cr, image, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
        cairo_paint(cr);
        cairo_restore(cr);
        cairo_surface_destroy(image);
    }

    // The caption's top at the printable area's top-left corner.
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, kCaptionSize);
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_move_to(cr, page.left, page.top + font.ascent);
    cairo_show_text(cr, caption.c_str());

    cairo_show_page(cr);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    const cairo_status_t status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) throw std::runtime_error(cairo_status_to_string(status));
    return pdf;
}

}  // namespace lumenar
