#include "toolkit/streaming/FormReader.h"

#include "toolkit/graphics/Colors.h"

#include <QFile>

#include <algorithm>
#include <cctype>
#include <exception>
#include <functional>
#include <vector>

namespace {

enum class Tok { End, Ident, Integer, String, Symbol, Binary };

struct Token {
    Tok kind = Tok::End;
    std::string text;  // identifier, symbol, string (CP932 bytes), binary bytes
    int64_t number = 0;
    int line = 0;
};

[[noreturn]] void Fail(int line, const std::string& what)
{
    throw EReadError(AnsiString::FromUtf8("Error reading form description, line " + std::to_string(line) + ": " + what));
}

class Lexer {
public:
    explicit Lexer(const std::string& text) : s(text) {}

    Token Next()
    {
        SkipBlanks();
        Token t;
        t.line = line;
        if (pos >= s.size()) return t;
        char c = s[pos];
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            std::size_t start = pos;
            while (pos < s.size() && (std::isalnum(static_cast<unsigned char>(s[pos])) || s[pos] == '_' || s[pos] == '.')) ++pos;
            t.kind = Tok::Ident;
            t.text = s.substr(start, pos - start);
            return t;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '$') return Number(t);
        if (c == '\'' || c == '#') return String(t);
        if (c == '{') return Binary(t);
        t.kind = Tok::Symbol;
        t.text = std::string(1, c);
        ++pos;
        return t;
    }

private:
    void SkipBlanks()
    {
        while (pos < s.size()) {
            char c = s[pos];
            if (c == '\n') {
                ++line;
                ++pos;
            } else if (c == ' ' || c == '\t' || c == '\r') ++pos;
            else break;
        }
    }

    Token Number(Token t)
    {
        bool negative = false;
        if (s[pos] == '-') {
            negative = true;
            ++pos;
        }
        int base = 10;
        if (pos < s.size() && s[pos] == '$') {
            base = 16;
            ++pos;
        }
        std::size_t start = pos;
        uint64_t value = 0;
        while (pos < s.size() && std::isxdigit(static_cast<unsigned char>(s[pos]))) {
            char d = s[pos];
            int digit = std::isdigit(static_cast<unsigned char>(d)) ? d - '0' : (std::tolower(d) - 'a' + 10);
            if (digit >= base) break;
            value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
            if (value > 0xFFFFFFFFFFull) Fail(t.line, "number out of range");
            ++pos;
        }
        if (pos == start) Fail(t.line, "number expected");
        t.kind = Tok::Integer;
        t.number = negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
        return t;
    }

    // 'text' with '' for a quote; #code adds one byte of the code page; pieces may follow one
    // another. Quoted pieces are UTF-8 in the file and CP932 in the token.
    Token String(Token t)
    {
        t.kind = Tok::String;
        while (pos < s.size() && (s[pos] == '\'' || s[pos] == '#')) {
            if (s[pos] == '#') {
                ++pos;
                std::size_t start = pos;
                unsigned code = 0;
                for (; pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos])); ++pos) {
                    code = code * 10 + static_cast<unsigned>(s[pos] - '0');
                    if (code > 0xFF) Fail(line, "character code out of range");
                }
                if (start == pos) Fail(line, "character code expected");
                t.text += static_cast<char>(code);
                continue;
            }
            ++pos;
            std::string piece;
            for (;;) {
                if (pos >= s.size() || s[pos] == '\n') Fail(t.line, "unterminated text");
                if (s[pos] == '\'') {
                    if (pos + 1 < s.size() && s[pos + 1] == '\'') {
                        piece += '\'';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                piece += s[pos++];
            }
            t.text += AnsiString::FromUtf8(piece).str();
        }
        return t;
    }

    Token Binary(Token t)
    {
        ++pos;
        t.kind = Tok::Binary;
        int high = -1;
        for (;;) {
            if (pos >= s.size()) Fail(t.line, "unterminated binary data");
            char c = s[pos++];
            if (c == '}') break;
            if (c == '\n') {
                ++line;
                continue;
            }
            if (c == ' ' || c == '\t' || c == '\r') continue;
            if (!std::isxdigit(static_cast<unsigned char>(c))) Fail(line, "bad character in binary data");
            int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
            if (high < 0) high = v;
            else {
                t.text += static_cast<char>(high * 16 + v);
                high = -1;
            }
        }
        if (high >= 0) Fail(line, "odd number of hex digits in binary data");
        return t;
    }

    const std::string& s;
    std::size_t pos = 0;
    int line = 1;
};

struct Fixup {
    TObject* instance;
    const TPropInfo* prop;
    std::string target;
    int line;
};

class Reader {
public:
    Reader(TComponent* root, const std::string& text) : root(root), lex(text) { Advance(); }

    void Run()
    {
        ReadObject(nullptr);
        if (cur.kind != Tok::End) Fail(cur.line, "text after the last 'end'");
        for (const Fixup& f : fixups) {
            TComponent* target = root->FindComponent(AnsiString(f.target));
            if (!target && root->Name() == AnsiString(f.target)) target = root;
            if (!target) Fail(f.line, "component '" + f.target + "' not found");
            Apply(f.line, [&] { f.prop->SetComponent(f.instance, target); });
        }
        for (const ReadComponent& r : read) r.component->EndReading();
        // Every component gets Loaded, so none stays loading; the first failure is reported.
        std::exception_ptr failure;
        for (const ReadComponent& r : read) {
            try {
                Apply(r.line, [&] { r.component->Loaded(); });
            } catch (const EReadError&) {
                if (!failure) failure = std::current_exception();
            }
        }
        if (failure) std::rethrow_exception(failure);
    }

private:
    void Advance() { cur = lex.Next(); }

    bool IsIdent(const char* word) const { return cur.kind == Tok::Ident && cur.text == word; }

    void Expect(Tok kind, const char* what)
    {
        if (cur.kind != kind) Fail(cur.line, std::string(what) + " expected");
    }

    void ExpectSymbol(const char* sym)
    {
        if (cur.kind != Tok::Symbol || cur.text != sym) Fail(cur.line, std::string("'") + sym + "' expected");
        Advance();
    }

    template <class F>
    void Apply(int line, F&& f)
    {
        try {
            f();
        } catch (const EReadError&) {
            throw;
        } catch (const std::exception& e) {
            Fail(line, e.what());
        }
    }

    // parent: the enclosing component, or null for the root.
    void ReadObject(TComponent* parent)
    {
        if (!IsIdent("object")) Fail(cur.line, "'object' expected");
        int line = cur.line;
        Advance();
        Expect(Tok::Ident, "component name");
        std::string name = cur.text;
        Advance();
        ExpectSymbol(":");
        Expect(Tok::Ident, "class name");
        std::string className = cur.text;
        Advance();

        TComponent* instance = nullptr;
        if (!parent) {
            const TClassInfo* info = FindClassInfo(className);
            if (!info || !root->ClassInfo()->InheritsFrom(info)) Fail(line, "class " + className + " does not match the form");
            instance = root;
            instance->BeginLoading();
            Apply(line, [&] { instance->SetName(AnsiString(name)); });
        } else {
            const TClassInfo* info = FindClassInfo(className);
            if (!info) Fail(line, "class " + className + " not found");
            if (!info->Create) Fail(line, "class " + className + " cannot be created");
            Apply(line, [&] { instance = info->Create(root); });
            instance->BeginLoading();
            Apply(line, [&] { instance->SetName(AnsiString(name)); });
            Apply(line, [&] { instance->SetParentComponent(parent); });
            Apply(line, [&] { root->ClassInfo()->SetField(root, name, instance); });
        }
        read.push_back({instance, line});

        for (;;) {
            if (cur.kind == Tok::End) Fail(cur.line, "'end' expected");
            if (IsIdent("end")) {
                Advance();
                break;
            }
            if (IsIdent("object")) {
                ReadObject(instance);
                continue;
            }
            ReadProperty(instance);
        }
    }

    void ReadProperty(TComponent* instance)
    {
        Expect(Tok::Ident, "property name");
        int line = cur.line;
        std::string path = cur.text;
        Advance();
        ExpectSymbol("=");

        // Walk dotted names through sub-objects.
        TObject* target = instance;
        const TPropInfo* prop = nullptr;
        std::size_t start = 0;
        for (;;) {
            std::size_t dot = path.find('.', start);
            std::string part = path.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
            prop = target->ClassInfo()->FindProp(part);
            if (!prop) Fail(line, "property " + path + " does not exist in " + target->ClassName());
            if (dot == std::string::npos) break;
            if (prop->Kind != TTypeKind::Object) Fail(line, "property " + part + " has no sub-properties");
            TPersistent* sub = prop->GetObject(target);
            if (!sub) Fail(line, "property " + part + " is empty");
            target = sub;
            start = dot + 1;
        }
        ReadValue(line, target, prop, path);
    }

    void ReadValue(int line, TObject* target, const TPropInfo* prop, const std::string& path)
    {
        auto bad = [&]() { Fail(line, "invalid value for property " + path); };
        switch (prop->Kind) {
        case TTypeKind::Integer: {
            int64_t value = cur.number;
            if (cur.kind == Tok::Ident) {
                auto it = std::find_if(prop->Idents.begin(), prop->Idents.end(), [&](auto& i) { return i.first == cur.text; });
                if (it == prop->Idents.end()) bad();
                value = it->second;
            } else if (cur.kind != Tok::Integer) bad();
            Apply(line, [&] { prop->SetOrd(target, value); });
            break;
        }
        case TTypeKind::Boolean:
            if (IsIdent("True")) Apply(line, [&] { prop->SetOrd(target, 1); });
            else if (IsIdent("False")) Apply(line, [&] { prop->SetOrd(target, 0); });
            else bad();
            break;
        case TTypeKind::Enumeration: {
            if (cur.kind != Tok::Ident) bad();
            int64_t ord = Ordinal(prop, cur.text);
            if (ord < 0) bad();
            Apply(line, [&] { prop->SetOrd(target, ord); });
            break;
        }
        case TTypeKind::Set: {
            if (cur.kind != Tok::Symbol || cur.text != "[") bad();
            Advance();
            int64_t mask = 0;
            while (!(cur.kind == Tok::Symbol && cur.text == "]")) {
                if (cur.kind != Tok::Ident) bad();
                int64_t ord = Ordinal(prop, cur.text);
                if (ord < 0) bad();
                mask |= int64_t{1} << ord;
                Advance();
                if (cur.kind == Tok::Symbol && cur.text == ",") Advance();
                else if (!(cur.kind == Tok::Symbol && cur.text == "]")) bad();
            }
            Apply(line, [&] { prop->SetOrd(target, mask); });
            break;
        }
        case TTypeKind::Color: {
            int64_t value = 0;
            if (cur.kind == Tok::Integer) value = cur.number;
            else if (cur.kind == Tok::Ident) {
                auto c = IdentToColor(cur.text);
                if (!c) bad();
                value = *c;
            } else bad();
            if (value < INT32_MIN || value > static_cast<int64_t>(UINT32_MAX)) bad();
            Apply(line, [&] { prop->SetOrd(target, static_cast<int32_t>(static_cast<uint32_t>(value))); });
            break;
        }
        case TTypeKind::Text:
            if (cur.kind != Tok::String) bad();
            Apply(line, [&] { prop->SetText(target, AnsiString(cur.text)); });
            break;
        case TTypeKind::Component:
            if (cur.kind != Tok::Ident) bad();
            fixups.push_back({target, prop, cur.text, line});
            break;
        case TTypeKind::Event:
            if (cur.kind != Tok::Ident) bad();
            if (!prop->BindEvent(target, root, cur.text)) Fail(line, "method " + cur.text + " not found in " + root->ClassName());
            break;
        case TTypeKind::Binary:
            if (cur.kind != Tok::Binary) bad();
            Apply(line, [&] { prop->SetBinary(target, cur.text); });
            break;
        case TTypeKind::Object: bad();
        }
        Advance();
    }

    static int64_t Ordinal(const TPropInfo* prop, const std::string& ident)
    {
        for (std::size_t i = 0; i < prop->Names.size(); ++i)
            if (prop->Names[i] == ident) return static_cast<int64_t>(i);
        return -1;
    }

    TComponent* root;
    Lexer lex;
    Token cur;
    struct ReadComponent {
        TComponent* component;
        int line;  // of its object line
    };
    std::vector<ReadComponent> read;
    std::vector<Fixup> fixups;
};

}  // namespace

void ReadComponentText(TComponent* root, const std::string& text) { Reader(root, text).Run(); }

std::string LoadResourceText(const std::string& resourceName)
{
    QFile file(QString::fromStdString(":/forms/" + resourceName));
    if (!file.open(QIODevice::ReadOnly)) throw EReadError(AnsiString("Resource " + resourceName + " not found"));
    QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void ReadComponentRes(TComponent* root, const std::string& resourceName)
{
    ReadComponentText(root, LoadResourceText(resourceName));
}
