// TVellFtp: the FEAT reply.
#include "components/ftp/vellftp_features.h"

#include <cctype>

namespace {

std::string Upper(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool StartsWithCode(const std::string& line)
{
    return line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line[0])) && std::isdigit(static_cast<unsigned char>(line[1])) &&
           std::isdigit(static_cast<unsigned char>(line[2])) && (line.size() == 3 || line[3] == ' ' || line[3] == '-');
}

// The fact names of "type*;size*;modify;", upper case, a star kept where one was.
std::vector<std::string> Facts(const std::string& list)
{
    std::vector<std::string> facts;
    std::size_t at = 0;
    while (at < list.size()) {
        std::size_t end = list.find(';', at);
        if (end == std::string::npos) end = list.size();
        const std::string fact = Trim(list.substr(at, end - at));
        if (!fact.empty()) facts.push_back(Upper(fact));
        at = end + 1;
    }
    return facts;
}

}  // namespace

bool TFtpFeatures::Offers(const std::string& feature) const
{
    const std::string wanted = Upper(feature);
    for (const AnsiString& line : Lines) {
        const std::string text = Upper(line.str());
        if (text == wanted) return true;
        // The name with parameters after it ("MLST type*;", "REST STREAM" for "REST").
        if (text.rfind(wanted, 0) == 0 && (text[wanted.size()] == ' ' || text[wanted.size()] == '\t')) return true;
    }
    return false;
}

bool TFtpFeatures::OffersFact(const std::string& fact) const
{
    const std::string wanted = Upper(fact);
    for (const std::string& f : Facts(MlstFacts.str()))
        if (f == wanted || f == wanted + "*") return true;
    return false;
}

bool TFtpFeatures::GivesFact(const std::string& fact) const
{
    const std::string wanted = Upper(fact) + "*";
    for (const std::string& f : Facts(MlstFacts.str()))
        if (f == wanted) return true;
    return false;
}

TFtpFeatures ParseFeatures(int resultCode, const std::vector<std::string>& lines)
{
    TFtpFeatures features;
    if (resultCode != 211) return features;
    features.Answered = true;
    for (const std::string& raw : lines) {
        // The code lines open and close the list; servers differ in the blanks before a feature.
        if (StartsWithCode(raw)) continue;
        const std::string line = Trim(raw);
        if (line.empty()) continue;
        features.Lines.push_back(AnsiString(line));
        const std::size_t blank = line.find_first_of(" \t");
        const std::string name = Upper(line.substr(0, blank));
        const std::string rest = blank == std::string::npos ? std::string() : Trim(line.substr(blank));
        if (name == "UTF8") features.Utf8 = true;
        else if (name == "MLST") {
            features.Mlst = true;
            features.MlstFacts = AnsiString(rest);
        } else if (name == "SIZE") features.Size = true;
        else if (name == "MDTM") features.Mdtm = true;
        else if (name == "EPSV") features.Epsv = true;
        else if (name == "REST" && Upper(rest).rfind("STREAM", 0) == 0) features.RestStream = true;
    }
    return features;
}
