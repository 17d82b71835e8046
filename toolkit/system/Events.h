#pragma once
// Events are closures: an object's bound method, or empty. Calling an empty event does nothing.
// The name of the bound method is kept so that a form description can write it back.
#include <functional>
#include <string>
#include <utility>

class TObject;

template <class... Args>
class TEvent {
public:
    TEvent() = default;

    template <class T>
    TEvent(T* object, void (T::*method)(Args...), std::string methodName = {})
        : FCode([object, method](Args... a) { (object->*method)(std::forward<Args>(a)...); }), FData(object),
          FMethodName(std::move(methodName))
    {}

    TEvent(std::function<void(Args...)> code, TObject* data, std::string methodName)
        : FCode(std::move(code)), FData(data), FMethodName(std::move(methodName))
    {}

    explicit operator bool() const { return static_cast<bool>(FCode); }
    void operator()(Args... a) const
    {
        if (FCode) FCode(std::forward<Args>(a)...);
    }
    TObject* Data() const { return FData; }
    const std::string& MethodName() const { return FMethodName; }
    void Clear() { *this = TEvent(); }

private:
    std::function<void(Args...)> FCode;
    TObject* FData = nullptr;
    std::string FMethodName;
};

using TNotifyEvent = TEvent<TObject*>;
