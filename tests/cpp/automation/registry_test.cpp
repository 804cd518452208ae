// The class registry file: round trips, deleting trees, missing and damaged files, atomic saves
// and concurrent editors, all in a private temporary directory.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "automation/failure.h"
#include "automation/registry.h"

namespace {

using namespace automation;
namespace fs = std::filesystem;

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "registry_test.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
};

TEST_F(RegistryTest, RoundTripsThroughAFileWithoutRegardToCase) {
    const std::string awkward = "C:\\Program Files\\\"Orvo\"\\bin\\ ; [x] = \"@\"\\";
    Registry r;
    r.SetValue("Corvane.AggCo.1\\CLSID", "", "{FEF1FED9-E48D-471C-AB3B-6F82F69E8DE5}");
    r.SetValue("CLSID\\{FEF1FED9-E48D-471C-AB3B-6F82F69E8DE5}\\InprocServer32", "ThreadingModel", "Free");
    r.SetValue("Corvane.AggCo.1\\paramFile", "", awkward);
    r.SetValue("Odd\\Names", "va\"lue\\name", "two\nlines");
    r.SetValue("Odd\\Names", "@", "at");
    r.SetValue("Odd\\Names", "empty", "");
    r.CreateKey("CLSID\\{FEF1FED9-E48D-471C-AB3B-6F82F69E8DE5}\\Programmable");
    const std::string path = PathOf("registry");
    r.Save(path);

    Registry back = Registry::Load(path);
    EXPECT_EQ(back.GetValue("corvane.aggco.1\\clsid"), "{FEF1FED9-E48D-471C-AB3B-6F82F69E8DE5}");
    EXPECT_EQ(back.GetValue("CLSID\\{fef1fed9-e48d-471c-ab3b-6f82f69e8de5}\\INPROCSERVER32", "threadingmodel"),
              "Free");
    EXPECT_EQ(back.GetValue("CORVANE.AGGCO.1\\PARAMFILE"), awkward);
    EXPECT_EQ(back.GetValue("odd\\names", "VA\"LUE\\NAME"), "two\nlines");
    EXPECT_EQ(back.GetValue("Odd\\Names", "@"), "at");
    EXPECT_EQ(back.GetValue("Odd\\Names", "empty"), "");
    EXPECT_EQ(back.GetValue("Odd\\Names"), std::nullopt);
    EXPECT_TRUE(back.KeyExists("clsid\\{FEF1FED9-E48D-471C-AB3B-6F82F69E8DE5}\\programmable"));
    EXPECT_FALSE(back.KeyExists("Corvane.AggCo.1\\Missing"));
    EXPECT_EQ(back.GetValue("Corvane.AggCo.1\\CLSID", "ThreadingModel"), std::nullopt);

    // Writing a value under another case replaces it.
    back.SetValue("CORVANE.AGGCO.1\\clsid", "", "new");
    EXPECT_EQ(back.GetValue("Corvane.AggCo.1\\CLSID"), "new");
}

TEST_F(RegistryTest, DeleteTreeRemovesTheKeyAndOnlyWhatLiesBelowIt) {
    Registry r;
    for (const char* key : {"CLSID\\{A}", "CLSID\\{A}\\ProgID", "CLSID\\{A}\\InprocServer32", "CLSID\\{A}B",
                            "CLSID\\{A}B\\ProgID", "CLSID\\{B}", "CLSID", "Corvane.AggCo.1", "Corvane.AggCo.10"})
        r.SetValue(key, "", key);
    r.DeleteTree("clsid\\{a}");
    r.DeleteTree("Corvane.AggCo.1");
    r.DeleteTree("Not\\There");
    for (const char* gone : {"CLSID\\{A}", "CLSID\\{A}\\ProgID", "CLSID\\{A}\\InprocServer32", "Corvane.AggCo.1"})
        EXPECT_FALSE(r.KeyExists(gone)) << gone;
    for (const char* kept : {"CLSID\\{A}B", "CLSID\\{A}B\\ProgID", "CLSID\\{B}", "CLSID", "Corvane.AggCo.10"})
        EXPECT_TRUE(r.KeyExists(kept)) << kept;
}

TEST_F(RegistryTest, SubKeysAreTheDirectChildrenAsFirstWritten) {
    Registry r;
    for (const char* key : {"TypeLib\\{A}\\1.0", "TypeLib\\{A}\\1.0\\0\\linux64", "typelib\\{B}\\2.0",
                            "TypeLibs\\{C}", "TypeLib"})
        r.SetValue(key, "", key);
    EXPECT_EQ(r.SubKeys("TYPELIB"), (std::vector<std::string>{"{A}", "{B}"}));
    EXPECT_EQ(r.SubKeys("TypeLib\\{A}"), (std::vector<std::string>{"1.0"}));
    EXPECT_TRUE(r.SubKeys("TypeLib\\{A}\\1.0\\0\\linux64").empty());
    EXPECT_TRUE(r.SubKeys("Absent").empty());
}

TEST_F(RegistryTest, AMissingFileReadsAsAnEmptyRegistry) {
    Registry r = Registry::Load(PathOf("absent/registry"));
    EXPECT_FALSE(r.KeyExists("CLSID"));
    EXPECT_EQ(r.GetValue("Corvane.AggCo.1\\paramFile"), std::nullopt);
    EXPECT_TRUE(Entries().empty());
}

TEST_F(RegistryTest, ADamagedFileOrADirectoryFails) {
    const char* damaged[] = {
        "garbage\n",
        "@=\"value before any key\"\n",
        "[\n",
        "[]\n",
        "[Key\n",
        "[Key]\n\"unterminated=\"x\"\n",
        "[Key]\n\"name\"=\"unterminated\n",
        "[Key]\nname=\"unquoted name\"\n",
        "[Key]\n@\"missing equals\"\n",
        "[Key]\n@=\"x\" trailing\n",
        "[Key]\n@=\"ends in an escape\\\n",
    };
    const std::string path = PathOf("registry");
    for (const char* text : damaged) {
        std::ofstream(path, std::ios::trunc) << text;
        EXPECT_THROW(Registry::Load(path), StatusError) << text;
    }
    fs::create_directory(PathOf("dir"));
    try {
        Registry::Load(PathOf("dir"));
        ADD_FAILURE() << "a directory read as a registry";
    } catch (const StatusError& e) {
        EXPECT_LT(e.code(), 0);
        EXPECT_FALSE(e.description().empty());
    }
}

TEST_F(RegistryTest, SaveReplacesTheFileAndLeavesNoTemporaryFile) {
    const std::string path = PathOf("registry");
    Registry first;
    first.SetValue("A", "", "1");
    first.SetValue("B", "", "2");
    first.Save(path);
    Registry second;
    second.SetValue("A", "", "3");
    second.Save(path);
    EXPECT_EQ(Entries(), std::vector<std::string>{"registry"});
    Registry back = Registry::Load(path);
    EXPECT_EQ(back.GetValue("A"), "3");
    EXPECT_FALSE(back.KeyExists("B"));

    // A target that cannot be replaced fails and leaves the directory as it was.
    fs::create_directory(PathOf("dir"));
    EXPECT_THROW(second.Save(PathOf("dir")), StatusError);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"dir", "registry"}));
    EXPECT_TRUE(fs::is_empty(dir_ / "dir"));
}

TEST_F(RegistryTest, SaveFollowsNoLinkPlantedAtATemporaryName) {
    const std::string path = PathOf("registry");
    const std::string victim = PathOf("victim");
    { std::ofstream(victim) << "precious"; }
    // The names a writer might pick: the process's own suffix and the pattern of its temporary file.
    for (const std::string& name : {path + ".tmp." + std::to_string(getpid()), path + ".tmp.XXXXXX"})
        fs::create_symlink(victim, name);
    Registry r;
    r.SetValue("A", "", "1");
    r.Save(path);
    std::ifstream in(victim);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "precious");
    EXPECT_FALSE(fs::is_symlink(path));
    EXPECT_EQ(Registry::Load(path).GetValue("A"), "1");
    EXPECT_EQ(Entries().size(), 4u);  // registry, victim and the two links
}

// Threaded tests also run under ThreadSanitizer, picked by the suite name.
class RegistryThreads : public RegistryTest {};

TEST_F(RegistryThreads, ConcurrentEditorsLoseNoUpdate) {
    const std::string path = PathOf("sub/registry");
    constexpr int perThread = 40;
    auto editor = [&](const char* key) {
        for (int i = 0; i < perThread; ++i)
            EditRegistry(path, [&](Registry& r) { r.SetValue(key, std::to_string(i), "x"); });
    };
    std::thread a(editor, "One"), b(editor, "Two");
    a.join();
    b.join();
    Registry r = Registry::Load(path);
    for (int i = 0; i < perThread; ++i) {
        EXPECT_TRUE(r.GetValue("One", std::to_string(i)).has_value()) << i;
        EXPECT_TRUE(r.GetValue("Two", std::to_string(i)).has_value()) << i;
    }
}

TEST(RegistryPath, FollowsTheEnvironment) {
    auto saved = [](const char* name) -> std::optional<std::string> {
        const char* v = std::getenv(name);
        return v ? std::optional<std::string>(v) : std::nullopt;
    };
    auto restore = [](const char* name, const std::optional<std::string>& v) {
        if (v) setenv(name, v->c_str(), 1);
        else unsetenv(name);
    };
    const auto reg = saved("AUTOMATION_REGISTRY"), xdg = saved("XDG_CONFIG_HOME"), home = saved("HOME");

    setenv("AUTOMATION_REGISTRY", "/tmp/x/registry", 1);
    setenv("XDG_CONFIG_HOME", "/tmp/config", 1);
    EXPECT_EQ(Registry::DefaultPath(), "/tmp/x/registry");
    unsetenv("AUTOMATION_REGISTRY");
    EXPECT_EQ(Registry::DefaultPath(), "/tmp/config/automation/registry");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(Registry::DefaultPath(), "/home/someone/.config/automation/registry");

    restore("AUTOMATION_REGISTRY", reg);
    restore("XDG_CONFIG_HOME", xdg);
    restore("HOME", home);
}

}  // namespace
