#include "FolderSize.h"
#include "DirectoryReader.h"
#include "FolderListing.h"
#include "PseudoFileSystems.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

namespace {

std::string parentOf(const std::string &path)
{
    return path.empty() || path.back() == '/' ? path + ".." : path + "/..";
}

struct Measure {
    FolderListing &listing;
    const std::function<bool()> &cancel;
    PseudoFileSystems pseudo;
    std::int64_t total = 0;
    bool cancelled() const { return cancel && cancel(); }
};

FolderListing::Entry recordEntry(Measure &m, const DirectoryReader &dir, const DirectoryReader::Entry &e)
{
    FolderListing::Entry rec;
    rec.nameOffset = m.listing.appendName(e.name);
    rec.nameLength = std::uint32_t(std::char_traits<char>::length(e.name));
    if (e.type == DirectoryReader::EntryType::Directory) {
        rec.kind = FileKind::Directory;
    } else if (e.type != DirectoryReader::EntryType::Other) {
        const PathStatus st = dir.statEntry(e.name);
        rec.kind = st.kind == FileKind::Missing ? FileKind::Other : st.kind;
        rec.identity = st.identity;
        if (st.kind == FileKind::Regular)
            m.total += st.identity.size;
    }
    return rec;
}

// Lists one directory whole before its subfolders, so that each directory's
// entries stay together in the listing.
std::uint32_t listDirectory(Measure &m, DirectoryReader &dir, std::uint64_t device)
{
    std::vector<FolderListing::Entry> entries;
    DirectoryReader::Entry e;
    while (!m.cancelled() && dir.next(e))
        entries.push_back(recordEntry(m, dir, e));
    const std::uint32_t index = m.listing.addDirectory(entries);
    const std::uint64_t first = m.listing.directory(index).firstEntry;
    for (std::size_t k = 0; k < entries.size() && !m.cancelled(); ++k) {
        if (entries[k].kind != FileKind::Directory)
            continue;
        DirectoryReader child;
        if (!child.openChild(dir, std::string(m.listing.name(entries[k])).c_str()))
            continue;
        const std::uint64_t childDevice = child.status().identity.device;
        if (childDevice != device && m.pseudo.isPseudo(childDevice, child.fd()))
            continue;
        const std::uint32_t childIndex = listDirectory(m, child, childDevice);
        m.listing.setChild(first + k, childIndex);
    }
    return index;
}

} // namespace

bool IsMountPoint(const std::string &path)
{
    struct stat self, parent;
    if (::stat(path.c_str(), &self) != 0 || ::stat(parentOf(path).c_str(), &parent) != 0)
        return false;
    return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

std::int64_t GetFolderSize(const std::string &path, const std::function<bool()> &cancel, FolderListing *listing)
{
    if (IsMountPoint(path)) {
        struct statvfs vfs;
        if (::statvfs(path.c_str(), &vfs) != 0)
            return -1;
        return std::int64_t(vfs.f_blocks - vfs.f_bfree) * std::int64_t(vfs.f_frsize);
    }
    DirectoryReader dir;
    if (!dir.open(path))
        return -1;
    FolderListing local;
    Measure m{listing ? *listing : local, cancel, {}, 0};
    m.listing.clear();
    const std::uint64_t device = dir.status().identity.device;
    if (m.pseudo.isPseudo(device, dir.fd()))
        return 0;
    listDirectory(m, dir, device);
    if (m.cancelled())
        m.listing.clear(); // half a tree must not pass for the whole
    return m.total;
}
