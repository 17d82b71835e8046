#include "toolkit/system/Classes.h"
#include "toolkit/system/Published.h"

#include <algorithm>
#include <unordered_set>

const TClassInfo& TObject::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i;
        i.Name = "TObject";
        return i;
    }();
    return info;
}

const TClassInfo& TPersistent::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i;
        i.Name = "TPersistent";
        i.Parent = &TObject::StaticClassInfo();
        return i;
    }();
    return info;
}

void TPersistent::Assign(TPersistent* source)
{
    std::string from = source ? source->ClassName() : std::string("nil");
    throw EConvertError(AnsiString("Cannot assign a " + from + " to a " + ClassName()));
}

TK_CLASS_IMPL(TComponent, TPersistent, {
    info.Props.push_back(Prop::Text<TComponent>(
        "Name", [](TComponent& c) { return c.Name(); }, [](TComponent& c, const AnsiString& v) { c.SetName(v); }));
    info.Props.push_back(
        Prop::Integer<TComponent>(
            "Tag", [](TComponent& c) { return c.Tag(); }, [](TComponent& c, int64_t v) { c.SetTag(static_cast<int>(v)); })
            .WithDefault(0));
    info.Props.back().Stored = TStoredRule::Default;
})

TComponent::TComponent(TComponent* AOwner)
{
    if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent()
{
    Destroying();
    DestroyComponents();
    if (FOwner) FOwner->RemoveComponent(this);
}

TComponent* TComponent::FindComponent(const AnsiString& name) const
{
    if (name.IsEmpty()) return nullptr;
    for (TComponent* c : FComponents)
        if (c->FName == name) return c;
    return nullptr;
}

namespace {

// Letters, digits and '_', not starting with a digit: what a form description's object line holds.
bool IsValidIdent(const std::string& s)
{
    if (s.empty()) return false;
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!letter(s[0])) return false;
    return std::all_of(s.begin() + 1, s.end(), [&](char c) { return letter(c) || (c >= '0' && c <= '9'); });
}

}  // namespace

void TComponent::SetName(const AnsiString& value)
{
    if (value == FName) return;
    if (!value.IsEmpty() && !IsValidIdent(value.str()))
        throw EComponentError(AnsiString("'" + value.str() + "' is not a valid component name"));
    if (FOwner && !value.IsEmpty() && FOwner->FindComponent(value))
        throw EComponentError(AnsiString("A component named " + value.str() + " already exists"));
    FName = value;
}

void TComponent::SetDesigning(bool value, bool includeChildren)
{
    if (value) FComponentState |= csDesigning;
    else FComponentState &= ~csDesigning;
    if (includeChildren)
        for (TComponent* c : FComponents) c->SetDesigning(value, true);
}

void TComponent::Loaded() { FComponentState &= ~(csLoading | csReading); }

void TComponent::Notification(TComponent* AComponent, TOperation operation)
{
    if (FComponents.empty()) return;  // most components own none: inserting stays linear
    // Copy: a handler may destroy or add components. Only once the list changed does each
    // entry need checking that it is still owned (and so still alive).
    const std::vector<TComponent*> owned = FComponents;
    const unsigned changesBefore = FChanges;
    std::unordered_set<TComponent*> current;
    unsigned currentAt = changesBefore;
    for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
        if (FChanges != changesBefore) {
            if (FChanges != currentAt) {
                current = std::unordered_set<TComponent*>(FComponents.begin(), FComponents.end());
                currentAt = FChanges;
            }
            if (!current.contains(*it)) continue;
        }
        (*it)->Notification(AComponent, operation);
    }
}

void TComponent::InsertComponent(TComponent* AComponent)
{
    if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
    Insert(AComponent);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent)
{
    Notification(AComponent, opRemove);
    Remove(AComponent);
}

void TComponent::DestroyComponents()
{
    while (!FComponents.empty()) {
        TComponent* last = FComponents.back();
        Remove(last);
        delete last;
    }
}

void TComponent::Insert(TComponent* c)
{
    FComponents.push_back(c);
    ++FChanges;
    c->FOwner = this;
}

void TComponent::Remove(TComponent* c)
{
    auto it = std::find(FComponents.begin(), FComponents.end(), c);
    if (it != FComponents.end()) FComponents.erase(it);
    ++FChanges;
    c->FOwner = nullptr;
}

int TList::Add(void* item)
{
    FItems.push_back(item);
    return Count() - 1;
}

void TList::Delete(int index)
{
    if (index < 0 || index >= Count()) throw EListError(AnsiString("List index out of bounds (" + std::to_string(index) + ")"));
    FItems.erase(FItems.begin() + index);
}

int TList::IndexOf(void* item) const
{
    auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

int TList::Remove(void* item)
{
    int i = IndexOf(item);
    if (i >= 0) Delete(i);
    return i;
}

void* TList::Items(int index) const
{
    if (index < 0 || index >= Count()) throw EListError(AnsiString("List index out of bounds (" + std::to_string(index) + ")"));
    return FItems[static_cast<std::size_t>(index)];
}
