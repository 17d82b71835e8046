#pragma once
// Declaring classes and their published properties and methods.
#include "toolkit/system/Classes.h"
#include "toolkit/system/TypInfo.h"

#include <optional>
#include <type_traits>

// ---- Declaring classes --------------------------------------------------------------------

// In the .cpp: builds the info once and registers the class by name at start-up.
// The body fills `info` (Create, Props, Methods).
#define TK_CLASS_IMPL(Class, Base, ...)                                     \
    const TClassInfo& Class::StaticClassInfo()                              \
    {                                                                       \
        static const TClassInfo classInfo = [] {                            \
            TClassInfo built;                                               \
            built.Name = #Class;                                            \
            built.Parent = &Base::StaticClassInfo();                        \
            auto fill = []([[maybe_unused]] TClassInfo & info) __VA_ARGS__; \
            fill(built);                                                    \
            return built;                                                   \
        }();                                                                \
        return classInfo;                                                   \
    }                                                                       \
    static const bool Class##_registered = (RegisterClassInfo(&Class::StaticClassInfo()), true);

// Creation by name for components constructed with an owner.
template <class C>
std::function<TComponent*(TComponent*)> CreatorOf()
{
    return [](TComponent* owner) -> TComponent* { return new C(owner); };
}

// ---- Property builders ---------------------------------------------------------------------
namespace Prop {

template <class C, class G, class S>
TPropInfo Ordinal(TTypeKind kind, const char* name, G get, S set)
{
    TPropInfo p;
    p.Name = name;
    p.Kind = kind;
    p.GetOrd = [get](TObject* o) -> int64_t { return static_cast<int64_t>(get(*static_cast<C*>(o))); };
    p.SetOrd = [set](TObject* o, int64_t v) { set(*static_cast<C*>(o), v); };
    return p;
}

template <class C, class G, class S>
TPropInfo Integer(const char* name, G get, S set)
{
    return Ordinal<C>(TTypeKind::Integer, name, get, set);
}
template <class C, class G, class S>
TPropInfo Boolean(const char* name, G get, S set)
{
    return Ordinal<C>(TTypeKind::Boolean, name, get, set);
}
template <class C, class G, class S>
TPropInfo Color(const char* name, G get, S set)
{
    return Ordinal<C>(TTypeKind::Color, name, get, set);
}
template <class C, class G, class S>
TPropInfo Enumeration(const char* name, std::vector<std::string> names, G get, S set)
{
    TPropInfo p = Ordinal<C>(TTypeKind::Enumeration, name, get, set);
    p.Names = std::move(names);
    return p;
}
// A set is a bit mask: bit i stands for member i.
template <class C, class G, class S>
TPropInfo Set(const char* name, std::vector<std::string> names, G get, S set)
{
    TPropInfo p = Ordinal<C>(TTypeKind::Set, name, get, set);
    p.Names = std::move(names);
    return p;
}

// Texts are stored when not empty.
template <class C, class G, class S>
TPropInfo Text(const char* name, G get, S set)
{
    TPropInfo p;
    p.Name = name;
    p.Kind = TTypeKind::Text;
    p.GetText = [get](TObject* o) -> AnsiString { return get(*static_cast<C*>(o)); };
    p.SetText = [set](TObject* o, const AnsiString& v) { set(*static_cast<C*>(o), v); };
    p.Stored = TStoredRule::Predicate;
    p.StoredIf = [get](TObject* o) { return !AnsiString(get(*static_cast<C*>(o))).IsEmpty(); };
    return p;
}

template <class C, class G>
TPropInfo Object(const char* name, G get)
{
    TPropInfo p;
    p.Name = name;
    p.Kind = TTypeKind::Object;
    p.GetObject = [get](TObject* o) -> TPersistent* { return get(*static_cast<C*>(o)); };
    return p;
}

// Component references are stored when set.
template <class C, class Target, class G, class S>
TPropInfo Component(const char* name, G get, S set)
{
    TPropInfo p;
    p.Name = name;
    p.Kind = TTypeKind::Component;
    p.GetComponent = [get](TObject* o) -> TComponent* { return get(*static_cast<C*>(o)); };
    p.SetComponent = [set](TObject* o, TComponent* v) { set(*static_cast<C*>(o), v ? dynamic_cast<Target*>(v) : nullptr); };
    p.Stored = TStoredRule::Predicate;
    p.StoredIf = [get](TObject* o) { return get(*static_cast<C*>(o)) != nullptr; };
    return p;
}

// Binary data, stored when not empty.
template <class C, class G, class S>
TPropInfo Binary(const char* name, G get, S set)
{
    TPropInfo p;
    p.Name = name;
    p.Kind = TTypeKind::Binary;
    p.GetBinary = [get](TObject* o) -> std::string { return get(*static_cast<C*>(o)); };
    p.SetBinary = [set](TObject* o, const std::string& v) { set(*static_cast<C*>(o), v); };
    p.Stored = TStoredRule::Predicate;
    p.StoredIf = [get](TObject* o) { return !get(*static_cast<C*>(o)).empty(); };
    return p;
}

// An event property over a TEvent field; stored when bound to a named method.
template <class C, class... Args>
TPropInfo Event(const char* name, TEvent<Args...> C::*field)
{
    TPropInfo p;
    p.Name = name;
    p.Kind = TTypeKind::Event;
    p.GetEventName = [field](TObject* o) { return (static_cast<C*>(o)->*field).MethodName(); };
    p.BindEvent = [field](TObject* o, TObject* root, const std::string& method) -> bool {
        const std::any* found = root->ClassInfo()->FindMethod(method);
        using Fn = std::function<void(TObject*, Args...)>;
        const Fn* fn = found ? std::any_cast<Fn>(found) : nullptr;
        if (!fn) return false;
        Fn call = *fn;
        static_cast<C*>(o)->*field =
            TEvent<Args...>([call, root](Args... a) { call(root, std::forward<Args>(a)...); }, root, method);
        return true;
    };
    p.Stored = TStoredRule::Predicate;
    p.StoredIf = [field](TObject* o) { return !(static_cast<C*>(o)->*field).MethodName().empty(); };
    return p;
}

// ---- Over a getter and a setter of the class --------------------------------------------------
// The table names the member functions (Prop::Integer("Left", &TControl::Left, &TControl::SetLeft))
// and, where it has one, the stored default; the object is of whichever class derives from the other.
template <class G, class S>
using MostDerived = std::conditional_t<std::is_base_of_v<G, S>, S, G>;

template <class G, class R, class S, class V>
TPropInfo Ordinal(TTypeKind kind, const char* name, R (G::*get)() const, void (S::*set)(V), std::optional<int64_t> def)
{
    TPropInfo p = Ordinal<MostDerived<G, S>>(
        kind, name, [get](const G& c) { return (c.*get)(); },
        [set](S& c, int64_t v) { (c.*set)(static_cast<std::decay_t<V>>(v)); });
    if (def) p.WithDefault(*def);
    return p;
}

template <class G, class R, class S, class V>
TPropInfo Integer(const char* name, R (G::*get)() const, void (S::*set)(V), std::optional<int64_t> def = {})
{
    return Ordinal(TTypeKind::Integer, name, get, set, def);
}
template <class G, class R, class S, class V>
TPropInfo Boolean(const char* name, R (G::*get)() const, void (S::*set)(V), std::optional<int64_t> def = {})
{
    return Ordinal(TTypeKind::Boolean, name, get, set, def);
}
template <class G, class R, class S, class V>
TPropInfo Color(const char* name, R (G::*get)() const, void (S::*set)(V), std::optional<int64_t> def = {})
{
    return Ordinal(TTypeKind::Color, name, get, set, def);
}
template <class G, class R, class S, class V>
TPropInfo Enumeration(const char* name, std::vector<std::string> names, R (G::*get)() const, void (S::*set)(V),
                      std::optional<int64_t> def = {})
{
    TPropInfo p = Ordinal(TTypeKind::Enumeration, name, get, set, def);
    p.Names = std::move(names);
    return p;
}
template <class G, class R, class S, class V>
TPropInfo Set(const char* name, std::vector<std::string> names, R (G::*get)() const, void (S::*set)(V),
              std::optional<int64_t> def = {})
{
    TPropInfo p = Ordinal(TTypeKind::Set, name, get, set, def);
    p.Names = std::move(names);
    return p;
}
template <class G, class R, class S, class V>
TPropInfo Text(const char* name, R (G::*get)() const, void (S::*set)(V))
{
    return Text<MostDerived<G, S>>(
        name, [get](const G& c) { return (c.*get)(); }, [set](S& c, const AnsiString& v) { (c.*set)(v); });
}
template <class G, class Target, class S>
TPropInfo Component(const char* name, Target* (G::*get)() const, void (S::*set)(Target*))
{
    return Component<MostDerived<G, S>, Target>(
        name, [get](const G& c) { return (c.*get)(); }, [set](S& c, Target* v) { (c.*set)(v); });
}

}  // namespace Prop

// A published method of signature void(Args...), callable by name from a form description.
template <class T, class... Args>
void PublishMethod(TClassInfo& info, const char* name, void (T::*method)(Args...))
{
    info.Methods[name] = std::function<void(TObject*, Args...)>(
        [method](TObject* self, Args... a) { (static_cast<T*>(self)->*method)(std::forward<Args>(a)...); });
}

// A published field: the form description's child of this name is stored in it.
template <class T, class F>
void PublishField(TClassInfo& info, const char* name, F* T::*field)
{
    info.Fields[name] = [field, fieldName = std::string(name)](TObject* self, TComponent* value) -> bool {
        F* typed = dynamic_cast<F*>(value);
        // A child of another class would leave the field empty for code that relies on it.
        if (value && !typed)
            throw EInvalidOperation(AnsiString("Field " + fieldName + " of " + self->ClassName() + " is a " +
                                               F::StaticClassInfo().Name + "; a " + value->ClassName() + " cannot go in it"));
        static_cast<T*>(self)->*field = typed;
        return true;
    };
}
