// Risks and portfolios as objects: their interfaces, the changed flag and record sizes of their
// persistence, the risk enumerator's custom methods, and Load against truncated, mutated and
// lying streams (each refused or loaded, never read past, the refused object left as it was).
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "Corvane/EnumRisk.h"
#include "Corvane/Portfolio.h"
#include "Corvane/Risk.h"
#include "Corvane/identities.h"
#include "Corvane/numerics/codes.h"
#include "automation/activation.h"
#include "automation/persist.h"
#include "automation/server.h"

namespace {

using namespace automation;
using namespace corvane;
namespace fs = std::filesystem;

CRisk& RiskOf(const ComPtr<IDispatch>& d) { return *static_cast<CRisk*>(d.get()); }
CPortfolio& PortfolioOf(const ComPtr<IDispatch>& d) { return *static_cast<CPortfolio*>(d.get()); }

ComPtr<IPersistStream> Persist(const ComPtr<IDispatch>& d) { return Query<IPersistStream>(d.get(), IID_IPersistStream); }

std::vector<std::uint8_t> Saved(const ComPtr<IDispatch>& d) {
    auto s = MemoryStream::Create();
    EXPECT_EQ(Persist(d)->Save(s.get(), false), S_OK);
    return s->bytes();
}

ComPtr<IDispatch> NewRisk(const std::u16string& name, const Variant& sevParams = Variant(std::int32_t{0})) {
    ComPtr<IDispatch> r = MakeObject<CRisk>();
    RiskOf(r).CreateDist(name, fqPoisson, Variant(2.0), svBI, sevParams, 1e6, 0.0, 1.0);
    return r;
}

TEST(RiskObject, AnswersItsInterfacesAndPersistsItsFlag) {
    ComPtr<IDispatch> r = MakeObject<CRisk>();
    for (const IID& iid : {IID_IUnknown, IID_IDispatch, IID_IRisk, IID_IPersistStream, IID_IPersist})
        EXPECT_TRUE(Query<IUnknown>(r.get(), iid)) << GuidText(iid);
    for (const IID& iid : {IID_ISupportErrorInfo, IID_IPortfolio, IID_DICollection})
        EXPECT_FALSE(Query<IUnknown>(r.get(), iid)) << GuidText(iid);
    auto p = Persist(r);
    CLSID clsid{};
    EXPECT_EQ(p->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_Risk);
    EXPECT_EQ(p->IsDirty(), S_FALSE);
    std::uint64_t size = 0;
    ASSERT_EQ(p->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size, 38u + 2 * 6u);
    RiskOf(r).CreateDist(u"gl", fqPoisson, Variant(2.0), svBI, Variant(u"3"), 1e6, 0.0, 1.0);
    EXPECT_EQ(p->IsDirty(), S_OK);
    ASSERT_EQ(p->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size, Saved(r).size());
    EXPECT_EQ(size, 38u + 6 + 10 + 10);  // the name, a double and a one-character text
    EXPECT_EQ(p->IsDirty(), S_OK) << "a save that keeps the flag";
    auto s = MemoryStream::Create();
    ASSERT_EQ(p->Save(s.get(), true), S_OK);
    EXPECT_EQ(p->IsDirty(), S_FALSE);
    RiskOf(r).put_name(u"renamed");
    EXPECT_EQ(p->IsDirty(), S_OK);
    ASSERT_EQ(p->Save(s.get(), true), S_OK);
    s->Seek(0, SeekOrigin::Set, nullptr);
    ComPtr<IDispatch> other = MakeObject<CRisk>();
    ASSERT_EQ(Persist(other)->Load(s.get()), S_OK);
    EXPECT_EQ(Persist(other)->IsDirty(), S_OK);
    EXPECT_EQ(RiskOf(other).get_name(), u"gl");
    EXPECT_EQ(RiskOf(other).get_SequenceNumber(), RiskOf(r).get_SequenceNumber());
}

TEST(RiskObject, ArrayParametersFailTheSaveAndWriteNothing) {
    ComPtr<IDispatch> r = NewRisk(u"x", Variant(SafeArray(std::vector<double>{2.5, 5e4}, {{2, 0}})));
    auto s = MemoryStream::Create();
    EXPECT_EQ(Persist(r)->Save(s.get(), true), DISP_E_TYPEMISMATCH);
    EXPECT_TRUE(s->bytes().empty());
    EXPECT_EQ(Persist(r)->IsDirty(), S_OK);
    std::uint64_t size = 0;
    EXPECT_EQ(Persist(r)->GetSizeMax(&size), DISP_E_TYPEMISMATCH);
}

TEST(RiskObject, SequenceNumbersWrapToOne) {
    std::int16_t last = NextSequenceNumber();
    for (int i = 0; i < 70000; ++i) {
        const std::int16_t next = NextSequenceNumber();
        ASSERT_EQ(next, last == INT16_MAX ? 1 : last + 1);
        ASSERT_GT(next, 0);
        last = next;
    }
}

TEST(PortfolioObject, FlagOrderAndDuplicateNumbers) {
    ComPtr<IDispatch> port = MakeObject<CPortfolio>();
    for (const IID& iid : {IID_IPortfolio, IID_DICollection, IID_IPersistStream, IID_IDispatch})
        EXPECT_TRUE(Query<IUnknown>(port.get(), iid)) << GuidText(iid);
    CPortfolio& p = PortfolioOf(port);
    EXPECT_EQ(Persist(port)->IsDirty(), S_FALSE);
    ComPtr<IDispatch> a = NewRisk(u"a"), b = NewRisk(u"b");
    p.TypedAdd(b.get());
    p.TypedAdd(a.get());
    EXPECT_EQ(Persist(port)->IsDirty(), S_OK);
    auto s = MemoryStream::Create();
    ASSERT_EQ(Persist(port)->Save(s.get(), true), S_OK);
    EXPECT_EQ(Persist(port)->IsDirty(), S_FALSE);
    // A risk that takes another's number by Load is not inserted beside it.
    ComPtr<IDispatch> twin = MakeObject<CRisk>();
    auto record = MemoryStream::Create(Saved(a));
    ASSERT_EQ(Persist(twin)->Load(record.get()), S_OK);
    p.TypedAdd(twin.get());
    EXPECT_EQ(p.get_Count(), 2);
    EXPECT_EQ(Persist(port)->IsDirty(), S_FALSE) << "nothing was inserted";
    EXPECT_EQ(p.TypedValue(0).get(), a.get());
    EXPECT_EQ(p.TypedValue(-1).get(), b.get());
    std::uint64_t size = 0;
    ASSERT_EQ(Persist(port)->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size, 4 + 2 * (16 + Saved(a).size()));
    p.Clear();
    EXPECT_EQ(Persist(port)->IsDirty(), S_OK);
}

ComPtr<IEnumRisk> Enumerator(const Variant& v) {
    return Query<IEnumRisk>(v.unknown(), IID_IEnumRisk);
}

TEST(EnumRisk, CustomMethods) {
    ComPtr<IDispatch> port = MakeObject<CPortfolio>();
    CPortfolio& p = PortfolioOf(port);
    std::vector<ComPtr<IDispatch>> risks;
    for (auto name : {u"a", u"b", u"c"}) risks.push_back(p.TypedAddNew(name));
    Variant copyVar, liveVar;
    p._TypedNewEnum(copyVar);
    p._NewEnumNoCopy(liveVar);
    auto e = Enumerator(copyVar), live = Enumerator(liveVar);
    ASSERT_TRUE(e && live);

    IDispatch* got[4] = {};
    std::uint32_t fetched = 0;
    EXPECT_EQ(e->RemoteNext(2, got, &fetched), S_OK);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(got[0], risks[0].get());
    EXPECT_EQ(got[1], risks[1].get());
    for (std::uint32_t i = 0; i < fetched; ++i) got[i]->Release();
    IDispatch* current = nullptr;
    EXPECT_EQ(e->CurrentValue(&current), S_OK);
    EXPECT_EQ(current, risks[2].get());
    current->Release();

    ComPtr<IEnumRisk> clone;
    ASSERT_EQ(e->Clone(clone.Receive()), S_OK);
    char same = 0;
    EXPECT_EQ(e->IsEqual(clone.get(), 0, 0, &same), S_OK);
    EXPECT_EQ(same, 1);
    EXPECT_EQ(e->IsEqual(live.get(), 0, 2, &same), S_OK);
    EXPECT_EQ(same, 1) << "position 2 of both lists";
    EXPECT_EQ(e->IsEqual(live.get(), 0, 1, &same), S_OK);
    EXPECT_EQ(same, 0);
    EXPECT_EQ(e->IsEqual(clone.get(), 1, 0, &same), S_OK);
    EXPECT_EQ(same, 0) << "past the end";

    char isLast = 0;
    IDispatch* value = nullptr;
    EXPECT_EQ(e->NextWithStatus(&value, &isLast), S_OK);
    EXPECT_EQ(value, risks[2].get());
    EXPECT_EQ(isLast, 1);
    value->Release();
    EXPECT_EQ(e->NextWithStatus(&value, &isLast), S_FALSE);
    EXPECT_EQ(value, nullptr);
    EXPECT_EQ(e->CurrentValue(&value), S_FALSE);
    EXPECT_EQ(e->RemoteNext(2, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);

    std::uint32_t hops = 5;
    EXPECT_EQ(e->BackUp(&hops), S_FALSE);
    EXPECT_EQ(hops, 3u);
    EXPECT_EQ(e->Skip(2), S_OK);
    EXPECT_EQ(e->Skip(2), S_FALSE);
    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->CurrentValue(&value), S_OK);
    EXPECT_EQ(value, risks[0].get());
    value->Release();
    EXPECT_EQ(e->_RemoteGetIterator(), E_NOTIMPL);

    // The copy keeps its list; the live enumerator sees the portfolio change.
    p.Remove(0);
    EXPECT_EQ(live->Reset(), S_OK);
    EXPECT_EQ(live->CurrentValue(&value), S_OK);
    EXPECT_EQ(value, risks[1].get());
    value->Release();
    EXPECT_EQ(e->Skip(3), S_OK);
    p.Clear();
    EXPECT_EQ(live->CurrentValue(&value), S_FALSE);
}

// Loading a portfolio creates its risks by class identity, from the built module registered in a
// registry of the test's own.
class PersistedStreams : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "portfolio_test.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        if (const char* old = std::getenv("AUTOMATION_REGISTRY")) saved_ = old;
        setenv("AUTOMATION_REGISTRY", (dir_ / "registry").c_str(), 1);
        std::string error;
        void* module = LoadModule(CORVANE_MODULE_PATH, &error);
        ASSERT_NE(module, nullptr) << error;
        auto reg = reinterpret_cast<DllRegisterServerFn>(dlsym(module, "DllRegisterServer"));
        ASSERT_NE(reg, nullptr);
        ASSERT_EQ(reg(), S_OK);
    }
    void TearDown() override {
        if (saved_) setenv("AUTOMATION_REGISTRY", saved_->c_str(), 1);
        else unsetenv("AUTOMATION_REGISTRY");
        fs::remove_all(dir_);
    }

    // A portfolio of three risks whose parameters take every kind of variant form: numbers,
    // text, an empty value and a nested risk.
    static std::vector<std::uint8_t> SamplePortfolio() {
        ComPtr<IDispatch> port = MakeObject<CPortfolio>();
        CPortfolio& p = PortfolioOf(port);
        p.TypedAdd(NewRisk(u"number").get());
        p.TypedAdd(NewRisk(u"text", Variant(u"5")).get());
        ComPtr<IDispatch> nested = MakeObject<CRisk>();
        RiskOf(nested).CreateDist(u"nested", fqNegBinVM, Variant(), svBI, Variant(NewRisk(u"inner").get()), 5e5,
                                  1e3, 0.5);
        p.TypedAdd(nested.get());
        return Saved(port);
    }

    fs::path dir_;
    std::optional<std::string> saved_;
};

TEST_F(PersistedStreams, PortfolioRoundTripThroughActivation) {
    const std::vector<std::uint8_t> record = SamplePortfolio();
    ComPtr<IDispatch> port = MakeObject<CPortfolio>();
    auto in = MemoryStream::Create(record);
    ASSERT_EQ(Persist(port)->Load(in.get()), S_OK);
    EXPECT_EQ(PortfolioOf(port).get_Count(), 3);
    EXPECT_EQ(Saved(port), record);
    // An object saved with its class identity comes back as a new object of that class.
    auto s = MemoryStream::Create();
    SaveObject(s.get(), port.get());
    s->Seek(0, SeekOrigin::Set, nullptr);
    auto again = Query<IDispatch>(LoadObject(s.get()).get(), IID_IPortfolio);
    ASSERT_TRUE(again);
    EXPECT_EQ(Saved(again), record);
}

// Each stream either loads or is refused with a failure status; a refused load leaves the object's
// record as it was.
void ExpectLoadOrRefusal(const std::vector<std::uint8_t>& bytes, const ComPtr<IDispatch>& target) {
    const std::vector<std::uint8_t> before = Saved(target);
    auto in = MemoryStream::Create(bytes);
    const HRESULT hr = Persist(target)->Load(in.get());
    ASSERT_TRUE(hr == S_OK || Failed(hr)) << hr;
    if (Failed(hr)) {
        ASSERT_EQ(Saved(target), before);
    }
}

TEST_F(PersistedStreams, TruncatedStreamsAreRefused) {
    const std::vector<std::uint8_t> record = SamplePortfolio();
    for (std::size_t n = 0; n < record.size(); ++n) {
        ComPtr<IDispatch> port = MakeObject<CPortfolio>();
        PortfolioOf(port).TypedAdd(NewRisk(u"kept").get());
        auto in = MemoryStream::Create(std::vector<std::uint8_t>(record.begin(), record.begin() + n));
        const std::vector<std::uint8_t> before = Saved(port);
        ASSERT_TRUE(Failed(Persist(port)->Load(in.get()))) << n;
        ASSERT_EQ(Saved(port), before);
    }
    const std::vector<std::uint8_t> risk = Saved(NewRisk(u"truncated", Variant(u"7")));
    for (std::size_t n = 0; n < risk.size(); ++n) {
        ComPtr<IDispatch> r = NewRisk(u"kept");
        auto in = MemoryStream::Create(std::vector<std::uint8_t>(risk.begin(), risk.begin() + n));
        const std::vector<std::uint8_t> before = Saved(r);
        ASSERT_TRUE(Failed(Persist(r)->Load(in.get()))) << n;
        ASSERT_EQ(Saved(r), before);
    }
}

TEST_F(PersistedStreams, MutatedStreamsLoadOrAreRefused) {
    const std::vector<std::uint8_t> portfolio = SamplePortfolio();
    const std::vector<std::uint8_t> risk = Saved(NewRisk(u"mutated", Variant(u"7")));
    std::mt19937 g(2026);
    for (int trial = 0; trial < 3000; ++trial) {
        const bool isPortfolio = trial % 2 == 0;
        std::vector<std::uint8_t> bytes = isPortfolio ? portfolio : risk;
        const int edits = 1 + static_cast<int>(g() % 4);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = g() % bytes.size();
            switch (g() % 4) {
                case 0: bytes[at] ^= static_cast<std::uint8_t>(1u << (g() % 8)); break;
                case 1: bytes[at] = static_cast<std::uint8_t>(g()); break;
                case 2:  // a lying 32-bit count or length
                    for (std::size_t k = at; k < std::min(bytes.size(), at + 4); ++k) bytes[k] = 0xFF;
                    break;
                default: bytes.resize(at); break;
            }
            if (bytes.empty()) break;
        }
        ComPtr<IDispatch> target = isPortfolio ? MakeObject<CPortfolio>() : NewRisk(u"kept");
        ExpectLoadOrRefusal(bytes, target);
        if (HasFatalFailure()) return;
    }
}

TEST_F(PersistedStreams, LyingCountsAndDeepNesting) {
    ComPtr<IDispatch> port = MakeObject<CPortfolio>();
    std::vector<std::uint8_t> bytes = SamplePortfolio();
    bytes[0] = bytes[1] = bytes[2] = bytes[3] = 0xFF;  // four billion elements, three present
    auto in = MemoryStream::Create(bytes);
    EXPECT_EQ(Persist(port)->Load(in.get()), STG_E_READFAULT);
    EXPECT_EQ(PortfolioOf(port).get_Count(), 0);

    // A risk whose severity parameter is a risk whose severity parameter is a risk ...
    std::vector<std::uint8_t> deep;
    const std::vector<std::uint8_t> leaf = Saved(NewRisk(u"leaf"));
    const std::vector<std::uint8_t> head(leaf.begin(), leaf.end() - 6);  // without the last form
    for (int level = 0; level < 200; ++level) {
        deep.insert(deep.end(), head.begin(), head.end());
        deep.insert(deep.end(), {VT_DISPATCH, 0});
        deep.insert(deep.end(), reinterpret_cast<const std::uint8_t*>(&CLSID_Risk),
                    reinterpret_cast<const std::uint8_t*>(&CLSID_Risk) + 16);
    }
    deep.insert(deep.end(), leaf.begin(), leaf.end());
    ComPtr<IDispatch> r = NewRisk(u"kept");
    auto nested = MemoryStream::Create(deep);
    EXPECT_EQ(Persist(r)->Load(nested.get()), E_INVALIDARG);
    EXPECT_EQ(RiskOf(r).get_name(), u"kept");
}

}  // namespace
