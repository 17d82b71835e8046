// LoadLibraryA, GetProcAddress and FreeLibrary over the toolkit's own table of system
// libraries: the routines a component may look up at run time instead of linking to them.
#include "toolkit/winapi/SystemLibraries.h"
#include "toolkit/winapi/Windows.h"

#include <cctype>
#include <cstdint>
#include <string>

namespace {

struct TSystemExport {
    const char* Name;
    FARPROC Address;
    bool Hidden;
};

struct TSystemLibrary {
    const char* FileName;
    TSystemExport* Exports;
    int ExportCount;
    int LoadCount;
    bool Hidden;
};

template <class F>
FARPROC Proc(F* f)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(f));  // void(*)() converts without a warning
}

// Trivially destructible, so it outlives every unit finalisation that frees a library.
struct TLibraryTable {
    TSystemExport Msimg32[1] = {{"AlphaBlend", Proc(&AlphaBlend), false}};
    TSystemLibrary Libraries[1] = {{"msimg32.dll", Msimg32, 1, 0, false}};
};

TLibraryTable& Table()
{
    static TLibraryTable table;
    return table;
}

// "C:\Windows\System32\MSIMG32" -> "msimg32.dll"
std::string NormalisedFileName(const char* name)
{
    std::string s(name);
    std::size_t slash = s.find_last_of("\\/");
    if (slash != std::string::npos) s.erase(0, slash + 1);
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (s.find('.') == std::string::npos) s += ".dll";
    return s;
}

TSystemLibrary* FindLibrary(const char* name)
{
    if (!name) return nullptr;
    std::string wanted = NormalisedFileName(name);
    for (TSystemLibrary& lib : Table().Libraries)
        if (wanted == lib.FileName) return &lib;
    return nullptr;
}

TSystemLibrary* LibraryOfHandle(HMODULE h)
{
    for (TSystemLibrary& lib : Table().Libraries)
        if (reinterpret_cast<HMODULE>(&lib) == h) return &lib;
    return nullptr;
}

// Below 0x10000 a procedure "name" is an ordinal, never a pointer to read.
bool IsOrdinal(const char* name) { return reinterpret_cast<uintptr_t>(name) < 0x10000; }

TSystemExport* FindExport(TSystemLibrary* lib, const char* name)
{
    if (!lib || IsOrdinal(name)) return nullptr;
    for (int i = 0; i < lib->ExportCount; ++i)
        if (std::string(name) == lib->Exports[i].Name) return &lib->Exports[i];
    return nullptr;
}

}  // namespace

HMODULE LoadLibraryA(const char* lpLibFileName)
{
    TSystemLibrary* lib = FindLibrary(lpLibFileName);
    if (!lib || lib->Hidden) return nullptr;
    ++lib->LoadCount;
    return reinterpret_cast<HMODULE>(lib);
}

HMODULE GetModuleHandleA(const char* lpModuleName)
{
    TSystemLibrary* lib = FindLibrary(lpModuleName);
    return lib && lib->LoadCount > 0 ? reinterpret_cast<HMODULE>(lib) : nullptr;
}

FARPROC GetProcAddress(HMODULE hModule, const char* lpProcName)
{
    TSystemLibrary* lib = LibraryOfHandle(hModule);
    if (!lib || lib->LoadCount == 0) return nullptr;  // never loaded, or freed
    TSystemExport* e = FindExport(lib, lpProcName);
    return e && !e->Hidden ? e->Address : nullptr;
}

BOOL FreeLibrary(HMODULE hLibModule)
{
    TSystemLibrary* lib = LibraryOfHandle(hLibModule);
    if (!lib || lib->LoadCount == 0) return FALSE;
    --lib->LoadCount;
    return TRUE;
}

bool SetSystemLibraryHidden(const char* library, bool hidden)
{
    TSystemLibrary* lib = FindLibrary(library);
    if (!lib) return false;
    lib->Hidden = hidden;
    return true;
}

bool SetSystemExportHidden(const char* library, const char* exportName, bool hidden)
{
    TSystemExport* e = FindExport(FindLibrary(library), exportName);
    if (!e) return false;
    e->Hidden = hidden;
    return true;
}
