// Object persistence: objects that save themselves to a stream, and the save and load of an
// object by class identity (its 16-byte CLSID, then its own record; a null object writes the
// all-zero identifier). Loading creates the object through activation and calls its Load.
#pragma once

#include <string>

#include "automation/stream.h"
#include "automation/unknown.h"

namespace automation {

inline constexpr IID IID_IPersist = MakeGuid("{0000010C-0000-0000-C000-000000000046}");
inline constexpr IID IID_IPersistStream = MakeGuid("{00000109-0000-0000-C000-000000000046}");

struct IPersist : IUnknown {
    virtual HRESULT GetClassID(CLSID* clsid) = 0;

protected:
    ~IPersist() = default;
};

struct IPersistStream : IPersist {
    // S_OK when the object changed since it was last saved with clearDirty, S_FALSE otherwise.
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT Load(IStream* stream) = 0;
    virtual HRESULT Save(IStream* stream, bool clearDirty) = 0;
    // The number of bytes Save writes.
    virtual HRESULT GetSizeMax(std::uint64_t* size) = 0;

protected:
    ~IPersistStream() = default;
};

// These throw StatusError with the failing status (and the failing object's description).
void SaveObject(IStream* stream, IUnknown* object);
// Null for the all-zero identifier. Objects nested more than kMaxNesting deep fail.
ComPtr<IUnknown> LoadObject(IStream* stream);
inline constexpr int kMaxNesting = 32;

// A file written from the object's complete record: a failing save leaves an existing file as it was.
void SaveObjectToFile(const std::string& path, IUnknown* object);
ComPtr<IUnknown> LoadObjectFromFile(const std::string& path);

}  // namespace automation
