#include "geo/uGeoObjects.h"

#include "geo/uEasyCrypt.h"
#include "geo/uStreamUtils.h"
#include "platform/CodePage.h"
#include "util/Error.h"
#include "util/uFileUtils.h"
#include "util/uSafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>
#include <exception>
#include <utility>

namespace {

const QByteArray kLayerKind("L-GEO");
const QByteArray kLayerClass("TGeoList");

quint16 CurrentVersion() { return cVersions.back().ID(); }

// Points read from versions 1 to 5 do not keep their stored GUIDs.
bool HasStaleGuids(quint16 version) { return version >= 1 && version <= 5; }

// The selection filter folds the case of a-z only.
QString AsciiLower(const QString& text)
{
    QString result = text;
    for (QChar& c : result) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return result;
}

// A number (non-zero is true) or "True"/"False" in any case.
bool StrToBool(const QString& text)
{
    if (text.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0)
        return false;
    try {
        return StrToFloat(text, DefaultFormatSettings()) != 0;
    } catch (const Error&) {
        throw Error(TErrorKind::ekInvalidValue, QStringLiteral("'%1' is not a valid boolean value").arg(text));
    }
}

TGeoFormatSettings& GeoFormatSettings()
{
    static TGeoFormatSettings settings = GeoFormatSettingsFromLocale(QLocale::system());
    return settings;
}

// What `read` takes from the head of a file; none when the file does not
// exist or ends before that.
template <typename Read>
auto ReadFileHead(const QString& fileName, Read read) -> std::optional<decltype(read(std::declval<QFile&>()))>
{
    if (!QFileInfo(fileName).isFile())
        return std::nullopt;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Error::CannotOpenFile(fileName, file.errorString());
    try {
        return read(file);
    } catch (const Error& e) {
        if (e.Kind() == TErrorKind::ekReadFailed)
            throw Error::CannotReadFile(fileName, file.errorString());
        if (e.Kind() != TErrorKind::ekDamage)
            throw;
        return std::nullopt; // too short
    }
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

std::optional<TkdVersion> ReadFileVersion(const QString& fileName)
{
    return ReadFileHead(fileName, [](QIODevice& file) {
        const QByteArray kind = ReadString8(file);
        const quint16 id = ReadWord(file);
        return TkdVersion(kind, id, ReadString8(file));
    });
}

bool IsValidLayer(const QString& fileName)
{
    const std::optional<QByteArray> kind =
        ReadFileHead(fileName, [](QIODevice& file) { return ReadString8(file).left(TkdVersion::FileIDCapacity); });
    return kind && (kind->startsWith("L-") || *kind == "LAYER");
}

// ----------------------------------------------------------- format settings

TGeoFormatSettings GeoFormatSettingsFromLocale(const QLocale& locale)
{
    TGeoFormatSettings s{FormatSettingsFromLocale(locale), FormatSettingsFromLocale(locale), {}};
    s.My.DateSeparator = u'-';
    s.My.ShortDateFormat = QStringLiteral("yyyy-mm-dd");
    s.My.ThousandSeparator = u'.';
    s.My.DecimalSeparator = u',';

    s.POIImport.ShortDateFormat = QStringLiteral("yyyy-mm-dd");
    s.POIImport.LongDateFormat = QStringLiteral("yyyy-mm-dd");
    s.POIImport.ThousandSeparator = QChar(0);
    s.POIImport.DecimalSeparator = u',';

    s.POIExport = s.POIImport;
    s.POIExport.DecimalSeparator = u'.';
    return s;
}

void InitGeoFormatSettings() { GeoFormatSettings(); }
TFormatSettings& MySettings() { return GeoFormatSettings().My; }
TFormatSettings& POIImportSettings() { return GeoFormatSettings().POIImport; }
TFormatSettings& POIExportSettings() { return GeoFormatSettings().POIExport; }

// ----------------------------------------------------------------- TGeoPoint

TGeoPoint::TGeoPoint(TPointStart start)
{
    if (start == TPointStart::psFresh) {
        fGuid = QUuid::createUuid();
        fDateCreated = Now();
    }
}

TGeoPoint::~TGeoPoint() = default;

void TGeoPoint::Stamp() { fDateChanged = Now(); }

void TGeoPoint::setTags(const QByteArray& value)
{
    if (value != fTags) {
        fTags = value;
        Stamp();
    }
}

void TGeoPoint::setText(const QByteArray& value)
{
    if (value != fText) {
        fText = value;
        Stamp();
    }
}

void TGeoPoint::setCaption(const QString& value)
{
    if (value != fCaption) {
        fCaption = value;
        Stamp();
    }
}

// A coordinate that is not a number never equals, so it always stamps.
void TGeoPoint::setLatitude(double value)
{
    if (value != fLatitude) {
        fLatitude = value;
        Stamp();
    }
}

void TGeoPoint::setLongitude(double value)
{
    if (value != fLongitude) {
        fLongitude = value;
        Stamp();
    }
}

QString TGeoPoint::GetSearchText() const { return fCaption; }

void TGeoPoint::Clear()
{
    Stamp();
    fTags.clear();
    fText.clear();
    fCaption.clear();
    fLatitude = 0;
    fLongitude = 0;
    fCanDelete = true;
    fCanEdit = true;
    fSelected = false;
}

void TGeoPoint::CopyFrom(const TGeoPoint* value)
{
    if (value == nullptr)
        return;
    fGuid = value->fGuid;
    fDateCreated = value->fDateCreated;
    fDateChanged = value->fDateChanged;
    fTags = value->fTags;
    fText = value->fText;
    fCaption = value->fCaption;
    fLatitude = value->fLatitude;
    fLongitude = value->fLongitude;
    fCanDelete = value->fCanDelete;
    fCanEdit = value->fCanEdit;
}

void TGeoPoint::AssignTo(TGeoPoint* value) const
{
    if (value == nullptr)
        return;
    value->fGuid = fGuid;
    value->fDateCreated = fDateCreated;
    value->fDateChanged = fDateChanged;
    value->setTags(fTags);
    value->setText(fText);
    value->setCaption(fCaption);
    value->setLatitude(fLatitude);
    value->setLongitude(fLongitude);
    value->fCanDelete = fCanDelete;
    value->fCanEdit = fCanEdit;
}

void TGeoPoint::RecreateGuid()
{
    fGuid = QUuid::createUuid();
    Stamp();
}

bool TGeoPoint::SetPropertyValue(TPOIField field, const QString& value)
{
    if (value.isEmpty())
        return false;
    switch (field) {
    case TPOIField::fldLat:
        setLatitude(StrToFloat(value, POIImportSettings()));
        return true;
    case TPOIField::fldLong:
        setLongitude(StrToFloat(value, POIImportSettings()));
        return true;
    case TPOIField::fldTags:
        setTags(ToAnsi(value));
        return true;
    case TPOIField::fldText:
        setText(ToAnsi(value));
        return true;
    case TPOIField::fldCaption:
    case TPOIField::fldName:
    case TPOIField::fldNaam:
        setCaption(value);
        return true;
    case TPOIField::fldDateCreated:
    case TPOIField::fldDateChanged:
        return true;
    case TPOIField::fldCanDelete:
        fCanDelete = StrToBool(value);
        return true;
    case TPOIField::fldCanEdit:
        fCanEdit = StrToBool(value);
        return true;
    case TPOIField::fldGUID:
        fGuid = StringToGUID(value);
        return true;
    default:
        return false;
    }
}

void TGeoPoint::WriteStrEncrypt(QIODevice& stream, const QByteArray& text) const
{
    WriteString(stream, fEncrypt ? AnsiCode(text) : text);
}

QByteArray TGeoPoint::ReadStrEncrypt(TStreamReader& stream) const
{
    const QByteArrayView text = TakeString(stream);
    return fEncrypt ? AnsiDeCode(text) : text.toByteArray();
}

QString TGeoPoint::ReadUnicodeStrEncrypt(TStreamReader& stream) const
{
    const QByteArrayView text = TakeString(stream);
    return fEncrypt ? FromAnsi(AnsiDeCode(text)) : FromAnsi(text);
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
    fTags = ReadStrEncrypt(stream);
    fText = ReadStrEncrypt(stream);
    fCaption = ReadUnicodeStrEncrypt(stream);
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
    WriteStrEncrypt(stream, fTags);
    WriteStrEncrypt(stream, fText);
    WriteStrEncrypt(stream, ToAnsi(fCaption));
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

// ------------------------------------------------------------------ TGeoList

TGeoList::TGeoList() : TGeoList([](TPointStart start) { return std::make_unique<TGeoPoint>(start); }) {}

TGeoList::TGeoList(const QString& fileName) : TGeoList()
{
    LoadFromFile(fileName);
}

TGeoList::TGeoList(TItemFactory factory)
    : fFactory(std::move(factory)),
      fGUID(QUuid::createUuid()),
      fDateCreated(Now()),
      fFileVersion(kLayerKind, CurrentVersion(), kLayerClass)
{
    fTags.Delimiter = u' ';
}

TGeoList::~TGeoList() = default;

void TGeoList::Renumber(std::size_t from)
{
    for (std::size_t i = from; i < fItems.size(); ++i)
        fItems[i]->fIndex = static_cast<int>(i);
}

TGeoPoint* TGeoList::Insert(int index) { return InsertItem(index, TPointStart::psFresh); }

TGeoPoint* TGeoList::InsertItem(int index, TPointStart start)
{
    if (index < 0 || index > Count())
        throw Error::ArgumentOutOfRange();
    std::unique_ptr<TGeoPoint> item = fFactory(start);
    item->fLayer = this;
    TGeoPoint* const result = item.get();
    fItems.insert(fItems.begin() + index, std::move(item));
    Renumber(static_cast<std::size_t>(index));
    return result;
}

TGeoPoint* TGeoList::Add()
{
    TGeoPoint* const result = Insert(Count());
    fHasChanged = true;
    return result;
}

TGeoPoint* TGeoList::AddForLoading()
{
    TGeoPoint* const result = InsertItem(Count(), TPointStart::psBlank);
    fHasChanged = true;
    return result;
}

void TGeoList::Delete(int index)
{
    if (index < 0 || index >= Count())
        throw Error::ArgumentOutOfRange();
    fItems.erase(fItems.begin() + index);
    Renumber(static_cast<std::size_t>(index));
}

TGeoPoint* TGeoList::GetItem(int index) const
{
    if (index < 0 || index >= Count())
        throw Error::ArgumentOutOfRange();
    return fItems[static_cast<std::size_t>(index)].get();
}

TGeoPoint* TGeoList::GetPOI(int index) const
{
    return index < 0 || index >= Count() ? nullptr : fItems[static_cast<std::size_t>(index)].get();
}

int TGeoList::GetCount(bool selection) const
{
    return selection ? SelectCount() : Count();
}

int TGeoList::SelectCount() const
{
    return static_cast<int>(std::ranges::count_if(fItems, [](const auto& p) { return p->fSelected; }));
}

void TGeoList::SetSelectAll(bool value)
{
    for (const auto& item : fItems)
        item->fSelected = value;
}

void TGeoList::RemoveSelected()
{
    std::erase_if(fItems, [](const auto& p) { return p->fSelected; });
    Renumber(0);
    fHasChanged = true;
}

int TGeoList::FindIndex(double lat, double lon) const
{
    const auto found = std::ranges::find_if(
        fItems, [=](const auto& p) { return p->fLatitude == lat && p->fLongitude == lon; });
    return found == fItems.end() ? -1 : static_cast<int>(found - fItems.begin());
}

TGeoPoint* TGeoList::Find(double lat, double lon) const
{
    return GetPOI(FindIndex(lat, lon));
}

TGeoPoint* TGeoList::FindText(const QString& searchText) const
{
    if (searchText.isEmpty())
        return nullptr;
    const auto found = std::ranges::find_if(fItems, [&](const auto& p) {
        return p->fCaption.contains(searchText) || FromAnsi(p->fText).contains(searchText);
    });
    return found == fItems.end() ? nullptr : found->get();
}

bool TGeoList::Find(const QString& searchText)
{
    const QString wanted = AsciiLower(searchText);
    for (const auto& item : fItems)
        item->fSelected = AsciiLower(item->SearchText()).contains(wanted);
    return true;
}

TGeoPoint* TGeoList::PointByGUID(const QUuid& guid) const
{
    const auto found = std::ranges::find_if(fItems, [&](const auto& p) { return p->fGuid == guid; });
    return found == fItems.end() ? nullptr : found->get();
}

void TGeoList::DeleteByGUID(const QUuid& guid)
{
    if (const TGeoPoint* point = PointByGUID(guid))
        Delete(point->fIndex);
}

QString TGeoList::GetGUIDStr() const { return GUIDToString(fGUID); }

void TGeoList::ClearTags()
{
    fTags.Clear();
    for (const auto& item : fItems)
        item->setTags({});
}

void TGeoList::CopyMetadataFrom(const TGeoList& layer)
{
    fCaption = layer.fCaption;
    fCategory = layer.fCategory;
    fDescription.Lines = layer.fDescription.Lines;
    fTags.Delimiter = layer.fTags.Delimiter;
    fTags.Lines = layer.fTags.Lines;
    fNotes.Lines = layer.fNotes.Lines;
    fColofon.Lines = layer.fColofon.Lines;
    fCanDelete = layer.fCanDelete;
    fCanEdit = layer.fCanEdit;
}

void TGeoList::Notify(const TNotifyEvent& handler)
{
    if (handler)
        handler(*this);
}

// --------------------------------------------------------------------- files

bool TGeoList::IsValidFile(const QString& fileName) const { return IsValidLayer(fileName); }

bool TGeoList::LoadFromFile(const QString& value)
{
    if (!IsValidFile(value) || value == fFilename)
        return false;
    fFilename = value;
    fClaimedCount = -1;
    fLoadDamage.reset();
    // Read-only: a file others may not write still loads.
    QFile file(value);
    const auto done = qScopeGuard([this] { fHasChanged = false; });
    Notify(fOnBeforeLoad);
    // The stream reader buffers; the file need not.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw Error::CannotOpenFile(value, file.errorString());
    try {
        LoadFromStream(file);
    } catch (const Error& e) {
        if (e.Kind() == TErrorKind::ekReadFailed)
            throw Error::CannotReadFile(value, file.errorString());
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
    LoadLayer(reader);
    LoadPOIs(reader, fFileVersion.ID());
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
    for (qint32 i = 0; i < count; ++i)
        LoadPoint(*AddForLoading(), stream, version);
}

void TGeoList::SavePOIs(QIODevice& stream, quint16 version, bool selection) const
{
    WriteInteger(stream, GetCount(selection));
    for (const auto& item : fItems) {
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

// ----------------------------------------------------------------------- CSV

namespace {

QString BoolToStr(bool value) { return value ? QStringLiteral("-1") : QStringLiteral("0"); }

// Numbers for other programs: "." decimals and no grouping.
const TFormatSettings& ExchangeNumbers()
{
    static const TFormatSettings settings = [] {
        TFormatSettings s;
        s.DecimalSeparator = u'.';
        s.ThousandSeparator = QChar(0);
        return s;
    }();
    return settings;
}

} // namespace

QString TGeoPoint::ToCSV() const
{
    const TFormatSettings& user = DefaultFormatSettings();
    return QStringList{GUIDToString(fGuid),
                       BoolToStr(fEncrypt),
                       DateTimeToStr(fDateCreated, user),
                       DateTimeToStr(fDateChanged, user),
                       FromAnsi(fTags),
                       FromAnsi(fText),
                       fCaption,
                       FloatToStr(fLatitude, user),
                       FloatToStr(fLongitude, user),
                       BoolToStr(fCanDelete),
                       BoolToStr(fCanEdit)}
        .join(u';');
}

QString TGeoPoint::GetExportCSV() const
{
    return QStringLiteral("'%1','%2',%3,%4")
        .arg(GUIDToString(fGuid), fCaption, FloatToStr(fLatitude, ExchangeNumbers()),
             FloatToStr(fLongitude, ExchangeNumbers()));
}

QString TGeoList::ToCSV_Header() const
{
    return QStringLiteral("GUID;Encrypt;DateCreated;DateChanged;Tags;Text;Caption;Latitude;Longitude;"
                          "CanDelete;CanEdit");
}

void TGeoList::ExportAsCSV(const QString& aFilename) const
{
    const auto file = CreateSafeFile(aFilename);
    const auto writeLine = [&](const QString& line) {
        if (!WriteFully(*file, ToAnsi(line) + "\r\n"))
            throw Error::CannotCreateFile(aFilename, file->errorString());
    };
    writeLine(ToCSV_Header());
    for (const auto& item : fItems)
        writeLine(item->ToCSV());
    CommitSafeFile(*file);
}

QString TGeoList::SaveSelection()
{
    // Without a file of its own the layer has no folder to put a copy in.
    if (fFilename.isEmpty())
        return {};
    const QString ownName = fFilename;
    const bool hadChanged = fHasChanged;
    const QFileInfo own(ownName);
    const QString copyName = GetUniqueFilename(own.path(), QStringLiteral(" - COPY"), own.fileName());
    const bool saved = SaveToFile(copyName, true);
    // The layer's own file has not been saved: its name and changes stay.
    fFilename = ownName;
    fHasChanged = hadChanged;
    return saved ? copyName : QString();
}
