#include "toolkit/system/TypInfo.h"

#include <memory>

bool TPropInfo::IsStored(TObject* instance) const
{
    switch (Stored) {
    case TStoredRule::Always: return true;
    case TStoredRule::Never: return false;
    case TStoredRule::Default: return GetOrd && GetOrd(instance) != Default;
    case TStoredRule::Predicate: return StoredIf && StoredIf(instance);
    }
    return true;
}

bool TClassInfo::InheritsFrom(const TClassInfo* other) const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        if (c == other || c->Name == other->Name) return true;
    return false;
}

const TPropInfo* TClassInfo::FindProp(const std::string& name) const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        for (const TPropInfo& p : c->Props)
            if (p.Name == name) return &p;
    return nullptr;
}

std::vector<const TPropInfo*> TClassInfo::AllProps() const
{
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = this; c; c = c->Parent) chain.push_back(c);
    std::vector<const TPropInfo*> out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        for (const TPropInfo& p : (*it)->Props) {
            // A redeclared property keeps its first place but the derived class's rules.
            bool replaced = false;
            for (auto& q : out)
                if (q->Name == p.Name) {
                    q = &p;
                    replaced = true;
                }
            if (!replaced) out.push_back(&p);
        }
    return out;
}

const std::any* TClassInfo::FindMethod(const std::string& name) const
{
    for (const TClassInfo* c = this; c; c = c->Parent) {
        auto it = c->Methods.find(name);
        if (it != c->Methods.end()) return &it->second;
    }
    return nullptr;
}

bool TClassInfo::SetField(TObject* self, const std::string& name, TComponent* value) const
{
    for (const TClassInfo* c = this; c; c = c->Parent) {
        auto it = c->Fields.find(name);
        if (it != c->Fields.end()) return it->second(self, value);
    }
    return false;
}

namespace {
std::map<std::string, const TClassInfo*>& Registry()
{
    static std::map<std::string, const TClassInfo*> registry;
    return registry;
}
std::vector<TPaletteEntry>& Palette()
{
    static std::vector<TPaletteEntry> palette;
    return palette;
}
}  // namespace

void RegisterClassInfo(const TClassInfo* info) { Registry()[info->Name] = info; }

const TClassInfo* FindClassInfo(const std::string& name)
{
    auto it = Registry().find(name);
    return it == Registry().end() ? nullptr : it->second;
}

void RegisterComponents(const std::string& page, const std::vector<const TClassInfo*>& classes)
{
    for (const TClassInfo* c : classes) {
        RegisterClassInfo(c);
        Palette().push_back({page, c->Name});
    }
}

const std::vector<TPaletteEntry>& PaletteEntries() { return Palette(); }
