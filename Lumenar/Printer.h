// Printing through CUPS: the destination a print goes to, the printable area of its default
// media, a page composed as PDF with cairo, and its submission as one job.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace lumenar {

// A page in PDF points (1/72 inch): its size and the printable area inside its margins.
struct PageArea {
    double width = 0, height = 0;
    double left = 0, top = 0, right = 0, bottom = 0;
    double printableWidth() const { return width - left - right; }
    double printableHeight() const { return height - top - bottom; }
};

class CPrintDestination {
public:
    // The destination a print uses: the second of CUPS's destinations in its order, the first
    // when there is only one. Traces the one used and the first. Throws StatusError(E_INVALIDARG,
    // "No printer") when CUPS knows none.
    static CPrintDestination Choose();

    const std::string& name() const { return name_; }
    // The default media's page and printable area; ISO A4 without margins when the destination
    // reports no default media.
    PageArea DefaultPage() const;
    // Submits one PDF document as a job of this title; throws StatusError(E_INVALIDARG) with the
    // scheduler's text when the job cannot be created, sent or completed.
    void Submit(const std::string& title, const std::string& pdf) const;

private:
    explicit CPrintDestination(std::string name) : name_(std::move(name)) {}
    std::string name_;
};

// One page: the caption at the top-left corner of the printable area, and the picture (side x
// side pixels of red, green, blue, bottom row first; none when empty) scaled isotropically and
// centred in the printable area.
std::string ComposePdfPage(const PageArea& page, const std::string& caption, std::span<const std::uint8_t> rgb,
                           int side);

}  // namespace lumenar
