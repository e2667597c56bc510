#include "geo/uGeoObjects.h"

#include "geo/uStreamUtils.h"
#include "platform/CodePage.h"
#include "platform/Error.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <cstring>
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

// ---------------------------------------------------------------- TPointText

static_assert(sizeof(TPointText) == 16, "a caption takes 16 bytes of its point");

struct TPointText::THeapText {
    qsizetype Size; // in characters; they follow
};

TPointText::THeapText* TPointText::Heap() const noexcept
{
    THeapText* heap = nullptr;
    std::memcpy(&heap, fChars, sizeof heap);
    return heap;
}

void TPointText::Release() noexcept
{
    if (OnHeap())
        ::operator delete(Heap());
}

void TPointText::AssignUnits(const void* units, qsizetype size, bool wide)
{
    if (!wide && size <= cInPlace) {
        Release();
        std::memmove(fChars, units, static_cast<std::size_t>(size));
        fTag = static_cast<quint8>(size);
        return;
    }
    const std::size_t bytes = static_cast<std::size_t>(size) * (wide ? sizeof(char16_t) : 1);
    auto* const heap = static_cast<THeapText*>(::operator new(sizeof(THeapText) + bytes));
    heap->Size = size;
    std::memcpy(heap + 1, units, bytes);
    Release();
    std::memcpy(fChars, &heap, sizeof heap);
    fTag = static_cast<quint8>(cOnHeap | (wide ? cWide : 0));
}

TPointText::TPointText(const TPointText& other) : TPointText()
{
    *this = other;
}

TPointText& TPointText::operator=(const TPointText& other)
{
    if (this == &other)
        return *this;
    if (!other.OnHeap()) {
        Release();
        std::memcpy(fChars, other.fChars, cInPlace);
        fTag = other.fTag;
    } else {
        const THeapText* heap = other.Heap();
        AssignUnits(heap + 1, heap->Size, (other.fTag & cWide) != 0);
    }
    return *this;
}

QString TPointText::ToString() const
{
    if (fTag == 0)
        return {};
    if (!OnHeap())
        return QString::fromLatin1(fChars, fTag);
    const THeapText* heap = Heap();
    if ((fTag & cWide) != 0)
        return QString(reinterpret_cast<const QChar*>(heap + 1), heap->Size);
    return QString::fromLatin1(reinterpret_cast<const char*>(heap + 1), heap->Size);
}

bool TPointText::Equals(QStringView text) const
{
    if (fTag == 0)
        return text.isEmpty();
    if (!OnHeap())
        return text == QLatin1String(fChars, fTag);
    const THeapText* heap = Heap();
    if ((fTag & cWide) != 0)
        return text == QStringView(reinterpret_cast<const QChar*>(heap + 1), heap->Size);
    return text == QLatin1String(reinterpret_cast<const char*>(heap + 1), heap->Size);
}

void TPointText::Assign(QStringView text)
{
    if (text.isEmpty()) {
        Clear();
        return;
    }
    if (std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0xFF; })) {
        AssignUnits(text.utf16(), text.size(), true);
        return;
    }
    QVarLengthArray<char, 64> latin1(text.size());
    std::transform(text.begin(), text.end(), latin1.begin(), [](QChar c) { return static_cast<char>(c.unicode()); });
    AssignUnits(latin1.constData(), latin1.size(), false);
}

void TPointText::AssignLatin1(QByteArrayView text)
{
    if (text.isEmpty())
        Clear();
    else
        AssignUnits(text.data(), text.size(), false);
}

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

QByteArray TGeoPoint::Tags() const { return fExtras ? fExtras->Tags : QByteArray(); }

QByteArray TGeoPoint::Text() const { return fExtras ? fExtras->Text : QByteArray(); }

void TGeoPoint::SetExtra(QByteArray TExtras::*field, const QByteArray& value)
{
    if (value == (fExtras ? (*fExtras).*field : QByteArray()))
        return;
    if (!fExtras)
        fExtras = std::make_unique<TExtras>();
    (*fExtras).*field = value;
    if (fExtras->Tags.isEmpty() && fExtras->Text.isEmpty())
        fExtras.reset();
    Stamp();
}

void TGeoPoint::SetExtras(QByteArray tags, QByteArray text)
{
    if (tags.isEmpty() && text.isEmpty()) {
        fExtras.reset();
        return;
    }
    if (!fExtras)
        fExtras = std::make_unique<TExtras>();
    fExtras->Tags = std::move(tags);
    fExtras->Text = std::move(text);
}

void TGeoPoint::setTags(const QByteArray& value) { SetExtra(&TExtras::Tags, value); }

void TGeoPoint::setText(const QByteArray& value) { SetExtra(&TExtras::Text, value); }

void TGeoPoint::setCaption(const QString& value)
{
    if (!fCaption.Equals(value)) {
        fCaption.Assign(value);
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

QString TGeoPoint::GetSearchText() const { return Caption(); }

void TGeoPoint::Clear()
{
    Stamp();
    fExtras.reset();
    fCaption.Clear();
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
    if (value != this) {
        fExtras = value->fExtras ? std::make_unique<TExtras>(*value->fExtras) : nullptr;
        fCaption = value->fCaption;
    }
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
    value->setTags(Tags());
    value->setText(Text());
    value->setCaption(Caption());
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

// -------------------------------------------------------------- TPointBlocks

namespace {

// The first block holds a few points; each further one twice as many, up to
// about a mebibyte.
constexpr std::size_t kFirstBlockSlots = 16;
constexpr std::size_t kLargestBlockBytes = std::size_t(1) << 20;

} // namespace

TPointBlocks::TPointBlocks(std::size_t size, std::size_t align)
    : fSize((std::max(size, sizeof(void*)) + align - 1) / align * align),
      fAlign(std::max(align, alignof(void*))),
      fNextBlockSlots(kFirstBlockSlots)
{
}

void TPointBlocks::NewBlock()
{
    const std::size_t largest = std::max<std::size_t>(kLargestBlockBytes / fSize, 1);
    std::size_t slotCount = std::min(fNextBlockSlots, largest);
    if (fExpected > 0)
        slotCount = std::min(std::max(slotCount, fExpected), largest);
    fBlocks.reserve(fBlocks.size() + 1);
    void* const block = ::operator new(slotCount * fSize, std::align_val_t(fAlign));
    fBlocks.push_back(block);
    fNext = static_cast<char*>(block);
    fEnd = fNext + slotCount * fSize;
    fExpected -= std::min(fExpected, slotCount);
    fNextBlockSlots = std::min(fNextBlockSlots * 2, largest);
}

void* TPointBlocks::Take()
{
    if (fFree != nullptr) {
        void* const slot = fFree;
        std::memcpy(&fFree, slot, sizeof fFree);
        return slot;
    }
    if (fNext == fEnd)
        NewBlock();
    void* const slot = fNext;
    fNext += fSize;
    return slot;
}

void TPointBlocks::Give(void* slot) noexcept
{
    std::memcpy(slot, &fFree, sizeof fFree);
    fFree = slot;
}

void TPointBlocks::Expect(std::size_t count)
{
    const std::size_t untouched = static_cast<std::size_t>(fEnd - fNext) / fSize;
    fExpected = count > untouched ? count - untouched : 0;
}

void TPointBlocks::ReleaseAll() noexcept
{
    for (void* const block : fBlocks)
        ::operator delete(block, std::align_val_t(fAlign));
    fBlocks.clear();
    fBlocks.shrink_to_fit();
    fNext = fEnd = nullptr;
    fFree = nullptr;
    fExpected = 0;
    fNextBlockSlots = kFirstBlockSlots;
}

// ------------------------------------------------------------------ TGeoList

TGeoList::TGeoList() : TGeoList(ItemClassOf<TGeoPoint>()) {}

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

TGeoList::TGeoList(const TItemClass& itemClass)
    : fItemClass(itemClass),
      fBlocks(std::make_unique<TPointBlocks>(itemClass.Size, itemClass.Align)),
      fGUID(QUuid::createUuid()),
      fDateCreated(Now()),
      fFileVersion(NewLayerVersion())
{
    fTags.Delimiter = u' ';
}

TGeoList::~TGeoList() { DestroyAll(); }

TGeoPoint* TGeoList::MakeItem(TPointStart start)
{
    if (!fItemClass)
        return fFactory(start).release();
    void* const slot = fBlocks->Take();
    try {
        return fItemClass->Make(slot, start);
    } catch (...) {
        fBlocks->Give(slot);
        throw;
    }
}

void TGeoList::DestroyItem(TGeoPoint* item) noexcept
{
    if (!fItemClass) {
        delete item;
        return;
    }
    item->~TGeoPoint();
    fBlocks->Give(item);
}

void TGeoList::DestroyAll() noexcept
{
    for (TGeoPoint* const item : fItems)
        DestroyItem(item);
    fItems.clear();
    ItemsRemoved();
}

void TGeoList::ItemsRemoved() noexcept
{
    ++fItemsVersion;
    // With no point left, no block is needed.
    if (fItems.empty() && fBlocks)
        fBlocks->ReleaseAll();
}

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
    TGeoPoint* const item = MakeItem(start);
    try {
        fItems.insert(fItems.begin() + index, item);
    } catch (...) {
        DestroyItem(item);
        throw;
    }
    ++fItemsVersion;
    item->fLayer = this;
    Renumber(static_cast<std::size_t>(index));
    return item;
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
    DestroyItem(fItems[static_cast<std::size_t>(index)]);
    fItems.erase(fItems.begin() + index);
    Renumber(static_cast<std::size_t>(index));
    ItemsRemoved();
}

TGeoPoint* TGeoList::GetItem(int index) const
{
    if (index < 0 || index >= Count())
        throw Error::ArgumentOutOfRange();
    return fItems[static_cast<std::size_t>(index)];
}

TGeoPoint* TGeoList::GetPOI(int index) const
{
    return index < 0 || index >= Count() ? nullptr : fItems[static_cast<std::size_t>(index)];
}

int TGeoList::GetCount(bool selection) const
{
    return selection ? SelectCount() : Count();
}

int TGeoList::SelectCount() const
{
    return static_cast<int>(std::ranges::count_if(fItems, [](const TGeoPoint* p) { return p->fSelected; }));
}

void TGeoList::SetSelectAll(bool value)
{
    for (TGeoPoint* const item : fItems)
        item->fSelected = value;
}

void TGeoList::RemoveSelected()
{
    std::size_t kept = 0;
    for (TGeoPoint* const item : fItems) {
        if (item->fSelected)
            DestroyItem(item);
        else
            fItems[kept++] = item;
    }
    fItems.resize(kept);
    Renumber(0);
    ItemsRemoved();
    fHasChanged = true;
}

int TGeoList::FindIndex(double lat, double lon) const
{
    const auto found = std::ranges::find_if(
        fItems, [=](const TGeoPoint* p) { return p->fLatitude == lat && p->fLongitude == lon; });
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
    const auto found = std::ranges::find_if(fItems, [&](const TGeoPoint* p) {
        return p->Caption().contains(searchText) || FromAnsi(p->Text()).contains(searchText);
    });
    return found == fItems.end() ? nullptr : *found;
}

bool TGeoList::Find(const QString& searchText)
{
    const QString wanted = AsciiLower(searchText);
    for (TGeoPoint* const item : fItems)
        item->fSelected = AsciiLower(item->SearchText()).contains(wanted);
    return true;
}

TGeoPoint* TGeoList::PointByGUID(const QUuid& guid) const
{
    const auto found = std::ranges::find_if(fItems, [&](const TGeoPoint* p) { return p->fGuid == guid; });
    return found == fItems.end() ? nullptr : *found;
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
    for (TGeoPoint* const item : fItems)
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
