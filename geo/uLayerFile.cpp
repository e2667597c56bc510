#include "geo/uGeoObjects.h"

#include "geo/uEasyCrypt.h"
#include "geo/uStreamUtils.h"
#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/ReadOnlyFile.h"
#include "util/uSafeFile.h"

#include <QScopeGuard>

#include <algorithm>
#include <exception>

// The layer file format: the version header, the point and layer records and
// the files that hold them.

namespace {

const QByteArray kLayerKind("L-GEO");
const QByteArray kLayerClass("TGeoList");

quint16 CurrentVersion() { return cVersions.back().ID(); }

// Points read from versions 1 to 5 do not keep their stored GUIDs.
bool HasStaleGuids(quint16 version) { return version >= 1 && version <= 5; }

// A long file is read ahead in large pieces from the start.
constexpr qint64 kFileWindow = 64 * 1024;

// The head of the file `reader` reads, which stays unread.
TFileHead PeekFileHead(TStreamReader& reader) { return ParseFileHead(reader.PeekUpTo(cLongestFileHead)); }

// An error of a notification, carried past the load's damage containment:
// it is none of the file's.
struct TNotificationError {
    std::exception_ptr Raised;
};

// The head of a file; none when the name is no existing regular file.
std::optional<TFileHead> ReadFileHead(const QString& fileName)
{
    TReadOnlyFile file;
    if (!file.Open(fileName))
        return std::nullopt;
    TStreamReader reader(file, cLongestFileHead);
    return PeekFileHead(reader);
}

} // namespace

// ---------------------------------------------------------------- TkdVersion

TkdVersion::TkdVersion(const QByteArray& fileID, quint16 id, const QByteArray& className)
    : fID(id)
{
    setFileID(fileID);
    setClassName(className);
}

void TkdVersion::Clear()
{
    fFileID.clear();
    fID = 0;
    fClassName.clear();
}

const std::array<TkdVersion, 7> cVersions = {
    TkdVersion({}, 0, {}), TkdVersion({}, 1, {}), TkdVersion({}, 2, {}), TkdVersion({}, 3, {}),
    TkdVersion({}, 4, {}), TkdVersion({}, 5, {}), TkdVersion({}, 6, {})};

bool IsKnownVersion(quint16 id)
{
    return std::ranges::any_of(cVersions, [id](const TkdVersion& v) { return v.ID() == id; });
}

TFileHead ParseFileHead(QByteArrayView bytes)
{
    TFileHead head;
    // A short text: a count byte, then the bytes; none when cut short.
    qsizetype at = 0;
    const auto text = [&]() -> std::optional<QByteArrayView> {
        if (at >= bytes.size())
            return std::nullopt;
        const qsizetype size = static_cast<uchar>(bytes[at]);
        if (bytes.size() - at - 1 < size)
            return std::nullopt;
        const QByteArrayView result = bytes.sliced(at + 1, size);
        at += 1 + size;
        return result;
    };
    const std::optional<QByteArrayView> kind = text();
    if (!kind)
        return head;
    head.Kind = kind->first(std::min(kind->size(), TkdVersion::FileIDCapacity)).toByteArray();
    if (bytes.size() - at < 2)
        return head;
    const auto id = static_cast<quint16>(static_cast<uchar>(bytes[at]) | static_cast<uchar>(bytes[at + 1]) << 8);
    at += 2;
    if (const std::optional<QByteArrayView> className = text())
        head.Version = TkdVersion(kind->toByteArray(), id, className->toByteArray());
    return head;
}

std::optional<TkdVersion> ReadFileVersion(const QString& fileName)
{
    const std::optional<TFileHead> head = ReadFileHead(fileName);
    return head ? head->Version : std::nullopt;
}

bool IsLayerHead(const TFileHead& head)
{
    return head.Kind && (head.Kind->startsWith("L-") || *head.Kind == "LAYER");
}

bool IsValidLayer(const QString& fileName)
{
    const std::optional<TFileHead> head = ReadFileHead(fileName);
    return head && IsLayerHead(*head);
}

TkdVersion NewLayerVersion() { return TkdVersion(kLayerKind, CurrentVersion(), kLayerClass); }

// ------------------------------------------------------------- point records

void TGeoPoint::WriteStrEncrypt(QIODevice& stream, const QByteArray& text) const
{
    WriteString(stream, fEncrypt ? AnsiCode(text) : text);
}

QByteArray TGeoPoint::ReadStrEncrypt(TStreamReader& stream) const
{
    const QByteArrayView text = TakeString(stream);
    return fEncrypt ? AnsiDeCode(text) : text.toByteArray();
}

void TGeoPoint::ReadCaption(TStreamReader& stream)
{
    const QByteArrayView stored = TakeString(stream);
    const QByteArray decoded = fEncrypt ? AnsiDeCode(stored) : QByteArray();
    const QByteArrayView text = fEncrypt ? QByteArrayView(decoded) : stored;
    // Windows-1252 differs from Latin-1 only from 0x80 to 0x9F.
    if (std::none_of(text.begin(), text.end(), [](char b) { return (static_cast<uchar>(b) & 0xE0) == 0x80; }))
        fCaption.AssignLatin1(text);
    else
        fCaption.Assign(FromAnsi(text));
}

void TGeoPoint::LoadFromStream(QIODevice& stream, quint16 version)
{
    TStreamReader reader(stream);
    LoadFromStream(reader, version);
}

void TGeoPoint::LoadFromStream(TStreamReader& stream, quint16 version)
{
    if (HasStaleGuids(version)) {
        SkipString(stream);
        RecreateGuid();
    } else {
        fGuid = ReadGUID(stream);
    }
    fEncrypt = ReadBoolean(stream);
    fDateCreated = ReadDateTime(stream);
    fDateChanged = ReadDateTime(stream);
    QByteArray tags = ReadStrEncrypt(stream);
    QByteArray text = ReadStrEncrypt(stream);
    SetExtras(std::move(tags), std::move(text));
    ReadCaption(stream);
    fLatitude = ReadDouble(stream);
    fLongitude = ReadDouble(stream);
    if (version != 0) {
        fCanDelete = ReadBoolean(stream);
        fCanEdit = ReadBoolean(stream);
    }
}

void TGeoPoint::SaveToStream(QIODevice& stream, quint16 version) const
{
    WriteGUID(stream, fGuid);
    WriteBoolean(stream, fEncrypt);
    WriteDateTime(stream, fDateCreated);
    WriteDateTime(stream, fDateChanged);
    WriteStrEncrypt(stream, Tags());
    WriteStrEncrypt(stream, Text());
    WriteStrEncrypt(stream, ToAnsi(Caption()));
    WriteDouble(stream, fLatitude);
    WriteDouble(stream, fLongitude);
    if (version != 0) {
        WriteBoolean(stream, fCanDelete);
        WriteBoolean(stream, fCanEdit);
    }
}

qint64 TGeoPoint::MinRecordSize(quint16 version)
{
    constexpr qint64 guid = 4 + 38;
    constexpr qint64 skippedGuid = 4; // any text at all
    constexpr qint64 common = 1 + 8 + 8 + 3 * 4 + 8 + 8; // flag, dates, texts, position
    constexpr qint64 permissions = 2;
    if (version == 0)
        return guid + common;
    return (HasStaleGuids(version) ? skippedGuid : guid) + common + permissions;
}

// --------------------------------------------------------------------- files

bool TGeoList::IsValidHead(const TFileHead& head) const { return IsLayerHead(head); }

bool TGeoList::IsValidFile(const QString& fileName) const
{
    const std::optional<TFileHead> head = ReadFileHead(fileName);
    return head && IsValidHead(*head);
}

bool TGeoList::LoadFromFile(const QString& value)
{
    // Read-only: a file others may not write still loads. Opened once: the
    // head read for the load tells the file's kind.
    TReadOnlyFile file;
    if (!file.Open(value))
        return false;
    TStreamReader reader(file, kFileWindow);
    if (!IsValidHead(PeekFileHead(reader)) || value == fFilename)
        return false;
    fFilename = value;
    fClaimedCount = -1;
    fLoadDamage.reset();
    const auto done = qScopeGuard([this] { fHasChanged = false; });
    Notify(fOnBeforeLoad);
    try {
        LoadFromReader(reader);
    } catch (const TNotificationError& notification) {
        std::rethrow_exception(notification.Raised);
    } catch (const Error& e) {
        if (e.Kind() != TErrorKind::ekDamage)
            throw;
        // What was read before the damage stays.
        fLoadDamage = TLoadDamage{fClaimedCount};
    }
    Notify(fOnAfterLoad);
    return true;
}

bool TGeoList::SaveToFile(const QString& value, quint16 version, bool selection)
{
    fFilename = value;
    return SaveToFile(version, selection);
}

bool TGeoList::SaveToFile(const QString& value, bool selection)
{
    fFilename = value;
    return SaveToFile(selection);
}

bool TGeoList::SaveToFile(bool selection) { return SaveToFile(CurrentVersion(), selection); }

bool TGeoList::SaveToFile(quint16 version, bool selection)
{
    // The old file is replaced only by a complete new one; an uncommitted
    // one is discarded with `file`.
    const auto done = qScopeGuard([this] { fHasChanged = false; });
    Notify(fOnBeforeSave);
    bool saved = false;
    try {
        const auto file = CreateSafeFile(fFilename);
        SaveToStream(*file, version, selection);
        CommitSafeFile(*file);
        saved = true;
    } catch (const std::exception&) {
        saved = false;
    }
    Notify(fOnAfterSave);
    return saved;
}

void TGeoList::LoadFromStream(QIODevice& stream)
{
    TStreamReader reader(stream);
    try {
        LoadFromReader(reader);
    } catch (const TNotificationError& notification) {
        std::rethrow_exception(notification.Raised);
    }
}

void TGeoList::LoadFromReader(TStreamReader& stream)
{
    LoadLayer(stream);
    LoadPOIs(stream, fFileVersion.ID());
}

void TGeoList::SaveToStream(QIODevice& stream, quint16 version, bool selection) const
{
    SaveLayer(stream, version);
    SavePOIs(stream, version, selection);
}

void TGeoList::LoadLayer(TStreamReader& stream)
{
    fFileVersion.setFileID(ReadString8(stream));
    fFileVersion.setID(ReadWord(stream));
    fFileVersion.setClassName(ReadString8(stream));
    fGUID = ReadGUID(stream);
    fDateCreated = ReadDateTime(stream);
    if (fFileVersion.ID() != 0)
        fCategory = FromAnsi(ReadString(stream));
    fCaption = FromAnsi(ReadString(stream));
    ReadStringList(stream, fDescription);
    ReadStringList(stream, fTags);
    ReadStringList(stream, fNotes);
    ReadStringList(stream, fColofon);
    if (fFileVersion.ID() != 0) {
        fCanDelete = ReadBoolean(stream);
        fCanEdit = ReadBoolean(stream);
    }
}

void TGeoList::SaveLayer(QIODevice& stream, quint16 version) const
{
    WriteString8(stream, fFileVersion.FileID());
    WriteWord(stream, version);
    WriteString8(stream, fFileVersion.ClassName());
    WriteGUID(stream, fGUID);
    WriteDateTime(stream, fDateCreated);
    if (version != 0)
        WriteString(stream, ToAnsi(fCategory));
    WriteString(stream, ToAnsi(fCaption));
    WriteStringList(stream, &fDescription);
    WriteStringList(stream, &fTags);
    WriteStringList(stream, &fNotes);
    WriteStringList(stream, &fColofon);
    if (version != 0) {
        WriteBoolean(stream, fCanDelete);
        WriteBoolean(stream, fCanEdit);
    }
}

void TGeoList::LoadPOIs(TStreamReader& stream, quint16 version)
{
    const qint32 count = ReadInteger(stream);
    ReservePoints(count, stream, version);
    for (qint32 i = 0; i < count; ++i) {
        TGeoPoint& point = *AddForLoading();
        LoadPoint(point, stream, version);
        if (!fOnPointLoaded)
            continue;
        try {
            fOnPointLoaded(point);
        } catch (...) {
            throw TNotificationError{std::current_exception()};
        }
    }
}

void TGeoList::SavePOIs(QIODevice& stream, quint16 version, bool selection) const
{
    WriteInteger(stream, GetCount(selection));
    for (const TGeoPoint* const item : fItems) {
        if (!selection || item->fSelected)
            item->SaveToStream(stream, version);
    }
}

void TGeoList::ReservePoints(qint32 count, const TStreamReader& stream, quint16 version)
{
    fClaimedCount = count;
    if (count < 0)
        throw Error(TErrorKind::ekDamage, ErrorText::ArgumentOutOfRange());
    // A damaged count must not claim more memory than the file could fill.
    const qint64 room = std::min<qint64>(count, stream.BytesLeft() / TGeoPoint::MinRecordSize(version));
    fItems.reserve(fItems.size() + static_cast<std::size_t>(room));
    if (fBlocks)
        fBlocks->Expect(static_cast<std::size_t>(room));
}

void TGeoList::LoadPoint(TGeoPoint& point, TStreamReader& stream, quint16 version)
{
    try {
        point.LoadFromStream(stream, version);
    } catch (...) {
        DiscardPoint(point.fIndex);
        throw;
    }
}

void TGeoList::DiscardPoint(int index) { Delete(index); }
