#include "FolderSize.h"
#include "DirectoryReader.h"
#include "PseudoFileSystems.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

namespace {

std::string parentOf(const std::string &path)
{
    return path.empty() || path.back() == '/' ? path + ".." : path + "/..";
}

void sumBelow(DirectoryReader &dir, PseudoFileSystems &pseudo, std::int64_t &total,
              const std::atomic<bool> *cancel)
{
    DirectoryReader::Entry e;
    while (dir.next(e)) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return;
        PathStatus st;
        if (e.type == DirectoryReader::EntryType::Other)
            continue;
        if (e.type == DirectoryReader::EntryType::Regular || e.type == DirectoryReader::EntryType::Unknown)
            st = dir.statEntry(e.name);
        if (st.kind == FileKind::Regular) {
            total += st.identity.size;
            continue;
        }
        if (e.type != DirectoryReader::EntryType::Directory && st.kind != FileKind::Directory)
            continue;
        DirectoryReader child;
        if (!child.openChild(dir, e.name))
            continue;
        PathStatus cs = child.status();
        if (pseudo.isPseudo(cs.identity.device, child.fd()))
            continue;
        sumBelow(child, pseudo, total, cancel);
    }
}

} // namespace

bool IsMountPoint(const std::string &path)
{
    struct stat self, parent;
    if (::stat(path.c_str(), &self) != 0 || ::stat(parentOf(path).c_str(), &parent) != 0)
        return false;
    return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

std::int64_t GetFolderSize(const std::string &path, const std::atomic<bool> *cancel)
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
    PseudoFileSystems pseudo;
    if (pseudo.isPseudo(dir.status().identity.device, dir.fd()))
        return 0;
    std::int64_t total = 0;
    sumBelow(dir, pseudo, total, cancel);
    return total;
}
