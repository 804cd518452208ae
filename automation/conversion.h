// The conversion service: variants of numbers to contiguous doubles and back.
//
// Result shapes follow the rtType codes: 0 gives a column (n rows x 1 column of VT_R8),
// 1 a one-dimensional array of variants holding VT_R8, and 2 (where a method passes it on)
// the shape of 1. Any other code fails with E_INVALIDARG.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "automation/variant.h"

namespace automation {

// How a matrix's values lie in memory: the first index fastest (the platform's order) or the last.
enum class StorageOrder { ColumnMajor, RowMajor };

// The values of a number, or of a 1-D or 2-D array of numbers, in storage order (first index
// fastest). Empty elements count as 0; a text or object fails with DISP_E_TYPEMISMATCH; an empty
// or missing variant gives no values. The vector owns the values: its destruction is the release.
std::vector<double> VariantToDouble(const Variant& v);
// The same values read in place where v holds doubles (an array of them, or a reference to a
// caller's), else converted into `storage`; the view lasts as long as both v and storage.
std::span<const double> VariantToDoubleView(const Variant& v, std::vector<double>& storage);
// The same into a caller's buffer: writes at most buffer.size() values, returns the full count
// so that callers can reject a wrong count.
std::size_t VariantToDouble(const Variant& v, std::span<double> buffer);
// Fills `buffer` only when the array has exactly the dimension sizes `dims` (1 or 2 of them);
// otherwise fails with E_INVALIDARG and writes nothing.
void VariantToDoubleWithDimensionCheck(const Variant& v, std::span<const std::size_t> dims, std::span<double> buffer);
// The values of an array that has exactly the dimension sizes `dims`, checked before anything is
// allocated; otherwise fails with E_INVALIDARG. A matrix's element (i, j) lands at i + j * rows in
// column-major order, at i * cols + j in row-major order.
std::vector<double> VariantToDoubleWithDimensionCheck(const Variant& v, std::span<const std::size_t> dims,
                                                      StorageOrder order = StorageOrder::ColumnMajor);
// The same in column-major order, except that an element whose index `read` rejects counts as 0
// whatever it holds (a spreadsheet's blank or text in a cell the caller ignores).
std::vector<double> VariantToDoubleWithDimensionCheck(const Variant& v, std::span<const std::size_t> dims,
                                                      const std::function<bool(std::size_t)>& read);

Variant DoubleToVariant(std::int32_t rt, std::span<const double> data);
// Takes the values; a column result keeps them without a copy. A transform vector goes back in the
// same shapes.
Variant DoubleToVariant(std::int32_t rt, std::vector<double>&& data);

// A rows x cols array whose element (i, j) is the caller's element (i, j): variants holding
// doubles for code 1, VT_R8 otherwise.
Variant Double2DToVariant(std::int32_t rt, std::size_t rows, std::size_t cols, std::span<const double> data,
                          StorageOrder order);

// A rows x cols array of 32-bit integers given column-major (taken without a copy): variants
// holding the values as doubles for code 1, VT_I4 for every other code.
Variant Int2DToVariant(std::int32_t rt, std::size_t rows, std::size_t cols, std::vector<std::int32_t>&& data);

// A fresh identifier's text, used as an opaque name.
std::u16string GUIDasBSTR();

}  // namespace automation
