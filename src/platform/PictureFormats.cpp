#include "platform/PictureFormats.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/FileSystem.h"

namespace vantor {

namespace {

// The row and the length of the ending path has; {nullptr, 0} for none.
struct Match {
    const PictureFormat* format = nullptr;
    std::size_t ending = 0;
};

Match MatchOf(const std::string& path) {
    for (const PictureFormat& f : kPictureFormats) {
        for (const char* ending : f.endings) {
            if (ending != nullptr && EndsWithNoCase(path, ending)) return {&f, std::strlen(ending)};
        }
    }
    return {};
}

std::string Upper(const char* text) {
    std::string s(text);
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The endings of every row a decoder reads, in the table's order.
std::vector<const char*> DecodedEndings() {
    std::vector<const char*> endings;
    for (const PictureFormat& f : kPictureFormats) {
        if (!f.decoded) continue;
        for (const char* ending : f.endings) {
            if (ending != nullptr) endings.push_back(ending);
        }
    }
    return endings;
}

}  // namespace

const PictureFormat* FormatOf(const std::string& path) { return MatchOf(path).format; }

PictureKind PictureKindOf(const std::string& path) {
    const PictureFormat* f = FormatOf(path);
    return f != nullptr ? f->kind : PictureKind::None;
}

bool IsDecodedPicture(const std::string& path) {
    const PictureFormat* f = FormatOf(path);
    return f != nullptr && f->decoded;
}

std::vector<std::string> PicturesIn(const std::string& folder) {
    std::vector<DirEntry> entries;
    std::vector<std::string> names;
    if (!ListFolder(folder, entries)) return names;
    for (const auto& e : entries) {
        if ((e.attributes & kAttrDirectory) == 0 && IsDecodedPicture(e.name)) names.push_back(e.name);
    }
    std::sort(names.begin(), names.end());
    const std::string base = folder.empty() || folder.back() == kPathSeparator ? folder : folder + kPathSeparator;
    for (auto& n : names) n.insert(0, base);
    return names;
}

std::string NotAPictureName() {
    const std::vector<const char*> endings = DecodedEndings();
    std::string text = "the name does not end in ";
    for (std::size_t i = 0; i < endings.size(); ++i) {
        if (i > 0) text += i + 1 < endings.size() ? ", " : " or ";
        text += endings[i];
    }
    return text;
}

std::string PictureFilter(FilterRows rows) {
    std::string filter;
    for (const PictureFormat& f : kPictureFormats) {
        if (rows == FilterRows::Decoded && !f.decoded) continue;
        filter += f.filterName;
        char separator = '|';
        for (const char* ending : f.endings) {
            if (ending == nullptr) continue;
            filter += separator;
            filter += "*" + Upper(ending);
            separator = ';';
        }
        filter += '|';
    }
    return filter + "All files (*.*)|*.*||";
}

bool TakenByAutoSearch(const std::string& name) {
    for (const PictureFormat& f : kPictureFormats) {
        if (f.searchEnding == nullptr) continue;
        const std::size_t n = std::strlen(f.searchEnding);
        if (name.size() < n) continue;
        const std::string end = name.substr(name.size() - n);
        if (end == f.searchEnding || end == Upper(f.searchEnding)) return true;
    }
    return false;
}

std::string WrittenName(const std::string& name, const char* extension) {
    const std::size_t ending = MatchOf(name).ending;
    const std::size_t cut = ending > 1 ? ending - 1 : 3;  // the letters after the dot
    std::string written = name;
    if (written.size() >= cut) written.replace(written.size() - cut, cut, extension);
    return written;
}

}  // namespace vantor
