// Variants and texts in stream records.
//
// Counted text: a 4-byte byte count b (the UTF-16 bytes plus 2 for the terminating zero; 0 for an
// empty text), then b bytes.
// Variant form: 2 bytes of type code, then by type: 1 byte (VT_I1, VT_UI1); 2 bytes (VT_I2,
// VT_BOOL, VT_UI2); 4 bytes (VT_I4, VT_R4, VT_ERROR, VT_UI4, VT_INT, VT_UINT); 8 bytes (VT_R8,
// VT_CY, VT_DATE); the object saved with its class identity (VT_DISPATCH, VT_UNKNOWN); for every
// other type the value converted to text and written as counted text. A value that does not
// convert to text (an array) cannot be written: the conversion's status is thrown.
#pragma once

#include <string>

#include "automation/stream.h"
#include "automation/variant.h"

namespace automation {

void WriteCountedText(IStream* stream, const std::u16string& text);
// Throws STG_E_READFAULT when the stream ends early and E_INVALIDARG when the count is not that of
// a zero-terminated UTF-16 text.
std::u16string ReadCountedText(IStream* stream);

void WriteVariantForm(IStream* stream, const Variant& value);
// Reads what WriteVariantForm writes. Text forms come back as VT_BSTR (VT_EMPTY and VT_NULL with
// no text, VT_I8, VT_UI8 and VT_DECIMAL converted from their text); any other type code fails
// with DISP_E_BADVARTYPE.
Variant ReadVariantForm(IStream* stream);

}  // namespace automation
