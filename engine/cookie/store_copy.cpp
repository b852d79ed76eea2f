#include "engine/cookie/store_copy.h"

#include <algorithm>
#include <random>

#include "engine/cookie/cookie_paths.h"
#include "engine/cookie/cookie_rules.h"
#include "qarvo/file/file_stream.h"
#include "qarvo/file/path.h"

namespace pelmora::cookie {
namespace {

constexpr const char* kCopyName = "Cookies.db";
// Every name a copy folder may hold: the database, its logs and SQLite's shared-memory index.
constexpr const char* kCopySuffixes[] = {"", "-wal", "-journal", "-shm"};
constexpr int kCopyChunk = 1 << 20;

// Copies at most the size `from` had when it was opened.
bool copyBounded(const std::string& from, const std::string& to, std::string& error)
{
    qarvo::C_FileStream in;
    if (!in.Open(widePath(from), qarvo::FileFlags::ReadOnly | qarvo::FileFlags::Binary)) {
        error = "cannot be opened: " + in.GetLastErrorText().std();
        return false;
    }
    const int64_t size = in.GetSize();
    if (size < 0) {
        error = "its size cannot be read";
        return false;
    }
    if (size > kMaxStoreBytes) {
        error = "it is larger than " + std::to_string(kMaxStoreBytes >> 20) + " MB";
        return false;
    }
    qarvo::C_FileStream out;
    if (!out.Open(widePath(to), qarvo::FileFlags::WriteOnly | qarvo::FileFlags::Create | qarvo::FileFlags::Exclusive |
                                    qarvo::FileFlags::Binary)) {
        error = "the private copy cannot be written: " + out.GetLastErrorText().std();
        return false;
    }
    std::string buffer(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(size, 1), kCopyChunk)), '\0');
    int64_t done = 0;
    while (done < size) {
        const int want = static_cast<int>(std::min<int64_t>(size - done, static_cast<int64_t>(buffer.size())));
        const int got = in.Read(buffer.data(), want);
        if (got < 0) {
            error = "reading it failed: " + in.GetLastErrorText().std();
            return false;
        }
        if (got == 0)
            break;  // it shrank meanwhile: what is there is the store
        if (out.Write(buffer.data(), got) != got) {
            error = "the private copy cannot be written: " + out.GetLastErrorText().std();
            return false;
        }
        done += got;
    }
    return true;
}

void removeCopyFolder(const std::string& folder)
{
    for (const char* suffix : kCopySuffixes)
        qarvo::qarvo_DeleteFile(widePath(folder + "/" + kCopyName + suffix));
    qarvo::qarvo_RemoveDirectory(widePath(folder));
}

// Folders of copies whose process died before it could remove them.
void removeStaleCopies(const std::string& base)
{
    const int64_t limit = unixNow() - kStaleCopySeconds;
    for (const FolderEntry& entry : listFolder(base, (std::string(kCopyFolderPrefix) + "*").c_str()))
        if (entry.isFolder && entry.writeTime > 0 && entry.writeTime < limit)
            removeCopyFolder(base + "/" + entry.name);
}

std::string randomName()
{
    std::random_device random;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name;
    for (int i = 0; i < 4; ++i) {
        const unsigned value = random();
        for (int shift = 0; shift < 32; shift += 4)
            name += kHex[(value >> shift) & 0xF];
    }
    return name;
}

}  // namespace

std::string copyBaseFolder()
{
    for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const std::string folder = environment(name);
        if (!folder.empty() && folderExists(folder))
            return folder;
    }
    return "/tmp";
}

StoreCopy::~StoreCopy()
{
    Remove();
}

void StoreCopy::Remove()
{
    if (!m_folder.empty())
        removeCopyFolder(m_folder);
    m_folder.clear();
    m_database.clear();
}

bool StoreCopy::Make(const std::string& database, std::string& error)
{
    Remove();
    const std::string base = copyBaseFolder();
    removeStaleCopies(base);
    for (int attempt = 0; attempt < 8 && m_folder.empty(); ++attempt) {
        const std::string folder = base + "/" + kCopyFolderPrefix + randomName();
        // Creating the folder is the claim on it: one that exists already is not ours.
        if (qarvo::qarvo_CreateDirectory(widePath(folder), 0700))
            m_folder = folder;
    }
    if (m_folder.empty()) {
        error = "no private folder can be made in " + base;
        return false;
    }
    const std::string copy = m_folder + "/" + kCopyName;
    if (!copyBounded(database, copy, error)) {
        Remove();
        return false;
    }
    // The logs hold what the browser has not yet written into the database itself.
    for (const char* suffix : {"-wal", "-journal"}) {
        if (fileExists(database + suffix) && !copyBounded(database + suffix, copy + suffix, error)) {
            Remove();
            return false;
        }
    }
    m_database = copy;
    return true;
}

}  // namespace pelmora::cookie
