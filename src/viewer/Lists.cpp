#include "viewer/Lists.h"

#include "platform/FileSystem.h"

namespace vantor {

SlideList::SlideList()
    : m_slidePath(kSlideArraySize, "Null"), m_slidePath2(kSlideArraySize), m_slideName(kSlideArraySize) {}

void SlideList::Store(std::uint32_t index, const std::string& path) {
    m_slidePath[index] = path;
    m_slidePath2[index] = path;
    m_slideName[index] = PathTail(path);
}

bool SlideList::Append(const std::string& path) {
    Store(m_slideCount, path);
    ++m_slideCount;
    return m_slideCount > kSlideCapacity - 1;
}

bool SlideList::GoOnWhenFull(const std::string& path) {
    if (m_slideCount < kSlideCapacity) return true;
    switch (m_overChoice) {
        case 1:  // loop: overwrite from the second slide on
            m_listFull = kSlideCapacity;
            m_slideCount = 1;
            break;
        case 2:  // restart from this path: entry 10000 holds no slide, only the
                 // list's placeholder text, which would become a slide that is no file
            Store(0, path);
            m_listFull = 1;
            m_slideCount = 1;
            break;
        case 3:  // stop: the rest is ignored
            m_slideCount = kSlideCapacity;
            return false;
        default: m_slideCount = 1; break;
    }
    return true;
}

const std::string& SlideList::PathAt(std::uint32_t index) const {
    static const std::string kNull = "Null";
    return index < m_slidePath.size() ? m_slidePath[index] : kNull;
}

void DirectoryList::Add(const std::string& path) {
    if (m_dirCount >= m_dirList.size()) m_dirList.Grow(m_dirList.size() * 2);
    m_dirList[m_dirCount] = path;
    ++m_dirCount;
}

}  // namespace vantor
