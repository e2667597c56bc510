#include "geo/uGeoObjects.h"

#include "geo/uStreamUtils.h"
#include "platform/CodePage.h"
#include "platform/Error.h"

#include <algorithm>
#include <cmath>
#include <utility>

// The point model: points, layers, search and the point formats. The layer
// file format (uLayerFile.cpp) and CSV text (uLayerCsv.cpp) have units of their own.

namespace {

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

} // namespace

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
bool TGeoPoint::HasPosition() const
{
    // Comparisons with NaN are false, and infinities lie beyond the limits.
    return std::fabs(fLatitude) <= 90 && std::fabs(fLongitude) <= 180;
}

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
      fFileVersion(NewLayerVersion())
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
