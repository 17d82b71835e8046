#pragma once
// The toolkit's exception classes. Messages are AnsiString (CP932); what() gives UTF-8.
#include "toolkit/system/AnsiString.h"
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(AnsiString message) : FMessage(std::move(message)), FUtf8(FMessage.ToUtf8()) {}
    const AnsiString& Message() const { return FMessage; }
    const char* what() const noexcept override { return FUtf8.c_str(); }

private:
    AnsiString FMessage;
    std::string FUtf8;
};

#define TK_DECLARE_EXCEPTION(Name, Base) \
    class Name : public Base {           \
    public:                              \
        using Base::Base;                \
    };

TK_DECLARE_EXCEPTION(EReadError, Exception)         // malformed form description
TK_DECLARE_EXCEPTION(EConvertError, Exception)      // bad conversion of a value
TK_DECLARE_EXCEPTION(EInvalidOperation, Exception)  // e.g. a control without a parent window
TK_DECLARE_EXCEPTION(EComponentError, Exception)    // an invalid or duplicate component name
TK_DECLARE_EXCEPTION(EStreamError, Exception)
TK_DECLARE_EXCEPTION(EFCreateError, EStreamError)
TK_DECLARE_EXCEPTION(EFOpenError, EStreamError)
TK_DECLARE_EXCEPTION(EReadStreamError, EStreamError)
TK_DECLARE_EXCEPTION(EListError, Exception)
TK_DECLARE_EXCEPTION(EOutOfResources, Exception)
