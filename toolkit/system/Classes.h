#pragma once
// TObject, TPersistent, TComponent and TList: ownership, names, notifications, loading state.
#include "toolkit/system/AnsiString.h"
#include "toolkit/system/SysUtils.h"
#include "toolkit/system/TypInfo.h"

#include <vector>

class TObject {
public:
    virtual ~TObject() = default;
    static const TClassInfo& StaticClassInfo();
    virtual const TClassInfo* ClassInfo() const { return &StaticClassInfo(); }
    std::string ClassName() const { return ClassInfo()->Name; }
    bool InheritsFrom(const TClassInfo& other) const { return ClassInfo()->InheritsFrom(&other); }
};

class TPersistent : public TObject {
public:
    // Copy settings from another object; the base refuses every source (EConvertError), so a
    // class copies only what it knows.
    virtual void Assign(TPersistent* source);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

enum TComponentStateFlag : unsigned {
    csLoading = 1u << 0,
    csReading = 1u << 1,
    csWriting = 1u << 2,
    csDestroying = 1u << 3,
    csDesigning = 1u << 4,
};
using TComponentState = unsigned;

enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
    TK_CLASS(TComponent)
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents.at(static_cast<std::size_t>(index)); }
    TComponent* FindComponent(const AnsiString& name) const;

    const AnsiString& Name() const { return FName; }
    virtual void SetName(const AnsiString& value);
    int Tag() const { return FTag; }
    void SetTag(int value) { FTag = value; }

    TComponentState ComponentState() const { return FComponentState; }
    bool HasState(TComponentStateFlag flag) const { return (FComponentState & flag) != 0; }
    void SetDesigning(bool value, bool includeChildren = true);

    // Called once all properties of a form description were read.
    virtual void Loaded();
    // Reading a form description marks the component loading until Loaded.
    void BeginLoading() { FComponentState |= csLoading | csReading; }
    void EndReading() { FComponentState &= ~csReading; }

    // The component it sits in (a control's parent); the reader and writer nest by it.
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual void SetParentComponent(TComponent*) {}

    // Owned component `AComponent` was inserted or is going away; passed on to owned components.
    virtual void Notification(TComponent* AComponent, TOperation operation);

    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    // Destroys the owned components, newest first, without notifying siblings.
    void DestroyComponents();
    // Marks the component as being destroyed; derived destructors call it first.
    void Destroying() { FComponentState |= csDestroying; }

private:
    void Insert(TComponent* c);
    void Remove(TComponent* c);

    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    unsigned FChanges = 0;  // counts insertions and removals, so notifying can tell the list changed
    AnsiString FName;
    int FTag = 0;
    TComponentState FComponentState = 0;
};

// A list of untyped references; an index out of range raises EListError.
class TList : public TObject {
public:
    int Add(void* item);
    void Delete(int index);
    int IndexOf(void* item) const;  // first from index 0, -1 when absent
    int Remove(void* item);         // removes the first entry; returns its index or -1
    int Count() const { return static_cast<int>(FItems.size()); }
    void* Items(int index) const;
    void Clear() { FItems.clear(); }

private:
    std::vector<void*> FItems;
};
