#include "toolkit/streaming/FormWriter.h"

#include "toolkit/graphics/Colors.h"

#include <unordered_map>
#include <vector>

namespace {

// Bytes of the CP932 character starting at `i`: two for a lead byte followed by a trail byte.
std::size_t CharLength(const std::string& s, std::size_t i)
{
    auto lead = static_cast<unsigned char>(s[i]);
    bool isLead = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    if (!isLead || i + 1 >= s.size()) return 1;
    auto trail = static_cast<unsigned char>(s[i + 1]);
    return (trail >= 0x40 && trail <= 0xFC && trail != 0x7F) ? 2 : 1;
}

// Whether the CP932 bytes survive the trip to UTF-8 and back unchanged.
bool SurvivesUtf8(const std::string& bytes) { return AnsiString::FromUtf8(AnsiString(bytes).ToUtf8()).str() == bytes; }

// Quoted UTF-8 pieces; control characters, and bytes UTF-8 cannot carry, as #nn codes.
std::string Quote(const AnsiString& text)
{
    const std::string& s = text.str();
    if (s.empty()) return "''";
    const bool allConvert = SurvivesUtf8(s);
    std::string out;
    bool open = false;
    auto code = [&](unsigned char b) {
        if (open) out += '\'';
        open = false;
        out += '#' + std::to_string(b);
    };
    for (std::size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = CharLength(s, i);
        std::string ch = s.substr(i, n);
        i += n;
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && !allConvert && !SurvivesUtf8(ch))) {
            for (char b : ch) code(static_cast<unsigned char>(b));
            continue;
        }
        if (!open) out += '\'';
        open = true;
        if (c == '\'') out += "''";
        else out += c < 0x80 ? ch : AnsiString(ch).ToUtf8();
    }
    if (open) out += '\'';
    return out;
}

std::string Hex(const std::string& bytes, const std::string& indent)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out = "{\n";
    for (std::size_t i = 0; i < bytes.size(); i += 32) {
        out += indent + "  ";
        for (std::size_t j = i; j < bytes.size() && j < i + 32; ++j) {
            unsigned char b = static_cast<unsigned char>(bytes[j]);
            out += digits[b >> 4];
            out += digits[b & 15];
        }
        out += "\n";
    }
    return out + indent + "}";
}

class Writer {
public:
    explicit Writer(TComponent* root) : root(root) {}

    std::string Run()
    {
        // Children by the component they sit in, in the owner's order; the rest sit in the root.
        for (int i = 0; i < root->ComponentCount(); ++i) {
            TComponent* child = root->Components(i);
            TComponent* parent = child->GetParentComponent();
            children[parent ? parent : root].push_back(child);
        }
        WriteObject(root, "");
        return out;
    }

private:
    void WriteObject(TComponent* c, const std::string& indent)
    {
        out += indent + "object " + c->Name().str() + ": " + c->ClassName() + "\n";
        WriteProps(c, "", indent + "  ");
        auto it = children.find(c);
        if (it != children.end())
            for (TComponent* child : it->second) WriteObject(child, indent + "  ");
        out += indent + "end\n";
    }

    void WriteProps(TObject* o, const std::string& prefix, const std::string& indent)
    {
        for (const TPropInfo* p : o->ClassInfo()->AllProps()) {
            if (prefix.empty() && p->Name == "Name") continue;  // in the object line
            if (p->Kind == TTypeKind::Object) {
                if (!p->IsStored(o)) continue;
                if (TPersistent* sub = p->GetObject(o)) WriteProps(sub, prefix + p->Name + ".", indent);
                continue;
            }
            if (!p->IsStored(o)) continue;
            out += indent + prefix + p->Name + " = " + Value(o, p, indent) + "\n";
        }
    }

    std::string Value(TObject* o, const TPropInfo* p, const std::string& indent)
    {
        switch (p->Kind) {
        case TTypeKind::Integer: {
            int64_t v = p->GetOrd(o);
            for (auto& [name, value] : p->Idents)
                if (value == v) return name;
            return std::to_string(v);
        }
        case TTypeKind::Boolean: return p->GetOrd(o) ? "True" : "False";
        case TTypeKind::Enumeration: {
            auto v = static_cast<std::size_t>(p->GetOrd(o));
            return v < p->Names.size() ? p->Names[v] : std::to_string(v);
        }
        case TTypeKind::Set: {
            int64_t mask = p->GetOrd(o);
            std::string s = "[";
            for (std::size_t i = 0; i < p->Names.size(); ++i)
                if (mask & (int64_t{1} << i)) s += (s.size() > 1 ? ", " : "") + p->Names[i];
            return s + "]";
        }
        case TTypeKind::Color: {
            auto c = static_cast<TColor>(p->GetOrd(o));
            if (auto name = ColorToIdent(c)) return *name;
            return std::to_string(c);
        }
        case TTypeKind::Text: return Quote(p->GetText(o));
        case TTypeKind::Component: {
            TComponent* c = p->GetComponent(o);
            return c ? c->Name().str() : "nil";
        }
        case TTypeKind::Event: return p->GetEventName(o);
        case TTypeKind::Binary: return Hex(p->GetBinary(o), indent);
        case TTypeKind::Object: break;
        }
        return "";
    }

    TComponent* root;
    std::unordered_map<TComponent*, std::vector<TComponent*>> children;
    std::string out;
};

}  // namespace

std::string WriteComponentText(TComponent* root) { return Writer(root).Run(); }
