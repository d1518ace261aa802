// The DLL's entry points: the class factory the shell asks for, whether the DLL may be unloaded,
// and the registration that regsvr32 performs (the same entries the INF writes).

#include "extension/windows/ShellExtension.h"

#include "extension/windows/ContextMenu.h"

#include <array>
#include <new>
#include <objbase.h>
#include <olectl.h>
#include <string>

namespace quorvane::ext {

namespace {

HINSTANCE thisModule = nullptr;

// Hands a new object out as `id`, giving up the reference it was made with, so that a refused
// interface frees it.
template <typename Object> HRESULT handOut(Object* object, REFIID id, void** out) {
    if (!object)
        return E_OUTOFMEMORY;
    const HRESULT result = object->QueryInterface(id, out);
    object->Release();
    return result;
}

class ClassFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID id, void** object) noexcept override {
        if (!object)
            return E_POINTER;
        if (!IsEqualIID(id, IID_IUnknown) && !IsEqualIID(id, IID_IClassFactory)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++m_references; }
    STDMETHODIMP_(ULONG) Release() noexcept override {
        const ULONG left = --m_references;
        if (left == 0)
            delete this;
        return left;
    }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID id, void** object) noexcept override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return handOut(new (std::nothrow) ContextMenu, id, object);
    }
    STDMETHODIMP LockServer(BOOL lock) noexcept override {
        if (lock)
            ++serverLocks;
        else
            --serverLocks;
        return S_OK;
    }

private:
    ~ClassFactory() = default;

    CountedObject m_counted;
    std::atomic<ULONG> m_references{1};
};

std::wstring classIdText() {
    std::array<wchar_t, 40> text{};
    StringFromGUID2(extensionClassId, text.data(), static_cast<int>(text.size()));
    return text.data();
}

// The keys the INF's class entries write, each with its default value.
struct ClassEntry {
    std::wstring key;
    std::wstring name;
    std::wstring value;
};

std::array<ClassEntry, 6> classEntries(const std::wstring& module) {
    const std::wstring id = classIdText();
    const std::wstring server = L"CLSID\\" + id + L"\\InprocServer32";
    return {{
        {L"CLSID\\" + id, L"", L"Quorvane context menu"},
        {server, L"", module},
        {server, L"ThreadingModel", L"Apartment"},
        {L"*\\shellex\\ContextMenuHandlers\\Quorvane", L"", id},
        {L"Directory\\shellex\\ContextMenuHandlers\\Quorvane", L"", id},
        {L"Folder\\shellex\\ContextMenuHandlers\\Quorvane", L"", id},
    }};
}

} // namespace

std::wstring thisModulePath() {
    std::wstring module(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(thisModule, module.data(), static_cast<DWORD>(module.size()));
        if (length == 0)
            return {};
        if (length < module.size()) {
            module.resize(length);
            return module;
        }
        module.resize(module.size() * 2);
    }
}

} // namespace quorvane::ext

using namespace quorvane::ext;

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        thisModule = module;
        DisableThreadLibraryCalls(module);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID id, LPVOID* object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(classId, extensionClassId))
        return CLASS_E_CLASSNOTAVAILABLE;
    return handOut(new (std::nothrow) ClassFactory, id, object);
}

STDAPI DllCanUnloadNow() {
    return liveObjects == 0 && serverLocks == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    try {
        const std::wstring module = thisModulePath();
        if (module.empty())
            return SELFREG_E_CLASS;
        for (const ClassEntry& entry : classEntries(module)) {
            HKEY key = nullptr;
            if (RegCreateKeyExW(HKEY_CLASSES_ROOT, entry.key.c_str(), 0, nullptr,
                                REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                                nullptr) != ERROR_SUCCESS)
                return SELFREG_E_CLASS;
            const LONG result =
                RegSetValueExW(key, entry.name.empty() ? nullptr : entry.name.c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(entry.value.c_str()),
                               static_cast<DWORD>((entry.value.size() + 1) * sizeof(wchar_t)));
            RegCloseKey(key);
            if (result != ERROR_SUCCESS)
                return SELFREG_E_CLASS;
        }
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

STDAPI DllUnregisterServer() {
    try {
        // The handler keys first, so that no shell finds a handler whose class is gone.
        HRESULT outcome = S_OK;
        const auto entries = classEntries(L"");
        for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
            if (!entry->name.empty())
                continue;
            const LONG result = RegDeleteTreeW(HKEY_CLASSES_ROOT, entry->key.c_str());
            if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
                outcome = SELFREG_E_CLASS;
        }
        return outcome;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
