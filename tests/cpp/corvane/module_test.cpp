// The Corvane module's entry points: which classes a host may create, the unload state,
// registration records in a private registry file, and the interfaces of the created objects.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "Corvane/ParamFileEng.h"
#include "Corvane/identities.h"
#include "automation/object.h"
#include "automation/registry.h"
#include "automation/server.h"

extern "C" {
automation::HRESULT DllGetClassObject(const automation::CLSID* clsid, const automation::IID* iid, void** out);
automation::HRESULT DllCanUnloadNow();
automation::HRESULT DllRegisterServer();
automation::HRESULT DllUnregisterServer();
}

namespace {

using namespace automation;
using namespace corvane;
namespace fs = std::filesystem;

// Each test gets a registry file of its own in a private directory.
class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "module_test.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        if (const char* old = std::getenv("AUTOMATION_REGISTRY")) saved_ = old;
        registry_ = (dir_ / "registry").string();
        setenv("AUTOMATION_REGISTRY", registry_.c_str(), 1);
    }
    void TearDown() override {
        if (saved_) setenv("AUTOMATION_REGISTRY", saved_->c_str(), 1);
        else unsetenv("AUTOMATION_REGISTRY");
        fs::remove_all(dir_);
    }

    ComPtr<IClassFactory> Factory(const CLSID& clsid) {
        void* out = nullptr;
        EXPECT_EQ(DllGetClassObject(&clsid, &IID_IClassFactory, &out), S_OK);
        return ComPtr<IClassFactory>::Adopt(static_cast<IClassFactory*>(out));
    }

    void SetDefaultParamFile(const std::string& path) {
        Registry r;
        r.SetValue(kParamFileKey, "", path);
        r.Save(registry_);
    }

    fs::path dir_;
    std::string registry_;
    std::optional<std::string> saved_;
};

TEST_F(ModuleTest, OnlyCreatableClassesHaveFactories) {
    for (const CLSID& clsid : {CLSID_EmpCo, CLSID_BivEmpCo, CLSID_FTUCo, CLSID_EnumRisk, IID_IAggCo,
                               MakeGuid("{00000000-0000-0000-0000-000000000000}")}) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(DllGetClassObject(&clsid, &IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE)
            << GuidText(clsid);
        EXPECT_EQ(out, nullptr);
    }
    for (const CLSID& clsid : {CLSID_AggCo, CLSID_ParamFile, CLSID_Triangle}) {
        SCOPED_TRACE(GuidText(clsid));
        for (const IID& iid : {IID_IClassFactory, IID_IUnknown}) {
            void* out = nullptr;
            ASSERT_EQ(DllGetClassObject(&clsid, &iid, &out), S_OK);
            ASSERT_NE(out, nullptr);
            static_cast<IClassFactory*>(out)->Release();
        }
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(DllGetClassObject(&clsid, &IID_IDispatch, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST_F(ModuleTest, CanUnloadOnlyWhenNoObjectFactoryOrLockLives) {
    ASSERT_EQ(DllCanUnloadNow(), S_OK) << "something outlived an earlier test";
    auto factory = Factory(CLSID_ParamFile);
    ASSERT_TRUE(factory);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    void* out = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IParamFile, &out, nullptr), S_OK);
    auto paramFile = ComPtr<IDispatch>::Adopt(static_cast<IDispatch*>(out));
    auto errors = Query<ISupportErrorInfo>(paramFile.get(), IID_ISupportErrorInfo);
    factory = nullptr;
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    paramFile = nullptr;
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "a second interface of the object is still held";
    errors = nullptr;
    EXPECT_EQ(DllCanUnloadNow(), S_OK);

    factory = Factory(CLSID_AggCo);
    ASSERT_EQ(factory->LockServer(true), S_OK);
    factory = nullptr;
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "the server is locked";
    factory = Factory(CLSID_AggCo);
    ASSERT_EQ(factory->LockServer(false), S_OK);
    factory = nullptr;
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST_F(ModuleTest, AParamFileAnswersItsOwnInterfacesOnly) {
    auto factory = Factory(CLSID_ParamFile);
    void* out = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, &out, nullptr), S_OK);
    auto paramFile = ComPtr<IDispatch>::Adopt(static_cast<IDispatch*>(out));
    for (const IID& iid : {IID_IUnknown, IID_IDispatch, IID_IParamFile, IID_ISupportErrorInfo})
        EXPECT_TRUE(Query<IUnknown>(paramFile.get(), iid)) << GuidText(iid);
    for (const IID& iid : {IID_IAggCo, IID_IEmpCo, IID_IClassFactory, CLSID_ParamFile})
        EXPECT_FALSE(Query<IUnknown>(paramFile.get(), iid)) << GuidText(iid);
    auto errors = Query<ISupportErrorInfo>(paramFile.get(), IID_ISupportErrorInfo);
    ASSERT_TRUE(errors);
    EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IParamFile), S_OK);
    for (const IID& iid : {IID_IAggCo, IID_IDispatch, IID_IUnknown})
        EXPECT_EQ(errors->InterfaceSupportsErrorInfo(iid), S_FALSE) << GuidText(iid);
    DISPID id = 0;
    EXPECT_EQ(paramFile->GetIDsOfNames("sizeofparamentry", &id), S_OK);
    EXPECT_EQ(id, 12);
}

// Creating an AggCo opens the default parameter file named in the registry, or fails.
TEST_F(ModuleTest, AggCoCreationNeedsTheDefaultParameterFile) {
    const std::string existing = (dir_ / "public.prm").string();
    {
        CParamFileEng engine;
        engine.create(existing);
    }
    struct Case {
        const char* name;
        std::optional<std::string> paramFile;  // nullopt: no registry key at all
        HRESULT code;
        const char16_t* description;
    };
    const Case cases[] = {
        {"no key", std::nullopt, E_INVALIDARG, u"Error querying reg string"},
        {"missing file", (dir_ / "absent.prm").string(), E_FAIL, u"Cant find file"},
        {"existing file", existing, S_OK, nullptr},
    };
    auto factory = Factory(CLSID_AggCo);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(registry_);
        if (c.paramFile) SetDefaultParamFile(*c.paramFile);
        const long before = ModuleObjectCount();
        void* out = reinterpret_cast<void*>(1);
        ExcepInfo excep;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IAggCo, &out, &excep), c.code);
        if (Failed(c.code)) {
            EXPECT_EQ(out, nullptr);
            EXPECT_EQ(ModuleObjectCount(), before);
            EXPECT_EQ(excep.description, c.description);
            EXPECT_EQ(excep.clsid, CLSID_AggCo);
            continue;
        }
        auto agg = ComPtr<IDispatch>::Adopt(static_cast<IDispatch*>(out));
        for (const IID& iid : {IID_IAggCo, IID_IDispatch, IID_ISupportErrorInfo})
            EXPECT_TRUE(Query<IUnknown>(agg.get(), iid)) << GuidText(iid);
        EXPECT_FALSE(Query<IUnknown>(agg.get(), IID_IParamFile));
    }
}

// One creatable class's registration records.
struct Record {
    CLSID clsid;
    const char* progId;
    const char* viProgId;
    const char* title;
};

const Record kRecords[] = {
    {CLSID_AggCo, "Corvane.AggCo.1", "Corvane.AggCo", "AggCo Class"},
    {CLSID_ParamFile, "Corvane.ParamFile.1", "Corvane.ParamFile", "ParamFile Class"},
    {CLSID_Triangle, "Corvane.Triangle.1", "Corvane.Triangle", "Triangle Class"},
};

TEST_F(ModuleTest, RegistrationWritesAndRemovesTheRecords) {
    {
        Registry seed;
        seed.SetValue("Other.Class.1\\CLSID", "", "{11111111-2222-3333-4444-555555555555}");
        seed.SetValue("CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32", "", "/lib/other.so");
        seed.Save(registry_);
    }
    ASSERT_EQ(DllRegisterServer(), S_OK);
    ASSERT_EQ(DllRegisterServer(), S_OK) << "registering again";
    Registry r = Registry::Load(registry_);
    const std::string libid = GuidText(LIBID_CORVANELib);
    for (const Record& rec : kRecords) {
        SCOPED_TRACE(rec.progId);
        const std::string clsid = GuidText(rec.clsid);
        const std::string key = "CLSID\\" + clsid;
        const std::string progId = rec.progId;
        EXPECT_EQ(r.GetValue(progId), rec.title);
        EXPECT_EQ(r.GetValue(progId + "\\CLSID"), clsid);
        EXPECT_EQ(r.GetValue(key), rec.title);
        EXPECT_EQ(r.GetValue(key + "\\ProgID"), progId);
        EXPECT_TRUE(r.KeyExists(key + "\\Programmable"));
        EXPECT_EQ(r.GetValue(key + "\\InprocServer32", "ThreadingModel"), "Free");
        EXPECT_EQ(r.GetValue(key + "\\TypeLib"), libid);
        auto module = r.GetValue(key + "\\InprocServer32");
        ASSERT_TRUE(module.has_value());
        EXPECT_TRUE(fs::path(*module).is_absolute()) << *module;
        EXPECT_TRUE(fs::is_regular_file(*module)) << *module;
        const std::string vi = rec.viProgId;
        EXPECT_EQ(r.GetValue(vi), rec.title);
        EXPECT_EQ(r.GetValue(key + "\\VersionIndependentProgID"), vi);
        EXPECT_EQ(r.GetValue(vi + "\\CLSID"), clsid);
        EXPECT_EQ(r.GetValue(vi + "\\CurVer"), progId);
    }
    // Classes that only methods create are not registered.
    EXPECT_FALSE(r.KeyExists("Corvane.EmpCo.1"));
    EXPECT_FALSE(r.KeyExists("CLSID\\" + GuidText(CLSID_EmpCo)));
    auto paramFile = r.GetValue(kParamFileKey);
    ASSERT_TRUE(paramFile.has_value());
    EXPECT_EQ(fs::path(*paramFile).filename(), "public.prm");
    EXPECT_EQ(r.GetValue("TypeLib\\" + libid + "\\1.0"), "Corvane 1.0 Type Library");

    ASSERT_EQ(DllUnregisterServer(), S_OK);
    r = Registry::Load(registry_);
    for (const Record& rec : kRecords) {
        EXPECT_FALSE(r.KeyExists(rec.progId)) << rec.progId;
        EXPECT_FALSE(r.KeyExists(rec.progId + std::string("\\CLSID"))) << rec.progId;
        EXPECT_FALSE(r.KeyExists("CLSID\\" + GuidText(rec.clsid))) << rec.progId;
        EXPECT_FALSE(r.KeyExists("CLSID\\" + GuidText(rec.clsid) + "\\InprocServer32")) << rec.progId;
        EXPECT_FALSE(r.KeyExists(rec.viProgId)) << rec.viProgId;
    }
    EXPECT_FALSE(r.KeyExists(kParamFileKey));
    EXPECT_FALSE(r.KeyExists("TypeLib\\" + libid + "\\1.0"));
    EXPECT_EQ(r.GetValue("Other.Class.1\\CLSID"), "{11111111-2222-3333-4444-555555555555}");
    EXPECT_EQ(r.GetValue("CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32"), "/lib/other.so");
}

TEST_F(ModuleTest, RegistrationFailsOnADamagedRegistryAndLeavesItAlone) {
    const std::string damaged = "[Key]\nnot a value line\n";
    std::ofstream(registry_) << damaged;
    EXPECT_TRUE(Failed(DllRegisterServer()));
    EXPECT_TRUE(Failed(DllUnregisterServer()));
    std::ifstream in(registry_);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), damaged);
}

}  // namespace
