// Risks keep the objects their parameters hold, and portfolios and enumerators keep their risks:
// a call that would make such objects hold each other in a ring (which no release ever frees) is
// refused, and every object of each case is gone once its last reference is released. Holding
// the same objects without a ring stays allowed.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Corvane/Portfolio.h"
#include "Corvane/Risk.h"
#include "Corvane/numerics/codes.h"
#include "automation/object.h"
#include "automation/persist.h"
#include "automation/stream.h"

namespace {

using namespace automation;
using namespace corvane;

CRisk& RiskOf(const ComPtr<IDispatch>& d) { return *static_cast<CRisk*>(d.get()); }
CPortfolio& PortfolioOf(const ComPtr<IDispatch>& d) { return *static_cast<CPortfolio*>(d.get()); }

// Describes the risk with `held` as its severity parameters (an index of the parameter file otherwise).
void Describe(const ComPtr<IDispatch>& risk, const Variant& held) {
    RiskOf(risk).CreateDist(u"r", fqPoisson, Variant(2.0), svBI, held, 1e6, 0.0, 1.0);
}

Variant ArrayHolding(const Variant& element) {
    SafeArray a(VT_VARIANT, {{3, 0}});
    a.variants()[0] = Variant(1.0);
    a.variants()[2] = element;
    return Variant(std::move(a));
}

Variant LiveEnumerator(const ComPtr<IDispatch>& port) {
    Variant e;
    PortfolioOf(port)._NewEnumNoCopy(e);
    return e;
}

Variant CopyEnumerator(const ComPtr<IDispatch>& port) {
    Variant e;
    PortfolioOf(port)._TypedNewEnum(e);
    return e;
}

HRESULT StatusOf(const std::function<void()>& call) {
    try {
        call();
        return S_OK;
    } catch (const StatusError& e) {
        return e.code();
    }
}

struct Case {
    const char* name;
    // Builds the objects, then makes the one call that would close a ring; returns its status.
    std::function<HRESULT()> closingCall;
};

// Each case ends with the call that would close the ring: a risk's own parameters, or an insertion.
std::vector<Case> Rings() {
    return {
        {"a risk in its own parameters",
         [] {
             ComPtr<IDispatch> r = MakeObject<CRisk>();
             return StatusOf([&] { Describe(r, Variant(r.get())); });
         }},
        {"a risk in its frequency parameters",
         [] {
             ComPtr<IDispatch> r = MakeObject<CRisk>();
             return StatusOf([&] { RiskOf(r).CreateDist(u"r", fqPoisson, Variant(r.get()), svBI, Variant(), 1e6, 0, 1); });
         }},
        {"a risk by reference in its own parameters",
         [] {
             ComPtr<IDispatch> r = MakeObject<CRisk>();
             Variant target(r.get());
             return StatusOf([&] { Describe(r, Variant::RefVariant(&target)); });
         }},
        {"a risk in an array of its own parameters",
         [] {
             ComPtr<IDispatch> r = MakeObject<CRisk>();
             return StatusOf([&] { Describe(r, ArrayHolding(Variant(r.get()))); });
         }},
        {"a risk through an array nested in an array",
         [] {
             ComPtr<IDispatch> r = MakeObject<CRisk>();
             return StatusOf([&] { Describe(r, ArrayHolding(ArrayHolding(Variant(r.get())))); });
         }},
        {"two risks holding each other",
         [] {
             ComPtr<IDispatch> a = MakeObject<CRisk>(), b = MakeObject<CRisk>();
             Describe(a, Variant(b.get()));
             return StatusOf([&] { Describe(b, Variant(a.get())); });
         }},
        {"three risks in a ring",
         [] {
             ComPtr<IDispatch> a = MakeObject<CRisk>(), b = MakeObject<CRisk>(), c = MakeObject<CRisk>();
             Describe(a, Variant(b.get()));
             Describe(b, Variant(c.get()));
             return StatusOf([&] { Describe(c, Variant(a.get())); });
         }},
        {"a risk holding the portfolio it is in",
         [] {
             ComPtr<IDispatch> port = MakeObject<CPortfolio>(), r = MakeObject<CRisk>();
             PortfolioOf(port).TypedAdd(r.get());
             return StatusOf([&] { Describe(r, Variant(port.get())); });
         }},
        {"a portfolio taking a risk that holds it",
         [] {
             ComPtr<IDispatch> port = MakeObject<CPortfolio>(), r = MakeObject<CRisk>();
             Describe(r, Variant(port.get()));
             return StatusOf([&] { PortfolioOf(port).Add(Variant(r.get())); });
         }},
        {"a portfolio taking a risk that holds a risk holding it",
         [] {
             ComPtr<IDispatch> port = MakeObject<CPortfolio>(), inner = MakeObject<CRisk>(), r = MakeObject<CRisk>();
             Describe(inner, Variant(port.get()));
             Describe(r, Variant(inner.get()));
             return StatusOf([&] { PortfolioOf(port).TypedAdd(r.get()); });
         }},
        {"a risk holding the live enumerator of its portfolio",
         [] {
             ComPtr<IDispatch> port = MakeObject<CPortfolio>(), r = MakeObject<CRisk>();
             PortfolioOf(port).TypedAdd(r.get());
             return StatusOf([&] { Describe(r, LiveEnumerator(port)); });
         }},
        {"a portfolio taking a risk that holds its live enumerator",
         [] {
             ComPtr<IDispatch> port = MakeObject<CPortfolio>(), r = MakeObject<CRisk>();
             Describe(r, LiveEnumerator(port));
             return StatusOf([&] { PortfolioOf(port).TypedAdd(r.get()); });
         }},
        {"a risk holding an enumerator over a copy of its portfolio",
         [] {
             ComPtr<IDispatch> port = MakeObject<CPortfolio>(), r = MakeObject<CRisk>();
             PortfolioOf(port).TypedAdd(r.get());
             return StatusOf([&] { Describe(r, CopyEnumerator(port)); });
         }},
        {"a risk holding a variant enumerator of its portfolio",
         [] {
             ComPtr<IDispatch> port = MakeObject<CPortfolio>(), r = MakeObject<CRisk>();
             PortfolioOf(port).TypedAdd(r.get());
             return StatusOf([&] { Describe(r, Variant::Unknown(PortfolioOf(port)._NewEnum().get())); });
         }},
        {"a risk holding a clone of its portfolio",
         [] {
             ComPtr<IDispatch> port = MakeObject<CPortfolio>(), r = MakeObject<CRisk>();
             PortfolioOf(port).TypedAdd(r.get());
             return StatusOf([&] { Describe(r, Variant(PortfolioOf(port).Clone().get())); });
         }},
    };
}

// Objects held by several others, or by one twice, with no ring among them.
std::vector<Case> SharedWithoutRings() {
    return {
        {"one risk in both parameters of another",
         [] {
             ComPtr<IDispatch> inner = MakeObject<CRisk>(), r = MakeObject<CRisk>();
             return StatusOf([&] {
                 RiskOf(r).CreateDist(u"r", fqPoisson, Variant(inner.get()), svBI, ArrayHolding(Variant(inner.get())),
                                      1e6, 0, 1);
             });
         }},
        {"a risk holding a portfolio it is not in",
         [] {
             ComPtr<IDispatch> port = MakeObject<CPortfolio>(), r = MakeObject<CRisk>();
             PortfolioOf(port).TypedAddNew(u"other");
             return StatusOf([&] { Describe(r, Variant(port.get())); });
         }},
        {"a portfolio taking a risk that holds another of its risks",
         [] {
             ComPtr<IDispatch> port = MakeObject<CPortfolio>(), r = MakeObject<CRisk>();
             ComPtr<IDispatch> member = PortfolioOf(port).TypedAddNew(u"member");
             Describe(r, Variant(member.get()));
             return StatusOf([&] { PortfolioOf(port).TypedAdd(r.get()); });
         }},
        {"a risk holding an enumerator of another portfolio",
         [] {
             ComPtr<IDispatch> port = MakeObject<CPortfolio>(), r = MakeObject<CRisk>();
             PortfolioOf(port).TypedAddNew(u"other");
             return StatusOf([&] { Describe(r, LiveEnumerator(port)); });
         }},
        {"a risk holding a risk that used to hold it",
         [] {
             ComPtr<IDispatch> a = MakeObject<CRisk>(), b = MakeObject<CRisk>();
             Describe(a, Variant(b.get()));
             Describe(a, Variant(std::int32_t{0}));
             return StatusOf([&] { Describe(b, Variant(a.get())); });
         }},
    };
}

TEST(ReferenceCycles, CallsClosingARingAreRefusedAndNothingOutlivesItsReferences) {
    for (const Case& c : Rings()) {
        const long before = ModuleObjectCount();
        EXPECT_EQ(c.closingCall(), E_INVALIDARG) << c.name;
        EXPECT_EQ(ModuleObjectCount(), before) << c.name << ": objects outlived their last reference";
    }
}

TEST(ReferenceCycles, SharedObjectsWithoutARingAreKeptAndReleased) {
    for (const Case& c : SharedWithoutRings()) {
        const long before = ModuleObjectCount();
        EXPECT_EQ(c.closingCall(), S_OK) << c.name;
        EXPECT_EQ(ModuleObjectCount(), before) << c.name << ": objects outlived their last reference";
    }
}

// A refused description leaves the risk as it was.
TEST(ReferenceCycles, ARefusedDescriptionChangesNothing) {
    ComPtr<IDispatch> r = MakeObject<CRisk>();
    RiskOf(r).CreateDist(u"kept", fqPoisson, Variant(2.0), svBI, Variant(std::int32_t{3}), 1e6, 0.0, 1.0);
    auto persist = Query<IPersistStream>(r.get(), IID_IPersistStream);
    auto before = MemoryStream::Create();
    ASSERT_EQ(persist->Save(before.get(), true), S_OK);
    ASSERT_EQ(StatusOf([&] { RiskOf(r).CreateDist(u"new", fqNegBinVM, Variant(r.get()), svBI, Variant(), 1, 1, 1); }),
              E_INVALIDARG);
    EXPECT_EQ(RiskOf(r).get_name(), u"kept");
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    auto after = MemoryStream::Create();
    ASSERT_EQ(persist->Save(after.get(), false), S_OK);
    EXPECT_EQ(after->bytes(), before->bytes());
}

}  // namespace
