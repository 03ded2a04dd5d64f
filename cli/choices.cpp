#include "choices.h"

#include "velmora.h"

std::string Alternatives(NameOf nameOf) {
    std::string names;
    for (int value = 0; const char* name = nameOf(value); ++value) names += (value > 0 ? "|" : "") + std::string(name);
    return names;
}

std::string ContrastRange() {
    return std::to_string(VELMORA_CONTRAST_LOWEST) + "-" + std::to_string(VELMORA_CONTRAST_HIGHEST);
}

std::string FormatsWhere(int (*fact)(int format), std::string (*word)(int format), const char* last) {
    std::vector<std::string> words;
    for (int format = 0; velmora_format_name(format); ++format) {
        if (fact(format)) words.push_back(word(format));
    }
    return Joined(words, last);
}

std::string Joined(const std::vector<std::string>& words, const char* last) {
    std::string joined;
    for (size_t i = 0; i < words.size(); ++i) {
        joined += (i == 0 ? "" : i + 1 == words.size() ? last : ", ") + words[i];
    }
    return joined;
}

std::string FormatInCapitals(int format) {
    std::string name = velmora_format_name(format);
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return name;
}
