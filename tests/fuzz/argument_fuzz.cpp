// Random calls of every member of every class that the given server modules register, and of
// every object those calls hand out, with arguments of every automation type: each call succeeds
// or fails with a status, never a crash, a hang or a memory fault. Classes and members come from
// the registry the modules write and from the objects' member tables, so a new class or member is
// called as soon as it exists.
//
//   argument_fuzz [run options] MODULE.so [MODULE.so ...]
//
// At the end every object is released, and each module must then be ready to unload (no live
// object, no lock): an object whose reference a call lost is reported.
//
// The modules run from a private copy of their folders in a temporary working folder, with a
// registry of its own there, so that nothing a call writes reaches the build.
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "automation/activation.h"
#include "automation/bstr.h"
#include "automation/dispatch.h"
#include "automation/guid.h"
#include "automation/registry.h"
#include "automation/server.h"
#include "fuzz_run.h"

namespace {

using namespace automation;
namespace fs = std::filesystem;
using Rng = std::mt19937_64;

constexpr std::size_t kPoolSize = 48;

struct Fuzzer {
    std::vector<CLSID> classes;
    std::vector<ComPtr<IDispatch>> pool;
    std::deque<Variant> referenced;  // targets of by-reference arguments, alive for one call
    std::vector<std::vector<double>> buffers;
    std::map<HRESULT, std::uint64_t> outcomes;
    std::map<std::string, std::uint64_t> succeeded;  // interface.member -> successful calls
    std::map<std::string, double> timeSpent;         // interface -> seconds in its calls
    bool trace = std::getenv("FUZZ_TRACE") != nullptr;  // every call and its status to stderr

    Variant AnyValue(Rng& rng, int depth = 0);
    Variant Typed(Rng& rng, VARTYPE vt);
    Variant Argument(Rng& rng, const ParamInfo& p);
    void Keep(Rng& rng, const Variant& v);
    void Create(Rng& rng);
    void Call(Rng& rng);
};

std::u16string Text(Rng& rng) {
    static const std::vector<std::u16string> texts{
        u"", u"a", u"x.prm", u"b.blk", u"seed.prm", u"nodir/x.prm", u".", u"3.5", u"1e400", u"-7", u"NaN",
        u"  12  ", u"TRUE", u"\u00e9\u2603\U0001D11E", std::u16string(1, char16_t{0xD800}),
        std::u16string(u"a\0b", 3), std::u16string(1000, u'x'), u"{FEF1FED9-E48D-471C-AB3B-6F82F69E8DE5}",
        u"Corvane.AggCo", u"name with spaces"};
    return fuzz::Pick(rng, texts);
}

double Number(Rng& rng) {
    return fuzz::Chance(rng, 0.5) ? fuzz::Pick(rng, fuzz::Doubles()) : std::uniform_real_distribution<double>(0, 1)(rng);
}

// Mostly the bounds of scripts (0) and spreadsheets (1), sometimes ones that overflow.
SafeArrayBound Bound(Rng& rng, std::uint32_t n) {
    static const std::vector<std::int32_t> lower{1, -1, 7, 2147483647, -2147483647 - 1};
    return {n, fuzz::Chance(rng, 0.85) ? 0 : fuzz::Pick(rng, lower)};
}

// One call's scale k: its arrays often have 2^k values and its integers are often k or 2^k, so that
// sizes given as counts or as powers of two agree with the arrays now and then.
thread_local int t_scale = 0;

std::uint32_t Length(Rng& rng) {
    static const std::vector<std::uint32_t> lengths{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 16, 17, 32, 64, 256, 1024};
    return fuzz::Chance(rng, 0.5) ? 1u << t_scale : fuzz::Pick(rng, lengths);
}

// Mostly the small numbers that codes, shapes and powers of two take, sometimes extremes.
std::int32_t Int(Rng& rng) {
    const double u = std::uniform_real_distribution<double>(0, 1)(rng);
    if (u < 0.25) return t_scale;
    if (u < 0.35) return 1 << t_scale;
    if (u < 0.75) return std::uniform_int_distribution<std::int32_t>(0, 8)(rng);
    return fuzz::Pick(rng, fuzz::Ints());
}

// Numbers, mostly probabilities or small amounts.
std::vector<double> Numbers(Rng& rng, std::uint32_t n) {
    std::vector<double> values(n);
    const int kind = std::uniform_int_distribution<int>(0, 2)(rng);
    for (double& x : values)
        x = kind == 0 ? 1.0 / std::max<std::uint32_t>(n, 1) : kind == 1 ? std::uniform_real_distribution<double>(0, 10)(rng)
                                                                        : Number(rng);
    return values;
}



Variant Fuzzer::AnyValue(Rng& rng, int depth) {
    switch (std::uniform_int_distribution<int>(0, depth > 0 ? 8 : 15)(rng)) {
        case 0: return Variant();
        case 1: return Variant::Missing();
        case 2: return Variant(Int(rng));
        case 3: return Variant(Number(rng));
        case 4: return Variant(Text(rng));
        case 5: return Variant::Bool(fuzz::Chance(rng, 0.5));
        case 6: return Variant::Short(static_cast<std::int16_t>(Int(rng)));
        case 7: return Variant::Float(static_cast<float>(Number(rng)));
        case 8: {
            Variant v = Variant::Error(E_FAIL);
            if (fuzz::Chance(rng, 0.5)) v = Variant(Variant());
            return v;
        }
        case 9:
        case 10: {  // doubles: probabilities, or interesting numbers
            const std::uint32_t n = Length(rng);
            std::vector<double> values = Numbers(rng, n);
            if (fuzz::Chance(rng, 0.3)) {
                const std::uint32_t rows = std::max<std::uint32_t>(1, Length(rng) % 17), cols = n / rows;
                values.resize(static_cast<std::size_t>(rows) * cols);
                return Variant(SafeArray(std::move(values), {Bound(rng, rows), Bound(rng, cols)}));
            }
            return Variant(SafeArray(std::move(values), {Bound(rng, n)}));
        }
        case 11: {
            const std::uint32_t n = Length(rng) % 33;
            SafeArray a(VT_VARIANT, {Bound(rng, n)});
            for (Variant& v : a.variants()) v = AnyValue(rng, depth + 1);
            return Variant(std::move(a));
        }
        case 12: {
            const std::uint32_t n = Length(rng) % 33;
            SafeArray a(VT_I4, {Bound(rng, n)});
            for (std::int32_t& v : a.i4()) v = Int(rng);
            return Variant(std::move(a));
        }
        case 13: {
            SafeArray a(VT_BSTR, {Bound(rng, Length(rng) % 5)});
            for (std::u16string& v : a.bstr()) v = Text(rng);
            return Variant(std::move(a));
        }
        case 14: {
            const std::uint32_t rows = Length(rng) % 9, cols = Length(rng) % 9;
            SafeArray a(VT_VARIANT, {Bound(rng, rows), Bound(rng, cols)});
            for (Variant& v : a.variants()) v = AnyValue(rng, depth + 1);
            return Variant(std::move(a));
        }
        default:
            if (pool.empty() || fuzz::Chance(rng, 0.1)) return Variant(static_cast<IDispatch*>(nullptr));
            return Variant(fuzz::Pick(rng, pool).get());
    }
}

Variant Fuzzer::Typed(Rng& rng, VARTYPE vt) {
    switch (vt) {
        case VT_I4:
        case VT_I2: return Variant(Int(rng));
        case VT_R8: return Variant(Number(rng));
        case VT_BOOL: return Variant::Bool(fuzz::Chance(rng, 0.5));
        case VT_BSTR: return Variant(Text(rng));
        case VT_DISPATCH:
            if (pool.empty()) return Variant(static_cast<IDispatch*>(nullptr));
            return Variant(fuzz::Pick(rng, pool).get());
        default:
            if (fuzz::Chance(rng, 0.5)) {
                const std::uint32_t n = Length(rng) % 65;
                return Variant(SafeArray(Numbers(rng, n), {Bound(rng, n)}));
            }
            return AnyValue(rng);
    }
}

Variant Fuzzer::Argument(Rng& rng, const ParamInfo& p) {
    if (p.vt == (VT_BYREF | VT_R8) && fuzz::Chance(rng, 0.9)) {
        auto& buffer = buffers.emplace_back(Length(rng));
        for (double& x : buffer) x = Number(rng);
        return Variant::RefDoubles(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    }
    if (p.dir == ParamDir::Out && fuzz::Chance(rng, 0.9)) return Variant();
    if (p.dir == ParamDir::Optional && fuzz::Chance(rng, 0.3)) return Variant::Missing();
    Variant v = fuzz::Chance(rng, 0.7) ? Typed(rng, p.vt) : AnyValue(rng);
    if (fuzz::Chance(rng, 0.05)) {
        referenced.push_back(std::move(v));
        return Variant::RefVariant(&referenced.back());
    }
    return v;
}

// Objects that calls hand out join the pool, so their members are called too.
void Fuzzer::Keep(Rng& rng, const Variant& slot) {
    const Variant& v = slot.Deref();
    if (v.vt() != VT_DISPATCH || !v.dispatch()) return;
    if (pool.size() < kPoolSize) pool.emplace_back(v.dispatch());
    else pool[std::uniform_int_distribution<std::size_t>(0, kPoolSize - 1)(rng)] = ComPtr<IDispatch>(v.dispatch());
}

void Fuzzer::Create(Rng& rng) {
    const CLSID& clsid = fuzz::Pick(rng, classes);
    fuzz::Note("creating " + GuidText(clsid));
    void* out = nullptr;
    ExcepInfo excep;
    if (Failed(CreateObject(clsid, IID_IDispatch, &out, &excep))) return;
    Variant v(static_cast<IDispatch*>(out));
    static_cast<IDispatch*>(out)->Release();
    Keep(rng, v);
}

void Fuzzer::Call(Rng& rng) {
    if (pool.empty() || fuzz::Chance(rng, 0.03)) Create(rng);
    if (pool.empty()) return;
    // Interfaces share the time: one whose calls have taken more than twice the average so far
    // (a class that renders pictures, say) is passed over a few times.
    ComPtr<IDispatch> object = fuzz::Pick(rng, pool);
    double average = 0;
    for (const auto& [name, seconds] : timeSpent) average += seconds / static_cast<double>(timeSpent.size());
    for (int retry = 0; retry < 4 && timeSpent[object->GetInterfaceInfo().name] > 2 * average; ++retry)
        object = fuzz::Pick(rng, pool);
    const InterfaceInfo& info = object->GetInterfaceInfo();
    referenced.clear();
    buffers.clear();
    if (info.members.empty() || fuzz::Chance(rng, 0.02)) {
        // Names and DISPIDs that may not exist, and argument counts that do not fit.
        DISPID id = 0;
        const std::string name = Utf16ToUtf8(Text(rng));
        fuzz::Note(std::string(info.name) + ": a look-up of '" + name + "'");
        if (Failed(object->GetIDsOfNames(name, &id))) id = fuzz::Pick(rng, fuzz::Ints());
        std::vector<Variant> args(std::uniform_int_distribution<std::size_t>(0, 4)(rng));
        for (Variant& a : args) a = AnyValue(rng);
        Variant result;
        ExcepInfo excep;
        const InvokeKind kind = fuzz::Pick(rng, std::vector{InvokeKind::Method, InvokeKind::PropertyGet,
                                                           InvokeKind::PropertyPut});
        ++outcomes[object->Invoke(id, kind, args.data(), args.size(), &result, &excep)];
        return;
    }
    const MemberInfo& m = fuzz::Pick(rng, info.members);
    t_scale = std::uniform_int_distribution<int>(0, 6)(rng);
    std::vector<Variant> args;
    std::string note = std::string(info.name) + "." + m.name + "(";
    for (const ParamInfo& p : m.params) {
        args.push_back(Argument(rng, p));
        const Variant& a = args.back().Deref();
        note += std::to_string(a.vt());
        if (a.vt() == VT_I4) note.append("=").append(std::to_string(a.i4()));
        note.push_back(' ');
    }
    note += ")";
    fuzz::Note(note);
    Variant result;
    ExcepInfo excep;
    const auto start = std::chrono::steady_clock::now();
    const HRESULT hr = object->Invoke(m.dispid, m.kind, args.data(), args.size(),
                                      m.resultName && fuzz::Chance(rng, 0.95) ? &result : nullptr, &excep);
    timeSpent[info.name] += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++outcomes[hr];
    if (trace) std::fprintf(stderr, "%s -> 0x%08X %s\n", note.c_str(), static_cast<unsigned>(hr), Utf16ToUtf8(excep.description).c_str());
    std::uint64_t& ok = succeeded[std::string(info.name) + "." + m.name];
    if (Failed(hr)) return;
    ++ok;
    Keep(rng, result);
    for (const Variant& a : args) Keep(rng, a);
}

// The classes a module registers: the CLSID keys whose in-process server is the module.
std::vector<CLSID> RegisteredClasses(const Registry& r, const std::string& module) {
    std::vector<CLSID> found;
    for (const std::string& key : r.KeyNames()) {
        constexpr std::string_view prefix = "CLSID\\", suffix = "\\InprocServer32";
        if (key.size() <= prefix.size() + suffix.size() || key.compare(0, prefix.size(), prefix) != 0 ||
            key.compare(key.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        if (r.GetValue(key) != module) continue;
        if (auto g = ParseGuid(key.substr(prefix.size(), key.size() - prefix.size() - suffix.size())))
            found.push_back(*g);
    }
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    const fuzz::RunOptions options = fuzz::ParseOptions(argc, argv);
    if (options.rest.empty()) {
        std::fprintf(stderr, "usage: argument_fuzz [--seconds S] [--seed K] MODULE.so...\n");
        return 2;
    }
    std::string pattern = (fs::temp_directory_path() / "argument-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) return 2;
    const fs::path work = pattern;
    ::setenv("AUTOMATION_REGISTRY", (work / "registry").c_str(), 1);

    Fuzzer fuzzer;
    std::vector<std::pair<std::string, DllCanUnloadNowFn>> canUnload;
    int modules = 0;
    for (const std::string& given : options.rest) {
        const fs::path source = fs::canonical(given);
        const fs::path folder = work / ("module" + std::to_string(modules++));
        fs::create_directories(folder);
        for (const auto& e : fs::directory_iterator(source.parent_path()))
            if (e.is_regular_file()) fs::copy_file(e.path(), folder / e.path().filename());
        const std::string module = (folder / source.filename()).string();
        std::string error;
        void* handle = LoadModule(module, &error);
        auto enter = handle ? reinterpret_cast<DllRegisterServerFn>(dlsym(handle, "DllRegisterServer")) : nullptr;
        if (!enter) {
            std::printf("argument_fuzz: %s is no server module (%s), skipped\n", given.c_str(),
                        handle ? "no DllRegisterServer" : error.c_str());
            continue;
        }
        if (Failed(enter())) {
            std::fprintf(stderr, "argument_fuzz: %s fails to register\n", given.c_str());
            return 2;
        }
        for (const CLSID& c : RegisteredClasses(Registry::Load(Registry::DefaultPath()), module))
            fuzzer.classes.push_back(c);
        canUnload.emplace_back(given, reinterpret_cast<DllCanUnloadNowFn>(dlsym(handle, "DllCanUnloadNow")));
    }
    // A parameter file of the working folder for calls that name one.
    for (const auto& e : fs::recursive_directory_iterator(work))
        if (e.path().extension() == ".prm") fs::copy_file(e.path(), work / "seed.prm", fs::copy_options::skip_existing);
    fs::current_path(work);
    std::printf("argument_fuzz: %zu classes registered\n", fuzzer.classes.size());
    if (fuzzer.classes.empty()) return 2;

    fuzz::Run("argument_fuzz", options, [&](Rng& rng) { fuzzer.Call(rng); });

    std::uint64_t failed = 0, total = 0;
    for (const auto& [hr, n] : fuzzer.outcomes) {
        total += n;
        if (Failed(hr)) failed += n;
    }
    std::printf("argument_fuzz: %" PRIu64 " calls, %" PRIu64 " failed with a status; %zu members called",
                total, failed, fuzzer.succeeded.size());
    std::string never;
    for (const auto& [member, n] : fuzzer.succeeded)
        if (n == 0) never += " " + member;
    std::printf("%s%s\nargument_fuzz: failures by status:", never.empty() ? "" : ", never successfully:",
                never.c_str());
    for (const auto& [hr, n] : fuzzer.outcomes)
        if (Failed(hr)) std::printf(" 0x%08X %" PRIu64, static_cast<unsigned>(hr), n);
    std::printf("\n");
    // Every object a call handed out has been released with the pool: a module that still counts
    // live objects (or locks) lost a reference somewhere.
    fuzzer.pool.clear();
    fuzzer.referenced.clear();
    // A module that still holds objects fails the run, reported with the seed that reproduces it.
    int leaked = 0;
    for (const auto& [module, unloadable] : canUnload)
        if (unloadable && unloadable() != S_OK) {
            std::fprintf(stderr, "argument_fuzz: %s still holds objects after every reference was released "
                                 "(seed %" PRIu64 ")\n", module.c_str(), options.seed);
            leaked = 1;
        }
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(work);
    return leaked;
}
