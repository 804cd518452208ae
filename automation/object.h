// Reference-counted automation objects: identity, aggregation, dispatch through the class's
// member table, and the class factory that creates them.
#pragma once

#include <atomic>
#include <memory>
#include <new>

#include "automation/dispatch.h"
#include "automation/errorinfo.h"
#include "automation/unknown.h"

namespace automation {

// Live objects and server locks of this module; the module may unload when both are zero.
std::atomic<long>& ModuleObjectCount();
std::atomic<long>& ModuleLockCount();

// Counting and aggregation shared by every object. When an outer object aggregates this one,
// the public IUnknown methods delegate to the outer, and the outer holds InnerUnknown().
class ObjectBase {
public:
    ObjectBase() { ++ModuleObjectCount(); }
    ObjectBase(const ObjectBase&) = delete;
    ObjectBase& operator=(const ObjectBase&) = delete;
    virtual ~ObjectBase() { --ModuleObjectCount(); }

    virtual HRESULT InternalQueryInterface(const IID& iid, void** out) = 0;
    std::uint32_t InternalAddRef() { return ++refs_; }
    std::uint32_t InternalRelease() {
        std::uint32_t n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    IUnknown* InnerUnknown() { return &inner_; }
    void SetOuter(IUnknown* outer) { outer_ = outer; }
    // Runs after construction; a class whose creation can fail throws here.
    virtual void FinalConstruct() {}

protected:
    IUnknown* outer_ = nullptr;

private:
    struct Inner final : IUnknown {
        explicit Inner(ObjectBase* o) : self(o) {}
        HRESULT QueryInterface(const IID& iid, void** out) override {
            if (iid == IID_IUnknown && out) {
                *out = this;
                AddRef();
                return S_OK;
            }
            return self->InternalQueryInterface(iid, out);
        }
        std::uint32_t AddRef() override { return self->InternalAddRef(); }
        std::uint32_t Release() override { return self->InternalRelease(); }
        ObjectBase* self;
    };
    Inner inner_{this};
    std::atomic<std::uint32_t> refs_{0};
};

// Identity of a class for failure reports and its own interface.
struct ClassIdentity {
    CLSID clsid;
    const char* progId;
    bool supportsErrorInfo;
};

// An object with one dispatch interface described by C::table and named by C::identity.
// C may answer further interfaces by overriding QueryOther.
template <class C>
class Dispatchable : public ObjectBase, public IDispatch, public ISupportErrorInfo {
public:
    HRESULT QueryInterface(const IID& iid, void** out) override {
        return outer_ ? outer_->QueryInterface(iid, out) : InternalQueryInterface(iid, out);
    }
    std::uint32_t AddRef() override { return outer_ ? outer_->AddRef() : InternalAddRef(); }
    std::uint32_t Release() override { return outer_ ? outer_->Release() : InternalRelease(); }

    HRESULT InternalQueryInterface(const IID& iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == C::table.info().iid)
            *out = static_cast<IDispatch*>(this);
        else if (iid == IID_ISupportErrorInfo && C::identity.supportsErrorInfo)
            *out = static_cast<ISupportErrorInfo*>(this);
        else
            *out = QueryOther(iid);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    const InterfaceInfo& GetInterfaceInfo() override { return C::table.info(); }

    HRESULT GetIDsOfNames(std::string_view name, DISPID* id) override {
        const MemberInfo* m = C::table.info().FindByName(name);
        if (!m) return DISP_E_UNKNOWNNAME;
        *id = m->dispid;
        return S_OK;
    }

    HRESULT Invoke(DISPID id, InvokeKind kind, Variant* args, std::size_t nargs, Variant* result,
                   ExcepInfo* excep) override {
        const Member<C>* m = C::table.Find(id, kind);
        if (!m) return DISP_E_MEMBERNOTFOUND;
        if (nargs != m->info.params.size()) return DISP_E_BADPARAMCOUNT;
        TakeCallNote();  // a note belongs to the call that left it
        try {
            m->invoke(static_cast<C&>(*this), m->info, args, result);
            // A class may vouch for what a call read once it has run: C::AfterCall() throwing
            // fails the call.
            if constexpr (requires(C& c) { c.AfterCall(); }) static_cast<C&>(*this).AfterCall();
            std::optional<CallNote> note = TakeCallNote();
            if (excep) excep->note = std::move(note);
            return S_OK;
        } catch (...) {
            TakeCallNote();
            HRESULT hr = ReportCurrentException(Site());
            FillExcepInfo(excep, hr);
            return hr;
        }
    }

    HRESULT InterfaceSupportsErrorInfo(const IID& iid) override {
        return iid == C::table.info().iid ? S_OK : S_FALSE;
    }

    static FailureSite Site() { return {C::identity.clsid, C::table.info().iid, C::identity.progId}; }

    // A new reference to this object's dispatch interface, for handing the object to a caller.
    ComPtr<IDispatch> DispatchPtr() { return ComPtr<IDispatch>(static_cast<IDispatch*>(this)); }

protected:
    virtual void* QueryOther(const IID&) { return nullptr; }
};

// Makes a C and returns one reference to its dispatch interface (objects that methods hand out).
template <class C, class... A>
ComPtr<IDispatch> MakeObject(A&&... args) {
    auto obj = std::make_unique<C>(std::forward<A>(args)...);
    obj->FinalConstruct();
    return obj.release()->DispatchPtr();
}

// The class object of a creatable class.
template <class C>
class ClassFactory final : public IClassFactory {
public:
    static IClassFactory* Instance() {
        static ClassFactory factory;
        return &factory;
    }

    HRESULT QueryInterface(const IID& iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is static; its references count as server locks.
    std::uint32_t AddRef() override { return static_cast<std::uint32_t>(++ModuleLockCount()); }
    std::uint32_t Release() override { return static_cast<std::uint32_t>(--ModuleLockCount()); }

    HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out, ExcepInfo* excep) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
        C* obj = nullptr;
        try {
            auto made = std::make_unique<C>();
            made->SetOuter(outer);
            made->FinalConstruct();
            obj = made.release();
        } catch (...) {
            HRESULT hr = ReportCurrentException(C::Site());
            FillExcepInfo(excep, hr);
            return hr;
        }
        obj->InternalAddRef();
        if (outer) {
            *out = obj->InnerUnknown();
            return S_OK;
        }
        HRESULT hr = obj->InternalQueryInterface(iid, out);
        obj->InternalRelease();
        return hr;
    }

    HRESULT LockServer(bool lock) override {
        if (lock) ++ModuleLockCount();
        else --ModuleLockCount();
        return S_OK;
    }
};

}  // namespace automation
