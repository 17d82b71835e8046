#include "toolkit/streaming/FormWriter.h"

#include "toolkit/graphics/Colors.h"

namespace {

std::string Quote(const AnsiString& text)
{
    std::string out = "'";
    for (char c : text.ToUtf8()) {
        if (c == '\'') out += "''";
        else out += c;
    }
    return out + "'";
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
        WriteObject(root, "");
        return out;
    }

private:
    void WriteObject(TComponent* c, const std::string& indent)
    {
        out += indent + "object " + c->Name().str() + ": " + c->ClassName() + "\n";
        WriteProps(c, "", indent + "  ");
        for (int i = 0; i < root->ComponentCount(); ++i) {
            TComponent* child = root->Components(i);
            TComponent* parent = child->GetParentComponent();
            if (parent == c || (c == root && parent == nullptr)) WriteObject(child, indent + "  ");
        }
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
    std::string out;
};

}  // namespace

std::string WriteComponentText(TComponent* root) { return Writer(root).Run(); }
