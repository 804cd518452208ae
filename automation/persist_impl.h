// IPersistStream for an automation class C: the class writes and reads its own record
// (C::SaveRecord(IStream*), C::LoadRecord(IStream*)) and marks its changes with SetDirty().
// Save writes the complete record or nothing; a failing Load must leave C as it was (C reads the
// whole record before it changes anything). Every operation writes its name to the debug trace.
#pragma once

#include "automation/errorinfo.h"
#include "automation/object.h"
#include "automation/persist.h"
#include "automation/trace.h"

namespace automation {

template <class C>
class PersistStreamImpl : public IPersistStream {
public:
    HRESULT GetClassID(CLSID* clsid) override {
        Trace("IPersistStreamImpl::GetClassID");
        if (!clsid) return E_POINTER;
        *clsid = C::identity.clsid;
        return S_OK;
    }
    HRESULT IsDirty() override {
        Trace("IPersistStreamImpl::IsDirty");
        return dirty_ ? S_OK : S_FALSE;
    }
    HRESULT Load(IStream* stream) override {
        Trace("IPersistStreamImpl::Load");
        return Guarded([&] {
            if (!stream) throw StatusError(E_POINTER, "No stream");
            Self().LoadRecord(stream);
            dirty_ = true;
        });
    }
    HRESULT Save(IStream* stream, bool clearDirty) override {
        Trace("IPersistStreamImpl::Save");
        return Guarded([&] {
            if (!stream) throw StatusError(E_POINTER, "No stream");
            auto record = MemoryStream::Create();
            Self().SaveRecord(record.get());
            StreamWriter(stream).Bytes(record->bytes().data(), record->bytes().size());
            if (clearDirty) dirty_ = false;
        });
    }
    HRESULT GetSizeMax(std::uint64_t* size) override {
        Trace("IPersistStreamImpl::GetSizeMax");
        return Guarded([&] {
            if (!size) throw StatusError(E_POINTER, "No size");
            auto record = MemoryStream::Create();
            Self().SaveRecord(record.get());
            *size = record->bytes().size();
        });
    }

protected:
    void SetDirty() { dirty_ = true; }
    // The persistence interface when `iid` asks for it, for C's QueryOther.
    void* QueryPersist(const IID& iid) {
        return iid == IID_IPersistStream || iid == IID_IPersist ? static_cast<IPersistStream*>(this) : nullptr;
    }

private:
    C& Self() { return static_cast<C&>(*this); }
    template <class F>
    HRESULT Guarded(F&& f) {
        try {
            f();
            return S_OK;
        } catch (...) {
            return ReportCurrentException(C::Site());
        }
    }

    bool dirty_ = false;
};

// The IUnknown methods a class inherits from both its dispatch interface and IPersistStream,
// resolved to the dispatch side (which knows aggregation).
#define AUTOMATION_PERSIST_UNKNOWN(C)                                                                     \
    automation::HRESULT QueryInterface(const automation::IID& iid, void** out) override {                \
        return automation::Dispatchable<C>::QueryInterface(iid, out);                                    \
    }                                                                                                    \
    std::uint32_t AddRef() override { return automation::Dispatchable<C>::AddRef(); }                    \
    std::uint32_t Release() override { return automation::Dispatchable<C>::Release(); }

}  // namespace automation
