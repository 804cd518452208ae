// Class factories: plain creation, aggregation by an outer object, failing initialisation, and
// the module's unload state while objects, factory references and locks live.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "automation/failure.h"
#include "automation/object.h"
#include "automation/server.h"

namespace {

using namespace automation;

constexpr IID IID_IWidget = MakeGuid("{7B2D3F20-4C5E-4F60-9BAC-1D2E3F405162}");
constexpr CLSID CLSID_Widget = MakeGuid("{7B2D3F21-4C5E-4F60-9BAC-1D2E3F405162}");

// What the next FinalConstruct does.
enum class Init { Succeed, Text, Status, Bare };
Init g_init = Init::Succeed;
int g_constructed = 0;

class CWidget : public Dispatchable<CWidget> {
public:
    static constexpr ClassIdentity identity{CLSID_Widget, "Test.Widget.1", true};
    static const DispatchTable<CWidget> table;

    CWidget() { ++g_constructed; }
    void FinalConstruct() override {
        switch (g_init) {
            case Init::Succeed: return;
            case Init::Text: throw std::runtime_error("Cant find file");
            case Init::Status: throw StatusError(E_INVALIDARG, "Error querying reg string");
            case Init::Bare: throw BareFailure{5};
        }
    }
    std::int32_t Twice(std::int32_t x) { return 2 * x; }
};

const DispatchTable<CWidget> CWidget::table{IID_IWidget, "IWidget", {
    Method<&CWidget::Twice>(1, "Twice", {In("x"), Result("value")}, "Twice x"),
}};

// An outer object that aggregates a widget: answers IUnknown itself and passes other queries on.
struct Outer final : IUnknown {
    int refs = 1;
    int queries = 0;
    IUnknown* inner = nullptr;
    HRESULT QueryInterface(const IID& iid, void** out) override {
        ++queries;
        if (iid == IID_IUnknown) {
            *out = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        if (!inner) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        return inner->QueryInterface(iid, out);
    }
    std::uint32_t AddRef() override { return static_cast<std::uint32_t>(++refs); }
    std::uint32_t Release() override { return static_cast<std::uint32_t>(--refs); }
};

class FactoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_init = Init::Succeed;
        objectsBefore_ = ModuleObjectCount();
        constructedBefore_ = g_constructed;
    }
    void TearDown() override { g_init = Init::Succeed; }

    IClassFactory* factory_ = ClassFactory<CWidget>::Instance();
    long objectsBefore_ = 0;
    int constructedBefore_ = 0;
};

TEST_F(FactoryTest, CreatesAnObjectAnsweringTheInterfaceAskedFor) {
    void* out = nullptr;
    ASSERT_EQ(factory_->CreateInstance(nullptr, IID_IWidget, &out, nullptr), S_OK);
    auto widget = ComPtr<IDispatch>::Adopt(static_cast<IDispatch*>(out));
    EXPECT_EQ(ModuleObjectCount(), objectsBefore_ + 1);
    std::vector<Variant> args{Variant(21)};
    Variant result;
    ASSERT_EQ(widget->Invoke(1, InvokeKind::Method, args.data(), 1, &result, nullptr), S_OK);
    EXPECT_EQ(result.i4(), 42);
    widget = nullptr;
    EXPECT_EQ(ModuleObjectCount(), objectsBefore_);

    // An interface the class does not answer: the new object goes away again.
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory_->CreateInstance(nullptr, IID_IClassFactory, &out, nullptr), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(ModuleObjectCount(), objectsBefore_);
}

TEST_F(FactoryTest, AggregationAsksForIUnknownOnly) {
    Outer outer;
    for (const IID& iid : {IID_IDispatch, IID_IWidget, IID_ISupportErrorInfo}) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(factory_->CreateInstance(&outer, iid, &out, nullptr), CLASS_E_NOAGGREGATION);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(g_constructed, constructedBefore_) << "an object was made";
    EXPECT_EQ(ModuleObjectCount(), objectsBefore_);
    EXPECT_EQ(outer.refs, 1);
}

TEST_F(FactoryTest, AnAggregatedObjectDelegatesItsPublicIUnknownToTheOuter) {
    Outer outer;
    void* out = nullptr;
    ASSERT_EQ(factory_->CreateInstance(&outer, IID_IUnknown, &out, nullptr), S_OK);
    auto* inner = static_cast<IUnknown*>(out);
    outer.inner = inner;
    EXPECT_EQ(ModuleObjectCount(), objectsBefore_ + 1);
    EXPECT_EQ(outer.refs, 1);

    // The inner IUnknown is the widget's own; the interfaces it hands out count on the outer.
    void* self = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IUnknown, &self), S_OK);
    EXPECT_EQ(self, inner);
    inner->Release();
    void* d = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IWidget, &d), S_OK);
    auto* widget = static_cast<IDispatch*>(d);
    EXPECT_EQ(outer.refs, 2);
    widget->AddRef();
    EXPECT_EQ(outer.refs, 3);
    widget->Release();
    EXPECT_EQ(outer.refs, 2);

    const int queries = outer.queries;
    void* identity = nullptr;
    ASSERT_EQ(widget->QueryInterface(IID_IUnknown, &identity), S_OK);
    EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
    EXPECT_EQ(outer.queries, queries + 1);
    outer.Release();

    std::vector<Variant> args{Variant(4)};
    Variant result;
    ASSERT_EQ(widget->Invoke(1, InvokeKind::Method, args.data(), 1, &result, nullptr), S_OK);
    EXPECT_EQ(result.i4(), 8);
    widget->Release();
    EXPECT_EQ(outer.refs, 1);
    EXPECT_EQ(ModuleObjectCount(), objectsBefore_ + 1) << "the outer's references reached the inner count";

    inner->Release();
    EXPECT_EQ(ModuleObjectCount(), objectsBefore_);
}

TEST_F(FactoryTest, AFailingInitialisationReturnsItsStatusAndLeavesNoObject) {
    struct Case {
        Init init;
        HRESULT code;
        const char16_t* description;
    };
    const Case cases[] = {
        {Init::Text, E_FAIL, u"Cant find file"},
        {Init::Status, E_INVALIDARG, u"Error querying reg string"},
        {Init::Bare, BareNumberStatus(5), nullptr},
    };
    for (const Case& c : cases) {
        for (bool aggregated : {false, true}) {
            SCOPED_TRACE(std::to_string(static_cast<int>(c.init)) + (aggregated ? " aggregated" : ""));
            g_init = c.init;
            Outer outer;
            void* out = reinterpret_cast<void*>(1);
            ExcepInfo excep;
            EXPECT_EQ(factory_->CreateInstance(aggregated ? &outer : nullptr, aggregated ? IID_IUnknown : IID_IWidget,
                                               &out, &excep),
                      c.code);
            EXPECT_EQ(out, nullptr);
            EXPECT_EQ(ModuleObjectCount(), objectsBefore_);
            EXPECT_EQ(outer.refs, 1);
            EXPECT_EQ(excep.scode, c.code);
            EXPECT_EQ(excep.source, "Test.Widget.1");
            EXPECT_EQ(excep.clsid, CLSID_Widget);
            EXPECT_EQ(excep.hasDescription, c.description != nullptr);
            if (c.description) {
                EXPECT_EQ(excep.description, c.description);
            }
        }
    }
    g_init = Init::Text;
    EXPECT_THROW(MakeObject<CWidget>(), std::runtime_error);
    EXPECT_EQ(ModuleObjectCount(), objectsBefore_);
}

TEST_F(FactoryTest, TheModuleMayUnloadOnlyWhenNoObjectFactoryOrLockLives) {
    ASSERT_EQ(ServerCanUnloadNow(), S_OK) << "something outlived an earlier test";
    auto factory = Query<IClassFactory>(factory_, IID_IClassFactory);
    ASSERT_TRUE(factory);
    EXPECT_FALSE(Query<IDispatch>(factory_, IID_IDispatch));
    EXPECT_EQ(ServerCanUnloadNow(), S_FALSE);
    void* out = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, &out, nullptr), S_OK);
    auto widget = ComPtr<IDispatch>::Adopt(static_cast<IDispatch*>(out));
    factory = nullptr;
    EXPECT_EQ(ServerCanUnloadNow(), S_FALSE);
    widget = nullptr;
    EXPECT_EQ(ServerCanUnloadNow(), S_OK);
    EXPECT_EQ(factory_->LockServer(true), S_OK);
    EXPECT_EQ(ServerCanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory_->LockServer(false), S_OK);
    EXPECT_EQ(ServerCanUnloadNow(), S_OK);
}

}  // namespace
