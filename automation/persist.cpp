#include "automation/persist.h"

#include <system_error>

#include "automation/activation.h"
#include "automation/bstr.h"
#include "automation/errorinfo.h"
#include "automation/file_replacement.h"

namespace automation {

namespace {

// A failed call on another object: its status, with the description of its error record.
[[noreturn]] void ThrowCallFailure(HRESULT hr, const char* fallback) {
    auto record = TakeErrorInfo();
    if (record && record->description) throw StatusError(hr, Utf16ToUtf8(*record->description));
    throw StatusError(hr, fallback);
}

thread_local int t_nesting = 0;

class NestingGuard {
public:
    NestingGuard() {
        if (t_nesting >= kMaxNesting) throw StatusError(E_INVALIDARG, "Objects are nested too deeply in the stream");
        ++t_nesting;
    }
    ~NestingGuard() { --t_nesting; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
};

}  // namespace

void SaveObject(IStream* stream, IUnknown* object) {
    StreamWriter out(stream);
    if (!object) {
        const CLSID null{};
        out.Bytes(&null, sizeof null);
        return;
    }
    auto persist = Query<IPersistStream>(object, IID_IPersistStream);
    if (!persist) throw StatusError(E_NOINTERFACE, "The object cannot be saved to a stream");
    CLSID clsid{};
    if (HRESULT hr = persist->GetClassID(&clsid); Failed(hr)) ThrowCallFailure(hr, "GetClassID failed");
    out.Bytes(&clsid, sizeof clsid);
    if (HRESULT hr = persist->Save(stream, true); Failed(hr)) ThrowCallFailure(hr, "Save failed");
}

ComPtr<IUnknown> LoadObject(IStream* stream) {
    NestingGuard nesting;
    CLSID clsid{};
    StreamReader(stream).Bytes(&clsid, sizeof clsid);
    if (clsid == CLSID{}) return nullptr;
    void* out = nullptr;
    ExcepInfo excep;
    if (HRESULT hr = CreateObject(clsid, IID_IPersistStream, &out, &excep); Failed(hr)) {
        std::string text = "Cannot create the object of class " + GuidText(clsid) + " in the stream";
        if (excep.hasDescription) text += ": " + Utf16ToUtf8(excep.description);
        throw StatusError(hr, text);
    }
    auto persist = ComPtr<IPersistStream>::Adopt(static_cast<IPersistStream*>(out));
    if (HRESULT hr = persist->Load(stream); Failed(hr)) ThrowCallFailure(hr, "Load failed");
    return Query<IUnknown>(persist.get(), IID_IUnknown);
}

void SaveObjectToFile(const std::string& path, IUnknown* object) {
    auto memory = MemoryStream::Create();
    SaveObject(memory.get(), object);
    const auto& bytes = memory->bytes();
    try {
        FileReplacement file(path);
        file.Write(std::string(bytes.begin(), bytes.end()));
        file.Commit();
    } catch (const std::system_error& e) {
        throw StatusError(FileStatus(e.code().value()), "Cannot write " + path + ": " + e.code().message());
    }
}

ComPtr<IUnknown> LoadObjectFromFile(const std::string& path) {
    auto file = OpenFileStream(path, FileMode::Read);
    return LoadObject(file.get());
}

}  // namespace automation
