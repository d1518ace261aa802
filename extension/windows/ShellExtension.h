#pragma once

#include <atomic>
#include <string>
#include <windows.h>

namespace quorvane::ext {

// The class the INF and DllRegisterServer register, and the shell asks DllGetClassObject for.
// {DE3126B8-746B-43C5-A6D9-DDBC86ACD1D3}
inline constexpr CLSID extensionClassId = {
    0xde3126b8, 0x746b, 0x43c5, {0xa6, 0xd9, 0xdd, 0xbc, 0x86, 0xac, 0xd1, 0xd3}};

// What keeps the DLL loaded: every live object of it and every IClassFactory::LockServer(TRUE).
// DllCanUnloadNow answers from these.
inline std::atomic<long> liveObjects{0};
inline std::atomic<long> serverLocks{0};

// Counts an object of the DLL for as long as it lives.
class CountedObject {
public:
    CountedObject() { ++liveObjects; }
    ~CountedObject() { --liveObjects; }
    CountedObject(const CountedObject&) = delete;
    CountedObject& operator=(const CountedObject&) = delete;
};

// Where this DLL was loaded from.
std::wstring thisModulePath();

} // namespace quorvane::ext
