#include "automation/variant_stream.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "automation/bstr.h"
#include "automation/persist.h"

namespace automation {

namespace {

// Bytes of a fixed-size payload; 0 for the types written otherwise.
std::size_t PayloadBytes(VARTYPE vt) {
    switch (vt) {
        case VT_I1: case VT_UI1: return 1;
        case VT_I2: case VT_BOOL: case VT_UI2: return 2;
        case VT_I4: case VT_R4: case VT_ERROR: case VT_UI4: case VT_INT: case VT_UINT: return 4;
        case VT_R8: case VT_CY: case VT_DATE: return 8;
        default: return 0;
    }
}

bool IsTextForm(VARTYPE vt) {
    return vt == VT_EMPTY || vt == VT_NULL || vt == VT_BSTR || vt == VT_DECIMAL || vt == VT_I8 || vt == VT_UI8;
}

[[noreturn]] void BadNumber(VARTYPE vt) {
    throw StatusError(E_INVALIDARG, "The stream holds text that is not a number of type " + std::to_string(vt));
}

Variant IntegerFromText(VARTYPE vt, const std::u16string& text) {
    const std::string s = Utf16ToUtf8(text);
    if (s.empty()) BadNumber(vt);
    char* end = nullptr;
    errno = 0;
    const std::uint64_t bits = vt == VT_I8 ? static_cast<std::uint64_t>(std::strtoll(s.c_str(), &end, 10))
                                           : std::strtoull(s.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || (vt == VT_UI8 && s[0] == '-')) BadNumber(vt);
    return Variant::FromBits(vt, bits);
}

}  // namespace

void WriteCountedText(IStream* stream, const std::u16string& text) {
    StreamWriter out(stream);
    if (text.empty()) {
        out.Value<std::uint32_t>(0);
        return;
    }
    const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
    if (bytes > UINT32_MAX) throw StatusError(E_INVALIDARG, "Text too long for a stream record");
    out.Value(static_cast<std::uint32_t>(bytes));
    out.Bytes(text.data(), text.size() * sizeof(char16_t));
    out.Value<std::uint16_t>(0);
}

std::u16string ReadCountedText(IStream* stream) {
    StreamReader in(stream);
    const auto bytes = in.Value<std::uint32_t>();
    if (bytes == 0) return {};
    if (bytes % 2 != 0 || bytes < 2) throw StatusError(E_INVALIDARG, "The stream holds a text of odd byte count");
    const std::vector<std::uint8_t> block = in.Block(bytes);
    if (block[bytes - 1] != 0 || block[bytes - 2] != 0)
        throw StatusError(E_INVALIDARG, "The stream holds a text without its terminating zero");
    std::u16string text((bytes - 2) / 2, u'\0');
    std::memcpy(text.data(), block.data(), bytes - 2);
    return text;
}

void WriteVariantForm(IStream* stream, const Variant& in) {
    const Variant& v = in.Deref();
    StreamWriter out(stream);
    const VARTYPE vt = v.vt();
    if (const std::size_t n = PayloadBytes(vt)) {
        const std::uint64_t bits = v.bits();
        out.Value(vt);
        out.Bytes(&bits, n);
        return;
    }
    if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
        out.Value(vt);
        SaveObject(stream, v.unknown());
        return;
    }
    // Arrays and other values without a text fail here.
    const std::u16string text = vt == VT_EMPTY || vt == VT_NULL ? std::u16string() : ToText(v);
    out.Value(vt);
    WriteCountedText(stream, text);
}

Variant ReadVariantForm(IStream* stream) {
    StreamReader in(stream);
    const auto vt = in.Value<VARTYPE>();
    if (const std::size_t n = PayloadBytes(vt)) {
        std::uint64_t bits = 0;
        in.Bytes(&bits, n);
        if (vt == VT_I1) bits = static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int8_t>(bits)));
        return Variant::FromBits(vt, bits);
    }
    if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
        ComPtr<IUnknown> object = LoadObject(stream);
        if (vt == VT_UNKNOWN) return Variant::Unknown(object.get());
        if (!object) return Variant(static_cast<IDispatch*>(nullptr));
        auto dispatch = Query<IDispatch>(object.get(), IID_IDispatch);
        if (!dispatch) throw StatusError(DISP_E_BADVARTYPE, "The stream holds an object without a dispatch interface");
        return Variant(dispatch.get());
    }
    if (!IsTextForm(vt)) throw StatusError(DISP_E_BADVARTYPE, "The stream holds a variant of unknown type " + std::to_string(vt));
    std::u16string text = ReadCountedText(stream);
    switch (vt) {
        case VT_BSTR: return Variant(std::move(text));
        case VT_I8: case VT_UI8: return IntegerFromText(vt, text);
        case VT_DECIMAL: return ChangeType(Variant(std::move(text)), VT_R8);
        default:
            if (!text.empty()) throw StatusError(E_INVALIDARG, "The stream holds text for an empty variant");
            return Variant::FromBits(vt, 0);
    }
}

}  // namespace automation
