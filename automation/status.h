// Status codes of the automation runtime, with the platform's values.
#pragma once

#include <cstdint>

namespace automation {

using HRESULT = std::int32_t;

constexpr HRESULT MakeStatus(std::uint32_t code) { return static_cast<HRESULT>(code); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeStatus(0x80004001u);
constexpr HRESULT E_NOINTERFACE = MakeStatus(0x80004002u);
constexpr HRESULT E_POINTER = MakeStatus(0x80004003u);
constexpr HRESULT E_FAIL = MakeStatus(0x80004005u);
constexpr HRESULT E_UNEXPECTED = MakeStatus(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = MakeStatus(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = MakeStatus(0x80070057u);
constexpr HRESULT CLASS_E_NOAGGREGATION = MakeStatus(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeStatus(0x80040111u);
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeStatus(0x80040154u);
constexpr HRESULT REGDB_E_WRITEREGDB = MakeStatus(0x80040151u);
constexpr HRESULT CO_E_CLASSSTRING = MakeStatus(0x800401F3u);
constexpr HRESULT CO_E_DLLNOTFOUND = MakeStatus(0x800401F8u);
constexpr HRESULT CO_E_ERRORINDLL = MakeStatus(0x800401F9u);
constexpr HRESULT STG_E_FILENOTFOUND = MakeStatus(0x80030002u);
constexpr HRESULT STG_E_ACCESSDENIED = MakeStatus(0x80030005u);
constexpr HRESULT STG_E_INVALIDFUNCTION = MakeStatus(0x80030001u);
constexpr HRESULT STG_E_WRITEFAULT = MakeStatus(0x8003001Du);
constexpr HRESULT STG_E_READFAULT = MakeStatus(0x8003001Eu);
constexpr HRESULT STG_E_MEDIUMFULL = MakeStatus(0x80030070u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeStatus(0x80020003u);
constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeStatus(0x80020004u);
constexpr HRESULT DISP_E_TYPEMISMATCH = MakeStatus(0x80020005u);
constexpr HRESULT DISP_E_UNKNOWNNAME = MakeStatus(0x80020006u);
constexpr HRESULT DISP_E_OVERFLOW = MakeStatus(0x8002000Au);
constexpr HRESULT DISP_E_BADVARTYPE = MakeStatus(0x80020008u);
constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeStatus(0x8002000Eu);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = MakeStatus(0x8002000Fu);
constexpr HRESULT DISP_E_ARRAYISLOCKED = MakeStatus(0x8002000Du);

// A failure raised as a bare number k reaches the caller as 0x80040000 + k.
constexpr HRESULT BareNumberStatus(int k) { return MakeStatus(0x80040000u + static_cast<std::uint32_t>(k)); }

constexpr bool Failed(HRESULT hr) { return hr < 0; }
constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }

}  // namespace automation
