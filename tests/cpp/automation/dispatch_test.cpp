// Dispatch through a member table: arguments by value and by reference in every direction,
// look-up by name, the dispatch failures, what a thrown failure becomes at the boundary, the
// per-thread error record and the interfaces an object answers.
#include <gtest/gtest.h>

#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "automation/dispatch.h"
#include "automation/errorinfo.h"
#include "automation/failure.h"
#include "automation/object.h"

namespace {

using namespace automation;

constexpr IID IID_ICalc = MakeGuid("{6A1C2E10-3B4D-4E5F-8A9B-0C1D2E3F4A5B}");
constexpr CLSID CLSID_Calc = MakeGuid("{6A1C2E11-3B4D-4E5F-8A9B-0C1D2E3F4A5B}");
constexpr IID IID_IPlain = MakeGuid("{6A1C2E12-3B4D-4E5F-8A9B-0C1D2E3F4A5B}");
constexpr CLSID CLSID_Plain = MakeGuid("{6A1C2E13-3B4D-4E5F-8A9B-0C1D2E3F4A5B}");

// How Fail leaves the method.
enum Failure : std::int32_t { Text, BadArgument, Bare99, NoMemory, NotImpl, Unexpected, NotAnException, LogicError };

class CCalc : public Dispatchable<CCalc> {
public:
    static constexpr ClassIdentity identity{CLSID_Calc, "Test.Calc.1", true};
    static const DispatchTable<CCalc> table;

    // value = n x (scale when given, else 1); echo = n as text; acc += n x.
    double Combine(std::int32_t n, double x, Variant& echo, double& acc, const Variant& scale) {
        echo = Variant(ToText(Variant(n)));
        acc += n * x;
        return n * x * (scale.IsMissing() ? 1.0 : ToDouble(scale));
    }
    double get_Level() { return level_; }
    void put_Level(double v) { level_ = v; }
    void Fail(std::int32_t how) {
        switch (how) {
            case Text: throw std::runtime_error("Invalid freq dist");
            case BadArgument: throw std::invalid_argument("rt must be 0, 1 or 2");
            case Bare99: throw BareFailure{99};
            case NoMemory: throw std::bad_alloc();
            case NotImpl: throw StatusError(E_NOTIMPL, "Not implemented here");
            case Unexpected: throw StatusError(E_UNEXPECTED);
            case NotAnException: throw 42;
            case LogicError: throw std::out_of_range("index 7 out of range");
        }
    }

    // Leaves a note with figure `figure`, then fails when asked.
    void Note(double figure, bool fail) {
        SetCallNote(CallNote{"noted", {{"figure", figure}}, figure > 1});
        if (fail) throw std::runtime_error("failed after noting");
    }

private:
    double level_ = 0;
};

const DispatchTable<CCalc> CCalc::table{IID_ICalc, "ICalc", {
    Method<&CCalc::Combine>(1, "Combine", {In("n"), In("x"), Out("echo"), InOut("acc"), Optional("scale"),
                                           Result("value")},
                            "Combines every kind of parameter"),
    PropGet<&CCalc::get_Level>(2, "Level", {Result("pVal")}, "The level"),
    PropPut<&CCalc::put_Level>(2, "Level", {In("value")}, "Sets the level"),
    Method<&CCalc::Fail>(3, "Fail", {In("how")}, "Fails in the way asked"),
    Method<&CCalc::Note>(4, "Note", {In("figure"), In("fail")}, "Leaves a note, then fails when asked"),
}};

// A class that does not report errors through ISupportErrorInfo.
class CPlain : public Dispatchable<CPlain> {
public:
    static constexpr ClassIdentity identity{CLSID_Plain, "Test.Plain.1", false};
    static const DispatchTable<CPlain> table;
    std::int32_t Answer() { return 42; }
};

const DispatchTable<CPlain> CPlain::table{IID_IPlain, "IPlain", {
    Method<&CPlain::Answer>(1, "Answer", {Result("value")}, "The answer"),
}};

HRESULT Call(IDispatch* d, DISPID id, InvokeKind kind, std::vector<Variant>& args, Variant* result = nullptr,
             ExcepInfo* excep = nullptr) {
    return d->Invoke(id, kind, args.data(), args.size(), result, excep);
}

TEST(Dispatch, PassesArgumentsInEveryDirectionByValue) {
    auto calc = MakeObject<CCalc>();
    const long before = ModuleObjectCount();
    std::vector<Variant> args{Variant(3), Variant(u"2.5"), Variant(MakeObject<CPlain>().get()), Variant(1.0),
                              Variant::Missing()};
    EXPECT_EQ(ModuleObjectCount(), before + 1);
    Variant result;
    ASSERT_EQ(Call(calc.get(), 1, InvokeKind::Method, args, &result), S_OK);
    ASSERT_EQ(result.vt(), VT_R8);
    EXPECT_EQ(result.r8(), 7.5);
    ASSERT_EQ(args[2].vt(), VT_BSTR);
    EXPECT_EQ(args[2].bstr(), u"3");
    EXPECT_EQ(ModuleObjectCount(), before) << "the out slot's object was not released";
    ASSERT_EQ(args[3].vt(), VT_R8);
    EXPECT_EQ(args[3].r8(), 8.5);
    EXPECT_EQ(args[1].vt(), VT_BSTR) << "an in argument was changed";

    args[4] = Variant(u"2");
    ASSERT_EQ(Call(calc.get(), 1, InvokeKind::Method, args, &result), S_OK);
    EXPECT_EQ(result.r8(), 15.0);
    EXPECT_EQ(args[3].r8(), 16.0);
    ASSERT_EQ(Call(calc.get(), 1, InvokeKind::Method, args, nullptr), S_OK) << "the result may be left out";
}

TEST(Dispatch, WritesOutAndInOutArgumentsThroughReferences) {
    auto calc = MakeObject<CCalc>();
    Variant echo(5.0), acc(u"1"), n(4);
    std::vector<Variant> args{Variant::RefVariant(&n), Variant(0.5), Variant::RefVariant(&echo),
                              Variant::RefVariant(&acc), Variant::Missing()};
    ASSERT_EQ(Call(calc.get(), 1, InvokeKind::Method, args), S_OK);
    ASSERT_EQ(echo.vt(), VT_BSTR);
    EXPECT_EQ(echo.bstr(), u"4");
    ASSERT_EQ(acc.vt(), VT_R8);
    EXPECT_EQ(acc.r8(), 3.0);
    EXPECT_EQ(args[3].vt(), VT_BYREF | VT_VARIANT);

    double raw[2] = {1.0, -99.0};
    args[3] = Variant::RefDoubles(raw, 1);
    ASSERT_EQ(Call(calc.get(), 1, InvokeKind::Method, args), S_OK);
    EXPECT_EQ(raw[0], 3.0);
    EXPECT_EQ(raw[1], -99.0);
}

TEST(Dispatch, PropertiesGetAndPut) {
    auto calc = MakeObject<CCalc>();
    std::vector<Variant> put{Variant(u"4.5")}, none;
    Variant value;
    ASSERT_EQ(Call(calc.get(), 2, InvokeKind::PropertyPut, put), S_OK);
    ASSERT_EQ(Call(calc.get(), 2, InvokeKind::PropertyGet, none, &value), S_OK);
    ASSERT_EQ(value.vt(), VT_R8);
    EXPECT_EQ(value.r8(), 4.5);
}

TEST(Dispatch, NamesAreFoundWithoutRegardToCase) {
    auto calc = MakeObject<CCalc>();
    const std::pair<const char*, DISPID> cases[] = {
        {"Combine", 1}, {"combine", 1}, {"COMBINE", 1}, {"level", 2}, {"LeVeL", 2}, {"fail", 3},
        {"Comb", DISPID_UNKNOWN}, {"Combines", DISPID_UNKNOWN}, {"", DISPID_UNKNOWN}, {"Answer", DISPID_UNKNOWN},
    };
    for (const auto& [name, expected] : cases) {
        DISPID id = 12345;
        HRESULT hr = calc->GetIDsOfNames(name, &id);
        if (expected == DISPID_UNKNOWN) {
            EXPECT_EQ(hr, DISP_E_UNKNOWNNAME) << name;
        } else {
            EXPECT_EQ(hr, S_OK) << name;
            EXPECT_EQ(id, expected) << name;
        }
    }
}

TEST(Dispatch, RefusesWhatTheTableDoesNotAllow) {
    auto calc = MakeObject<CCalc>();
    auto plain = MakeObject<CPlain>();
    struct Case {
        const char* name;
        DISPID id;
        InvokeKind kind;
        std::vector<Variant> args;
        HRESULT expected;
    };
    auto combine = [](Variant n, Variant x, Variant acc) {
        return std::vector<Variant>{std::move(n), std::move(x), Variant(), std::move(acc), Variant::Missing()};
    };
    std::vector<Case> cases;
    cases.push_back({"unknown DISPID", 99, InvokeKind::Method, {}, DISP_E_MEMBERNOTFOUND});
    cases.push_back({"method read as a property", 1, InvokeKind::PropertyGet, combine(1, 1.0, 1.0),
                     DISP_E_MEMBERNOTFOUND});
    cases.push_back({"property called as a method", 2, InvokeKind::Method, {}, DISP_E_MEMBERNOTFOUND});
    cases.push_back({"too many", 3, InvokeKind::Method, {Variant(1), Variant(1)}, DISP_E_BADPARAMCOUNT});
    cases.push_back({"optional left out of the count", 1, InvokeKind::Method,
                     {Variant(1), Variant(1.0), Variant(), Variant(1.0)}, DISP_E_BADPARAMCOUNT});
    cases.push_back({"missing n", 1, InvokeKind::Method, combine(Variant::Missing(), 1.0, 1.0),
                     DISP_E_PARAMNOTOPTIONAL});
    cases.push_back({"missing x", 1, InvokeKind::Method, combine(1, Variant::Missing(), 1.0),
                     DISP_E_PARAMNOTOPTIONAL});
    cases.push_back({"text into a long", 1, InvokeKind::Method, combine(Variant(u"abc"), 1.0, 1.0),
                     DISP_E_TYPEMISMATCH});
    cases.push_back({"text into a double", 1, InvokeKind::Method, combine(1, Variant(u"1.5x"), 1.0),
                     DISP_E_TYPEMISMATCH});
    cases.push_back({"text into an in-out double", 1, InvokeKind::Method, combine(1, 1.0, Variant(u"abc")),
                     DISP_E_TYPEMISMATCH});
    cases.push_back({"object into a double", 1, InvokeKind::Method, combine(1, Variant(plain.get()), 1.0),
                     DISP_E_TYPEMISMATCH});
    cases.push_back({"long out of range", 1, InvokeKind::Method, combine(3e9, 1.0, 1.0), DISP_E_OVERFLOW});
    cases.push_back({"text put into a double property", 2, InvokeKind::PropertyPut, {Variant(u"high")},
                     DISP_E_TYPEMISMATCH});
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        Variant result;
        EXPECT_EQ(Call(calc.get(), c.id, c.kind, c.args, &result), c.expected);
        EXPECT_EQ(result.vt(), VT_EMPTY);
        if (c.id == 1 && c.args.size() == 5 && c.args[3].vt() == VT_R8) {
            EXPECT_EQ(c.args[3].r8(), 1.0) << "an in-out argument was written by a failed call";
        }
    }
    Variant level;
    std::vector<Variant> none;
    ASSERT_EQ(Call(calc.get(), 2, InvokeKind::PropertyGet, none, &level), S_OK);
    EXPECT_EQ(level.r8(), 0.0) << "a refused put changed the property";
}

TEST(Dispatch, FailuresBecomeStatusCodesWithTheirDescriptions) {
    auto calc = MakeObject<CCalc>();
    struct Case {
        Failure how;
        HRESULT code;
        std::optional<std::u16string> description;  // nullopt: none at all; u"*": any
    };
    const Case cases[] = {
        {Text, E_FAIL, u"Invalid freq dist"},
        {BadArgument, E_INVALIDARG, u"rt must be 0, 1 or 2"},
        {Bare99, MakeStatus(0x80040063u), std::nullopt},
        {NoMemory, E_OUTOFMEMORY, u"*"},
        {NotImpl, E_NOTIMPL, u"Not implemented here"},
        {Unexpected, E_UNEXPECTED, std::nullopt},
        {NotAnException, E_UNEXPECTED, u"*"},
        {LogicError, E_FAIL, u"index 7 out of range"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.how));
        std::vector<Variant> args{Variant(static_cast<std::int32_t>(c.how))};
        ExcepInfo excep;
        excep.description = u"stale";
        excep.hasDescription = true;
        EXPECT_EQ(Call(calc.get(), 3, InvokeKind::Method, args, nullptr, &excep), c.code);
        EXPECT_EQ(excep.scode, c.code);
        EXPECT_EQ(excep.source, "Test.Calc.1");
        EXPECT_EQ(excep.clsid, CLSID_Calc);
        EXPECT_EQ(excep.iid, IID_ICalc);
        if (!c.description) {
            EXPECT_FALSE(excep.hasDescription);
            EXPECT_TRUE(excep.description.empty());
        } else if (*c.description != u"*") {
            EXPECT_TRUE(excep.hasDescription);
            EXPECT_EQ(excep.description, *c.description);
        }
    }
    EXPECT_TRUE(Succeeded(S_FALSE));
    EXPECT_TRUE(Failed(BareNumberStatus(99)));
}

TEST(ErrorRecordThreads, IsSetOnFailureKeptOnSuccessAndSeparatePerThread) {
    TakeErrorInfo();
    auto calc = MakeObject<CCalc>();
    std::vector<Variant> fail{Variant(static_cast<std::int32_t>(Text))}, none;
    ASSERT_EQ(Call(calc.get(), 3, InvokeKind::Method, fail), E_FAIL);
    const std::optional<ErrorRecord>& record = PeekErrorInfo();
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->clsid, CLSID_Calc);
    EXPECT_EQ(record->iid, IID_ICalc);
    EXPECT_EQ(record->source, "Test.Calc.1");
    EXPECT_EQ(record->description, u"Invalid freq dist");

    Variant level;
    ASSERT_EQ(Call(calc.get(), 2, InvokeKind::PropertyGet, none, &level), S_OK);
    ASSERT_TRUE(PeekErrorInfo().has_value()) << "a successful call cleared the record";
    EXPECT_EQ(PeekErrorInfo()->description, u"Invalid freq dist");

    bool otherStartedEmpty = false;
    HRESULT otherStatus = S_OK;
    std::optional<ErrorRecord> otherRecord;
    std::thread other([&] {
        otherStartedEmpty = !PeekErrorInfo().has_value();
        std::vector<Variant> bare{Variant(static_cast<std::int32_t>(Bare99))};
        otherStatus = Call(calc.get(), 3, InvokeKind::Method, bare);
        otherRecord = TakeErrorInfo();
    });
    other.join();
    EXPECT_TRUE(otherStartedEmpty);
    EXPECT_EQ(otherStatus, BareNumberStatus(99));
    ASSERT_TRUE(otherRecord.has_value());
    EXPECT_FALSE(otherRecord->description.has_value());
    EXPECT_EQ(PeekErrorInfo()->description, u"Invalid freq dist") << "another thread's failure reached this one";

    EXPECT_TRUE(TakeErrorInfo().has_value());
    EXPECT_FALSE(PeekErrorInfo().has_value());
}

TEST(CallNote, ReachesTheCallerOfASuccessfulCallOnly) {
    auto calc = MakeObject<CCalc>();
    std::vector<Variant> args{Variant(2.5), Variant::Bool(false)};
    ExcepInfo excep;
    ASSERT_EQ(Call(calc.get(), 4, InvokeKind::Method, args, nullptr, &excep), S_OK);
    ASSERT_TRUE(excep.note);
    EXPECT_EQ(excep.note->text, "noted");
    EXPECT_TRUE(excep.note->warn);
    EXPECT_EQ(excep.note->figures, (std::vector<std::pair<std::string, double>>{{"figure", 2.5}}));
    EXPECT_FALSE(TakeCallNote()) << "the note was handed over, not left in the slot";

    // A failing call hands over its error, not its note; a call that notes nothing hands over none,
    // even when a stale note was left in the slot outside any call.
    std::vector<Variant> failing{Variant(0.5), Variant::Bool(true)};
    ExcepInfo failed;
    EXPECT_EQ(Call(calc.get(), 4, InvokeKind::Method, failing, nullptr, &failed), E_FAIL);
    EXPECT_FALSE(failed.note);
    EXPECT_EQ(failed.description, u"failed after noting");
    SetCallNote(CallNote{"stale", {}, true});
    std::vector<Variant> none;
    Variant level;
    ExcepInfo quiet;
    ASSERT_EQ(Call(calc.get(), 2, InvokeKind::PropertyGet, none, &level, &quiet), S_OK);
    EXPECT_FALSE(quiet.note);
    EXPECT_FALSE(TakeCallNote());
}

TEST(Dispatch, TheTableServesIntrospection) {
    auto calc = MakeObject<CCalc>();
    const InterfaceInfo& info = calc->GetInterfaceInfo();
    EXPECT_EQ(info.iid, IID_ICalc);
    EXPECT_STREQ(info.name, "ICalc");
    const MemberInfo* combine = info.Find(1, InvokeKind::Method);
    ASSERT_NE(combine, nullptr);
    const std::tuple<const char*, ParamDir, VARTYPE> expected[] = {
        {"n", ParamDir::In, VT_I4},         {"x", ParamDir::In, VT_R8},
        {"echo", ParamDir::Out, VT_VARIANT}, {"acc", ParamDir::InOut, VT_R8},
        {"scale", ParamDir::Optional, VT_VARIANT},
    };
    ASSERT_EQ(combine->params.size(), std::size(expected));
    for (std::size_t i = 0; i < combine->params.size(); ++i) {
        EXPECT_STREQ(combine->params[i].name, std::get<0>(expected[i]));
        EXPECT_EQ(combine->params[i].dir, std::get<1>(expected[i]));
        EXPECT_EQ(combine->params[i].vt, std::get<2>(expected[i]));
    }
    EXPECT_STREQ(combine->resultName, "value");
    EXPECT_EQ(combine->resultVt, VT_R8);
    const MemberInfo* get = info.Find(2, InvokeKind::PropertyGet);
    const MemberInfo* put = info.Find(2, InvokeKind::PropertyPut);
    ASSERT_NE(get, nullptr);
    ASSERT_NE(put, nullptr);
    EXPECT_TRUE(get->params.empty());
    EXPECT_EQ(put->resultName, nullptr);
    EXPECT_EQ(info.FindByName("LEVEL")->dispid, 2);
    EXPECT_STREQ(combine->help, "Combines every kind of parameter");
}

TEST(DispatchDeathTest, EveryRowNeedsAHelpString) {
    EXPECT_DEATH(Method<&CPlain::Answer>(1, "Answer", {Result("value")}, nullptr), "help string");
    EXPECT_DEATH(Method<&CPlain::Answer>(1, "Answer", {Result("value")}, ""), "help string");
}

TEST(Objects, AnswerExactlyTheirInterfaces) {
    const long before = ModuleObjectCount();
    {
        auto calc = MakeObject<CCalc>();
        auto plain = MakeObject<CPlain>();
        struct Case {
            IDispatch* object;
            IID iid;
            bool answered;
        };
        const Case cases[] = {
            {calc.get(), IID_IUnknown, true},        {calc.get(), IID_IDispatch, true},
            {calc.get(), IID_ICalc, true},           {calc.get(), IID_ISupportErrorInfo, true},
            {calc.get(), IID_IClassFactory, false},  {calc.get(), IID_IPlain, false},
            {calc.get(), CLSID_Calc, false},         {plain.get(), IID_IPlain, true},
            {plain.get(), IID_ISupportErrorInfo, false},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(GuidText(c.iid));
            void* out = reinterpret_cast<void*>(1);
            HRESULT hr = c.object->QueryInterface(c.iid, &out);
            if (c.answered) {
                EXPECT_EQ(hr, S_OK);
                ASSERT_NE(out, nullptr);
            } else {
                EXPECT_EQ(hr, E_NOINTERFACE);
                EXPECT_EQ(out, nullptr);
            }
            if (hr == S_OK) {
                // Every interface leads back to the same identity.
                auto back = Query<IUnknown>(c.iid == IID_ISupportErrorInfo
                                                ? static_cast<IUnknown*>(static_cast<ISupportErrorInfo*>(out))
                                                : static_cast<IUnknown*>(static_cast<IDispatch*>(out)),
                                            IID_IUnknown);
                auto identity = Query<IUnknown>(c.object, IID_IUnknown);
                EXPECT_EQ(back.get(), identity.get());
                if (c.iid == IID_ISupportErrorInfo) static_cast<ISupportErrorInfo*>(out)->Release();
                else static_cast<IDispatch*>(out)->Release();
            }
        }
        auto errors = Query<ISupportErrorInfo>(calc.get(), IID_ISupportErrorInfo);
        ASSERT_TRUE(errors);
        EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_ICalc), S_OK);
        for (const IID& other : {IID_IDispatch, IID_IUnknown, IID_IPlain, IID_ISupportErrorInfo})
            EXPECT_EQ(errors->InterfaceSupportsErrorInfo(other), S_FALSE);
        EXPECT_EQ(ModuleObjectCount(), before + 2);
    }
    EXPECT_EQ(ModuleObjectCount(), before) << "an object outlived its last reference";
}

}  // namespace
