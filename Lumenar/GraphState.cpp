#include "Lumenar/GraphState.h"

#include <cmath>
#include <new>
#include <numeric>
#include <stdexcept>

#include "Lumenar/EngineRegistry.h"
#include "automation/bstr.h"
#include "automation/conversion.h"
#include "automation/failure.h"
#include "automation/trace.h"

namespace lumenar {

using automation::E_INVALIDARG;
using automation::StatusError;
using automation::Variant;

namespace {

// rtType of a one-dimensional array of variants.
constexpr std::int32_t rtScript = 1;

// The shape the caller's array must have: exactly nx x ny values.
bool HasShape(const Variant& in, std::int32_t nx, std::int32_t ny) {
    const Variant& v = in.Deref();
    return v.IsArray() && v.array().dims() == 2 && v.array().bound(0).cElements == static_cast<std::uint32_t>(nx) &&
           v.array().bound(1).cElements == static_cast<std::uint32_t>(ny);
}

double CheckedDegrees(double degrees) {
    if (!std::isfinite(degrees)) throw StatusError(E_INVALIDARG, "The camera angle must be a finite number of degrees");
    return degrees;
}

}  // namespace

void GraphState::CheckDrawable() const {
    if (!x) throw StatusError(E_INVALIDARG, "The graph has no density: call SetDensity or MappingName first");
    if (nx <= 0 || ny <= 0 ||
        static_cast<std::uint64_t>(nx) * static_cast<std::uint64_t>(ny) > static_cast<std::uint64_t>(storedCount))
        throw StatusError(E_INVALIDARG, "The resolution nx x ny exceeds the stored density");
}

void CGraphCommon::ReleaseDensity(const char* blockLine, const char* bufferLine) {
    if (state_.block) {
        automation::Trace(blockLine);
        state_.block.reset();
        state_.marginal = nullptr;
    } else if (state_.x) {
        automation::Trace(bufferLine);
        state_.densityBuffer = {};
    }
    state_.x = nullptr;
    state_.storedCount = 0;
}

// Unlike the platform's conversion, whose result went unexamined, an array of the wrong shape (or a
// size that is not positive) fails and leaves no density, so that a wrong call never reports
// success with a picture of zeros.
void CGraphCommon::SetDensity(std::int32_t nx, std::int32_t ny, const Variant& vIn) {
    ReleaseDensity("Deleting pvFile in SetDensity", "Freeing x in SetDensity");
    state_.nx = nx;
    state_.ny = ny;
    if (nx <= 0 || ny <= 0) throw StatusError(E_INVALIDARG, "nx and ny must be positive");
    if (!HasShape(vIn, nx, ny))
        throw StatusError(E_INVALIDARG, "The density must be a two-dimensional array of nx x ny values");
    const std::size_t n = static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny);
    std::vector<double> buffer;
    try {
        buffer.assign(n, 0.0);
    } catch (const std::bad_alloc&) {
        throw std::runtime_error("Mem alloc error");
    }
    const std::size_t dims[] = {static_cast<std::size_t>(nx), static_cast<std::size_t>(ny)};
    automation::VariantToDoubleWithDimensionCheck(vIn, dims, buffer);
    state_.densityBuffer = std::move(buffer);
    state_.x = state_.densityBuffer.data();
    state_.storedCount = n;
}

void CGraphCommon::MappingName(const std::u16string& mapName) {
    ReleaseDensity("Deleting pvFile in MappingName", "Deleting x in MappingName");
    state_.block = CDensityBlock::Open(mapName);
    state_.nx = state_.block->nx();
    state_.ny = state_.block->ny();
    state_.x = state_.block->density();
    state_.marginal = state_.block->marginal();
    state_.storedCount = static_cast<std::size_t>(state_.nx) * static_cast<std::size_t>(state_.ny);
}

void CGraphCommon::SetScaleXYZ(double scX, double scY, double scZ) {
    state_.scaleX = scX;
    state_.scaleY = scY;
    state_.scaleZ = scZ;
}

void CGraphCommon::SetResolution(std::int32_t nx, std::int32_t ny) {
    state_.nx = nx;
    state_.ny = ny;
}

void CGraphCommon::put_plotType(std::int32_t code) {
    if (code == state_.plotType) return;
    state_.plotType = code;
    state_.setup = false;
    state_.engine.reset();
    if (code > 0) {
        state_.engine = MakeEngine(code, state_);
        if (!state_.engine) throw std::runtime_error("Unknown Engine ID");
    }
    OnViewChanged();
}

void CGraphCommon::Decorations(const std::u16string& title, const std::u16string& xaxis, const std::u16string& yaxis,
                               const std::u16string& zaxis, std::int32_t showColorBar) {
    state_.decorationsSet = true;
    state_.title = automation::Utf16ToUtf8(title);
    state_.xaxis = automation::Utf16ToUtf8(xaxis);
    state_.yaxis = automation::Utf16ToUtf8(yaxis);
    state_.zaxis = automation::Utf16ToUtf8(zaxis);
    state_.showColorBar = showColorBar;
}

// Normalised in place, so a second call finds the values already normalised. A posterior that sums
// to 0 (a cut line through zero density only) stays all zeros rather than being divided by 0.
Variant CGraphCommon::GetPosterior() {
    if (state_.posterior.empty()) return {};
    const double sum = std::accumulate(state_.posterior.begin(), state_.posterior.end(), 0.0);
    if (sum != 0.0) {
        const double scale = 1.0 / sum;
        for (double& p : state_.posterior) p *= scale;
    }
    return automation::DoubleToVariant(rtScript, state_.posterior);
}

void CGraphCommon::SetWindowAndLevel(double window, double level) {
    state_.window = window;
    state_.level = level;
    state_.windowLevelSet = true;
}

void CGraphCommon::put_Elevation(double degrees) { state_.Elevation = CheckedDegrees(degrees); }
void CGraphCommon::put_Azimuth(double degrees) { state_.Azimuth = CheckedDegrees(degrees); }

}  // namespace lumenar
