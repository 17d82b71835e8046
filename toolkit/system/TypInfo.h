#pragma once
// Class registry and published-property tables. The form description reader and writer work
// only from these tables, so stored defaults behave alike for every class.
#include "toolkit/system/AnsiString.h"
#include "toolkit/system/Events.h"

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class TObject;
class TPersistent;
class TComponent;

enum class TTypeKind { Integer, Boolean, Enumeration, Set, Color, Text, Object, Component, Event, Binary };

enum class TStoredRule { Always, Default, Predicate, Never };

struct TPropInfo {
    std::string Name;
    TTypeKind Kind = TTypeKind::Integer;
    std::vector<std::string> Names;                       // enumeration and set members by ordinal
    std::vector<std::pair<std::string, int64_t>> Idents;  // names an integer may be written as

    // Integer, Boolean, Enumeration, Set (bit mask by ordinal) and Color.
    std::function<int64_t(TObject*)> GetOrd;
    std::function<void(TObject*, int64_t)> SetOrd;
    // Text.
    std::function<AnsiString(TObject*)> GetText;
    std::function<void(TObject*, const AnsiString&)> SetText;
    // Object: a sub-object addressed with dotted names.
    std::function<TPersistent*(TObject*)> GetObject;
    // Component reference, written by name.
    std::function<TComponent*(TObject*)> GetComponent;
    std::function<void(TObject*, TComponent*)> SetComponent;
    // Event: the bound method's name; binding looks the method up on the root (the form).
    std::function<std::string(TObject*)> GetEventName;
    std::function<bool(TObject*, TObject* root, const std::string& method)> BindEvent;
    // Binary data.
    std::function<std::string(TObject*)> GetBinary;
    std::function<void(TObject*, const std::string&)> SetBinary;

    TStoredRule Stored = TStoredRule::Always;
    int64_t Default = 0;
    std::function<bool(TObject*)> StoredIf;

    TPropInfo& WithDefault(int64_t value)
    {
        Stored = TStoredRule::Default;
        Default = value;
        return *this;
    }
    TPropInfo& StoredWhen(std::function<bool(TObject*)> predicate)
    {
        Stored = TStoredRule::Predicate;
        StoredIf = std::move(predicate);
        return *this;
    }
    TPropInfo& NotStored()
    {
        Stored = TStoredRule::Never;
        return *this;
    }

    // Whether the writer puts this property into a form description.
    bool IsStored(TObject* instance) const;
};

struct TClassInfo {
    std::string Name;
    const TClassInfo* Parent = nullptr;
    std::function<TComponent*(TComponent* owner)> Create;  // empty for classes not made by name
    std::vector<TPropInfo> Props;
    std::map<std::string, std::any> Methods;  // published methods: std::function<void(TObject* self, Args...)>
    // Published fields: a child read from a form description is stored in the root's field of its name.
    std::map<std::string, std::function<bool(TObject* self, TComponent* value)>> Fields;

    bool InheritsFrom(const TClassInfo* other) const;
    const TPropInfo* FindProp(const std::string& name) const;                        // own and inherited
    std::vector<const TPropInfo*> AllProps() const;                                  // base class first
    const std::any* FindMethod(const std::string& name) const;                       // own and inherited
    bool SetField(TObject* self, const std::string& name, TComponent* value) const;  // false when none
};

// The registry of classes by name, used by the form description reader.
void RegisterClassInfo(const TClassInfo* info);
const TClassInfo* FindClassInfo(const std::string& name);

// Palette registration: what a form designer would read; the program never calls Register.
struct TPaletteEntry {
    std::string Page;
    std::string ClassName;
};
void RegisterComponents(const std::string& page, const std::vector<const TClassInfo*>& classes);
const std::vector<TPaletteEntry>& PaletteEntries();

// In the class body: gives StaticClassInfo() and the virtual ClassInfo().
#define TK_CLASS(Class)                                                         \
public:                                                                         \
    static const TClassInfo& StaticClassInfo();                                 \
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); } \
                                                                                \
private:
