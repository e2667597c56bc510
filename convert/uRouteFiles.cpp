#include "convert/uRouteFiles.h"

#include "platform/FolderListing.h"
#include "util/uFileUtils.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

// The route file's extension is compared in ASCII upper case: other letters
// never appear in ".rte", and a locale's case rules must not decide it.
bool HasRouteExtension(const QString& path)
{
    QString upper = ExtractFileExt(path);
    for (QChar& c : upper) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    }
    return upper == u".RTE";
}

// UTF-16 units compare as code points once the surrogates, which stand for
// code points above all others, are moved above the units that follow them.
char16_t CodePointRank(char16_t unit)
{
    if (unit >= 0xE000)
        return char16_t(unit - 0x800);
    if (unit >= 0xD800)
        return char16_t(unit + 0x2000);
    return unit;
}

bool CodePointLess(const QString& a, const QString& b)
{
    const auto [left, right] = std::mismatch(a.cbegin(), a.cend(), b.cbegin(), b.cend());
    if (right == b.cend())
        return false;
    if (left == a.cend())
        return true;
    return CodePointRank(left->unicode()) < CodePointRank(right->unicode());
}

} // namespace

struct TRouteFiles::TPending {
    enum TWhat { Named, Found, FolderEnd } what;
    TChosenFile file;          // Named, Found: the entry; FolderEnd: the named folder
    QString subFolder;         // Found: the folder below the named one that holds it
    TEntryKind kind{};         // Found
    int foundBefore = 0;       // FolderEnd: route files found before the folder was entered
};

TChosenFiles ChosenFiles(const QStringList& paths)
{
    TChosenFiles files;
    files.reserve(paths.size());
    for (const QString& path : paths)
        files.append({QDir::toNativeSeparators(path)});
    return files;
}

TRouteFiles::TRouteFiles(const TChosenFiles& chosen, TRouteFileHost& host) : fHost(host)
{
    fPending.reserve(std::size_t(chosen.size()));
    for (auto file = chosen.crbegin(); file != chosen.crend(); ++file)
        fPending.push_back({TPending::Named, *file, {}, {}, 0});
}

TRouteFiles::~TRouteFiles() = default;

std::optional<TRouteFile> TRouteFiles::Next()
{
    while (!fPending.empty()) {
        const TPending entry = std::move(fPending.back());
        fPending.pop_back();
        std::optional<TRouteFile> next;
        switch (entry.what) {
        case TPending::Named:
            next = TakeNamed(entry.file);
            break;
        case TPending::Found:
            next = TakeFound(entry);
            break;
        case TPending::FolderEnd:
            if (fFound == entry.foundBefore)
                PassOver(entry.file.path, TPassOver::poEmptyFolder);
            break;
        }
        if (next)
            return next;
    }
    return std::nullopt;
}

void TRouteFiles::PassOver(const QString& path, TPassOver reason, const QString& systemReason)
{
    fHost.PassedOver({path, reason, systemReason});
}

std::optional<TRouteFile> TRouteFiles::TakeNamed(const TChosenFile& file)
{
    if (file.nameValid && QFileInfo(file.path).isDir()) {
        Enter(file.path, QString(), true);
        return std::nullopt;
    }
    ++fCount;
    if (!file.nameValid)
        PassOver(file.path, TPassOver::poInvalidName);
    else if (!FileExists(file.path))
        PassOver(file.path, QFileInfo::exists(file.path) ? TPassOver::poNotAFile : TPassOver::poMissing);
    else if (!HasRouteExtension(file.path))
        PassOver(file.path, TPassOver::poOtherExtension);
    else
        return TRouteFile{file.path, QString()};
    return std::nullopt;
}

std::optional<TRouteFile> TRouteFiles::TakeFound(const TPending& entry)
{
    const QString& path = entry.file.path;
    if (entry.kind == TEntryKind::etFolder) {
        if (!entry.file.nameValid)
            PassOver(path, TPassOver::poInvalidName);
        else
            Enter(path, PathInFolder(entry.subFolder, ExtractFileName(path)), false);
        return std::nullopt;
    }
    if (entry.kind == TEntryKind::etFolderLink || !HasRouteExtension(path))
        return std::nullopt;
    ++fCount;
    ++fFound;
    if (!entry.file.nameValid)
        PassOver(path, TPassOver::poInvalidName);
    else if (entry.kind == TEntryKind::etDangling)
        PassOver(path, TPassOver::poMissing);
    else if (entry.kind == TEntryKind::etOther)
        PassOver(path, TPassOver::poNotAFile);
    else
        return TRouteFile{path, entry.subFolder};
    return std::nullopt;
}

// Stacks the folder's entries so that they come next, in name order, and,
// for a named folder, the check whether any route file was found under it.
void TRouteFiles::Enter(const QString& folder, const QString& subFolder, bool named)
{
    TFolderListing listing = ListFolder(folder);
    if (!listing.problem.isEmpty()) {
        PassOver(folder, TPassOver::poUnreadableFolder, listing.problem);
        return;
    }
    if (named)
        fPending.push_back({TPending::FolderEnd, {folder}, QString(), {}, fFound});
    std::sort(listing.entries.begin(), listing.entries.end(),
              [](const TFolderEntry& a, const TFolderEntry& b) { return CodePointLess(b.name.text, a.name.text); });
    for (const TFolderEntry& entry : listing.entries) {
        fPending.push_back(
            {TPending::Found, {PathInFolder(folder, entry.name.text), entry.name.valid}, subFolder, entry.kind});
    }
}
