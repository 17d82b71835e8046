// The font's own vertical forms: single substitutions of its 'vert' (or 'vrt2') feature, read
// from the OpenType GSUB table. Offsets in the table are checked: a broken table gives no forms.
#include "toolkit/winapi/VerticalText.h"

#include <QByteArray>
#include <QHash>
#include <QRawFont>

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace {

using GlyphMap = std::unordered_map<quint32, quint32>;

class TableReader {
public:
    explicit TableReader(const QByteArray& data) : d(data) {}
    bool Has(qsizetype at, qsizetype size) const { return at >= 0 && size >= 0 && at + size <= d.size(); }
    uint16_t U16(qsizetype at) const
    {
        if (!Has(at, 2)) return 0;
        return static_cast<uint16_t>((uint8_t(d[at]) << 8) | uint8_t(d[at + 1]));
    }
    uint32_t U32(qsizetype at) const { return (uint32_t(U16(at)) << 16) | U16(at + 2); }
    uint32_t Tag(qsizetype at) const { return U32(at); }

private:
    const QByteArray& d;
};

constexpr uint32_t MakeTag(const char (&t)[5])
{
    return (uint32_t(uint8_t(t[0])) << 24) | (uint32_t(uint8_t(t[1])) << 16) | (uint32_t(uint8_t(t[2])) << 8) | uint8_t(t[3]);
}

// The glyphs a coverage table lists, in coverage order.
std::vector<quint32> Coverage(const TableReader& r, qsizetype at)
{
    std::vector<quint32> glyphs;
    uint16_t format = r.U16(at);
    uint16_t count = r.U16(at + 2);
    if (format == 1) {
        for (qsizetype i = 0; i < count && r.Has(at + 4 + 2 * i, 2); ++i) glyphs.push_back(r.U16(at + 4 + 2 * i));
    } else if (format == 2) {
        for (qsizetype i = 0; i < count; ++i) {
            qsizetype rec = at + 4 + 6 * i;
            if (!r.Has(rec, 6)) break;
            uint16_t first = r.U16(rec), last = r.U16(rec + 2);
            for (uint32_t g = first; g <= last; ++g) glyphs.push_back(g);
        }
    }
    return glyphs;
}

void SingleSubstitution(const TableReader& r, qsizetype at, GlyphMap& map)
{
    uint16_t format = r.U16(at);
    std::vector<quint32> covered = Coverage(r, at + r.U16(at + 2));
    if (format == 1) {
        auto delta = static_cast<int16_t>(r.U16(at + 4));
        for (quint32 g : covered) map.emplace(g, static_cast<uint16_t>(g + delta));
    } else if (format == 2) {
        uint16_t count = r.U16(at + 4);
        for (std::size_t i = 0; i < covered.size() && i < count; ++i)
            if (r.Has(at + 6 + 2 * qsizetype(i), 2)) map.emplace(covered[i], r.U16(at + 6 + 2 * qsizetype(i)));
    }
}

void Lookup(const TableReader& r, qsizetype at, GlyphMap& map)
{
    uint16_t type = r.U16(at);
    uint16_t subtables = r.U16(at + 4);
    for (qsizetype i = 0; i < subtables; ++i) {
        qsizetype sub = at + r.U16(at + 6 + 2 * i);
        if (type == 1) {
            SingleSubstitution(r, sub, map);
        } else if (type == 7 && r.U16(sub) == 1 && r.U16(sub + 2) == 1) {
            // Extension: a single substitution kept at a 32-bit offset.
            SingleSubstitution(r, sub + qsizetype(r.U32(sub + 4)), map);
        }
    }
}

GlyphMap ReadVerticalForms(const QByteArray& gsub)
{
    GlyphMap map;
    TableReader r(gsub);
    if (!r.Has(0, 10)) return map;
    qsizetype features = r.U16(6), lookups = r.U16(8);
    uint16_t lookupCount = r.U16(lookups);
    for (uint32_t wanted : {MakeTag("vert"), MakeTag("vrt2")}) {
        uint16_t count = r.U16(features);
        for (qsizetype i = 0; i < count; ++i) {
            qsizetype rec = features + 2 + 6 * i;
            if (!r.Has(rec, 6) || r.Tag(rec) != wanted) continue;
            qsizetype feature = features + r.U16(rec + 4);
            uint16_t indices = r.U16(feature + 2);
            for (qsizetype k = 0; k < indices; ++k) {
                uint16_t index = r.U16(feature + 4 + 2 * k);
                if (index < lookupCount) Lookup(r, lookups + r.U16(lookups + 2 + 2 * qsizetype{index}), map);
            }
        }
        if (!map.empty()) break;  // 'vrt2' only for fonts without 'vert'
    }
    return map;
}

}  // namespace

std::uint32_t VerticalAlternate(const QRawFont& font, std::uint32_t glyph)
{
    // Parsed once per face; a CJK font's table is large.
    static std::mutex lock;
    static QHash<QString, GlyphMap> cache;
    QString key = font.familyName() + '\n' + font.styleName();
    std::lock_guard<std::mutex> guard(lock);
    auto it = cache.find(key);
    if (it == cache.end()) it = cache.insert(key, ReadVerticalForms(font.fontTable("GSUB")));
    auto found = it->find(glyph);
    return found == it->end() ? glyph : found->second;
}
