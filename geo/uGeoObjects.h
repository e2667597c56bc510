#pragma once

#include "platform/DateTime.h"
#include "platform/FormatSettings.h"
#include "util/uStringList.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>
#include <QStringView>
#include <QUuid>

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <vector>

class TGeoList;
class TStreamReader;

// How a new point starts: fresh, with a new GUID and created now, or blank,
// for a point record about to be read over it (which saves a GUID and a
// clock reading per point of a long file).
enum class TPointStart { psFresh, psBlank };

// The fields that point importers set from text.
enum class TPOIField {
    fldNone,
    fldLat,
    fldLong,
    fldTags,
    fldText,
    fldCaption,
    fldName,
    fldNaam,
    fldDescription,
    fldDateCreated,
    fldDateChanged,
    fldCanDelete,
    fldCanEdit,
    fldGUID,
    fldEnd
};

// The header of a layer file: its kind, format version and writing class.
// The texts are short 8-bit texts; longer ones are cut to their capacity.
class TkdVersion {
public:
    static constexpr qsizetype FileIDCapacity = 5;
    static constexpr qsizetype ClassNameCapacity = 25;

    TkdVersion() = default;
    TkdVersion(const QByteArray& fileID, quint16 id, const QByteArray& className);

    const QByteArray& FileID() const { return fFileID; }
    void setFileID(const QByteArray& value) { fFileID = value.left(FileIDCapacity); }
    quint16 ID() const { return fID; }
    void setID(quint16 value) { fID = value; }
    const QByteArray& ClassName() const { return fClassName; }
    void setClassName(const QByteArray& value) { fClassName = value.left(ClassNameCapacity); }

    void Clear();

private:
    QByteArray fFileID;
    quint16 fID = 0;
    QByteArray fClassName;
};

// The known format versions, oldest first; the last is the one written by default.
extern const std::array<TkdVersion, 7> cVersions;
bool IsKnownVersion(quint16 id);
// The header a new layer starts with: a geo layer of the default version.
TkdVersion NewLayerVersion();

// The head of a layer or route file as far as the file holds it: its kind
// (cut to TkdVersion::FileIDCapacity) once that is complete, and the whole
// header (kind, version and writing class) once that is.
struct TFileHead {
    std::optional<QByteArray> Kind;
    std::optional<TkdVersion> Version;
};
// The head of the bytes at the start of a layer or route file.
TFileHead ParseFileHead(QByteArrayView bytes);
// The most bytes a head can take: two short texts and a word.
inline constexpr qint64 cLongestFileHead = 1 + 255 + 2 + 1 + 255;

// The kind, version and writing class at the head of a layer or route file;
// none when the file does not exist or is too short to hold them. A file that
// exists but cannot be opened raises "Cannot open file "%s". %s".
std::optional<TkdVersion> ReadFileVersion(const QString& fileName);

// True for an existing file whose kind begins with "L-" or is "LAYER"; only
// the kind is read. Raises the same open error.
bool IsValidLayer(const QString& fileName);
// The same test on a head already read.
bool IsLayerHead(const TFileHead& head);

// Number formats for points given as text. Filled from the user's locale by
// InitGeoFormatSettings, which InitFormatSettings calls at program start; the
// accessors fill them on first use when nothing did so before.
void InitGeoFormatSettings();
TFormatSettings& MySettings();
TFormatSettings& POIImportSettings(); // decimal comma, no thousands separator
TFormatSettings& POIExportSettings(); // decimal point, no thousands separator

struct TGeoFormatSettings {
    TFormatSettings My;
    TFormatSettings POIImport;
    TFormatSettings POIExport;
};
TGeoFormatSettings GeoFormatSettingsFromLocale(const QLocale& locale);

// A text kept in 16 bytes: up to 15 Latin-1 characters in place, a longer
// one, or one with characters beyond Latin-1, in a heap block of its own.
// An empty text takes no block.
class TPointText {
public:
    TPointText() noexcept = default;
    TPointText(const TPointText& other);
    TPointText& operator=(const TPointText& other);
    ~TPointText() { Release(); }

    bool IsEmpty() const noexcept { return fTag == 0; }
    QString ToString() const;
    bool Equals(QStringView text) const;
    void Assign(QStringView text);
    // One character per byte, each byte its Latin-1 character.
    void AssignLatin1(QByteArrayView text);
    void Clear() noexcept
    {
        Release();
        fTag = 0;
    }

private:
    static constexpr quint8 cOnHeap = 0x80; // else fTag is the length in place
    static constexpr quint8 cWide = 0x40;   // UTF-16 on the heap, else Latin-1
    static constexpr qsizetype cInPlace = 15;
    struct THeapText;

    bool OnHeap() const noexcept { return (fTag & cOnHeap) != 0; }
    THeapText* Heap() const noexcept;
    void Release() noexcept;
    void AssignUnits(const void* units, qsizetype size, bool wide);

    // The characters in place, or the address of the block.
    alignas(void*) char fChars[cInPlace];
    quint8 fTag = 0;
};

// One point of interest. Setters stamp DateChanged when the value changes.
class TGeoPoint {
public:
    // A point of no layer: a new GUID, created now, never changed.
    TGeoPoint() : TGeoPoint(TPointStart::psFresh) {}
    // Fresh as above, or blank: a null GUID and both times 0.
    explicit TGeoPoint(TPointStart start);
    virtual ~TGeoPoint();
    TGeoPoint(const TGeoPoint&) = delete;
    TGeoPoint& operator=(const TGeoPoint&) = delete;

    const QUuid& GUID() const { return fGuid; }
    void setGUID(const QUuid& value) { fGuid = value; }
    // Tags and text are mostly empty: they live in a block of their own,
    // made only for a point that has either, and freed by the setter that
    // empties both. So they are handed out as (shared) copies, never as
    // references into that block.
    QByteArray Tags() const;
    void setTags(const QByteArray& value);
    QByteArray Text() const;
    void setText(const QByteArray& value);
    // The caption is kept compactly and given out as a new QString.
    QString Caption() const { return fCaption.ToString(); }
    void setCaption(const QString& value);
    double Latitude() const { return fLatitude; }
    void setLatitude(double value);
    double Longitude() const { return fLongitude; }
    void setLongitude(double value);
    // A position on the globe: both finite, latitude within ±90, longitude within ±180.
    bool HasPosition() const;

    bool Encrypt() const { return fEncrypt; }
    void setEncrypt(bool value) { fEncrypt = value; }
    bool CanDelete() const { return fCanDelete; }
    void setCanDelete(bool value) { fCanDelete = value; }
    bool CanEdit() const { return fCanEdit; }
    void setCanEdit(bool value) { fCanEdit = value; }
    bool Moved() const { return fMoved; }
    void setMoved(bool value) { fMoved = value; }
    bool Selected() const { return fSelected; }
    void setSelected(bool value) { fSelected = value; }

    TDateTime DateCreated() const { return fDateCreated; }
    TDateTime DateChanged() const { return fDateChanged; }

    // The owning layer and the place in it; none and -1 outside a layer.
    TGeoList* Layer() const { return fLayer; }
    int Index() const { return fIndex; }

    QString SearchText() const { return GetSearchText(); }
    virtual QString GetSearchText() const;

    // Empties texts and coordinates and resets the flags; identity, Encrypt,
    // Moved and DateCreated stay.
    virtual void Clear();
    // Copies identity, dates, texts, position and permissions, not the marks.
    virtual void CopyFrom(const TGeoPoint* value);
    // Copies into `value`, its texts and position through its setters.
    virtual void AssignTo(TGeoPoint* value) const;
    void RecreateGuid();

    // Sets one field from imported text; false when the field is not one a
    // point takes or the text is empty. Unreadable numbers, booleans and
    // GUIDs raise their conversion errors.
    virtual bool SetPropertyValue(TPOIField field, const QString& value);

    // One point record in the layout of a format version.
    void LoadFromStream(QIODevice& stream, quint16 version);
    virtual void LoadFromStream(TStreamReader& stream, quint16 version);
    virtual void SaveToStream(QIODevice& stream, quint16 version) const;
    // The fewest bytes a point record of that version can take.
    static qint64 MinRecordSize(quint16 version);

    // The point's line of its layer's CSV text, in the user's date, time
    // and number conventions; fields are neither quoted nor escaped.
    virtual QString ToCSV() const;
    // 'GUID','caption',latitude,longitude with "." as decimal separator,
    // whatever the user's conventions.
    QString ExportCSV() const { return GetExportCSV(); }
    virtual QString GetExportCSV() const;

private:
    friend class TGeoList;

    struct TExtras {
        QByteArray Tags;
        QByteArray Text;
    };

    void Stamp();
    void SetExtra(QByteArray TExtras::*field, const QByteArray& value);
    void SetExtras(QByteArray tags, QByteArray text);
    void WriteStrEncrypt(QIODevice& stream, const QByteArray& text) const;
    QByteArray ReadStrEncrypt(TStreamReader& stream) const;
    void ReadCaption(TStreamReader& stream);

    // Small fields last, packed together: a long route holds many points.
    QUuid fGuid;
    TPointText fCaption;
    std::unique_ptr<TExtras> fExtras; // none while tags and text are empty
    double fLatitude = 0;
    double fLongitude = 0;
    TDateTime fDateCreated = 0;
    TDateTime fDateChanged = 0;
    TGeoList* fLayer = nullptr;
    int fIndex = -1;
    bool fCanDelete : 1 = true;
    bool fCanEdit : 1 = true;
    bool fMoved : 1 = false;
    bool fSelected : 1 = false;
    bool fEncrypt : 1 = false;
};

// Room for the points of one layer, taken in blocks of many points rather
// than one allocation each. A slot keeps its place while in use; a slot
// given back is taken again first. The blocks go with the store.
class TPointBlocks {
public:
    TPointBlocks(std::size_t size, std::size_t align);
    ~TPointBlocks() { ReleaseAll(); }
    TPointBlocks(const TPointBlocks&) = delete;
    TPointBlocks& operator=(const TPointBlocks&) = delete;

    // Room for one point; raises std::bad_alloc.
    void* Take();
    void Give(void* slot) noexcept;
    // About `count` more slots will be taken soon: the next blocks are made
    // to fit them, up to the largest block.
    void Expect(std::size_t count);
    // Frees every block; only while no slot is in use.
    void ReleaseAll() noexcept;

private:
    void NewBlock();

    std::size_t fSize;
    std::size_t fAlign;
    std::vector<void*> fBlocks;
    char* fNext = nullptr; // the untouched part of the newest block
    char* fEnd = nullptr;
    void* fFree = nullptr; // slots given back, each holding the next
    std::size_t fExpected = 0;
    std::size_t fNextBlockSlots;
};

// A layer: an ordered collection that owns its points, plus the metadata and
// file-version header of a layer file. Const applies to the collection; its
// points stay editable, as a layer hands them out to be edited.
class TGeoList {
public:
    using TNotifyEvent = std::function<void(TGeoList&)>;
    using TPointEvent = std::function<void(const TGeoPoint&)>;
    // Items made one by one on the heap, for layers of items of their own.
    using TItemFactory = std::function<std::unique_ptr<TGeoPoint>(TPointStart)>;
    // Items of one class made in blocks: the size and alignment of the class
    // and how one is made in its slot.
    struct TItemClass {
        std::size_t Size;
        std::size_t Align;
        TGeoPoint* (*Make)(void* where, TPointStart start);
    };
    template <typename T>
    static TItemClass ItemClassOf()
    {
        return {sizeof(T), alignof(T),
                [](void* where, TPointStart start) -> TGeoPoint* { return new (where) T(start); }};
    }

    // An empty layer of plain points.
    TGeoList();
    // A layer of plain points loaded from a file.
    explicit TGeoList(const QString& fileName);
    virtual ~TGeoList();
    TGeoList(const TGeoList&) = delete;
    TGeoList& operator=(const TGeoList&) = delete;

    // Items. Add marks the layer changed; Insert and Delete do not.
    TGeoPoint* Add();
    TGeoPoint* Insert(int index);
    void Delete(int index);
    int Count() const { return static_cast<int>(fItems.size()); }
    qsizetype Capacity() const { return static_cast<qsizetype>(fItems.capacity()); }
    TGeoPoint* GetItem(int index) const; // "Argument out of range" outside 0..Count-1
    TGeoPoint* GetPOI(int index) const;  // none outside 0..Count-1
    int GetCount(bool selection) const;
    int SelectCount() const;
    void SelectAll() { SetSelectAll(true); }
    void UnSelectAll() { SetSelectAll(false); }
    void SetSelectAll(bool value);
    void RemoveSelected();

    // Lookups in list order; the first match wins.
    TGeoPoint* Find(double lat, double lon) const;
    int FindIndex(double lat, double lon) const;
    // Case-sensitive search in caption and text; an empty text finds nothing.
    TGeoPoint* FindText(const QString& searchText) const;
    // Selects the points whose search text holds `searchText`, ignoring the
    // case of a-z; an empty text selects all.
    bool Find(const QString& searchText);
    TGeoPoint* PointByGUID(const QUuid& guid) const;
    void DeleteByGUID(const QUuid& guid);

    void ClearTags();
    void CopyMetadataFrom(const TGeoList& layer);

    // Metadata.
    const QString& Filename() const { return fFilename; }
    void setFilename(const QString& value) { fFilename = value; }
    const TkdVersion& FileVersion() const { return fFileVersion; }
    void SetFileVersion_FileID(const QByteArray& value) { fFileVersion.setFileID(value); }
    void SetFileVersion_ID(quint16 value) { fFileVersion.setID(value); }
    void SetFileVersion_Classname(const QByteArray& value) { fFileVersion.setClassName(value); }
    const QUuid& GUID() const { return fGUID; }
    QString GUIDStr() const { return GetGUIDStr(); }
    QString GetGUIDStr() const;
    TDateTime DateCreated() const { return fDateCreated; }
    void setDateCreated(TDateTime value) { fDateCreated = value; }
    const QString& Category() const { return fCategory; }
    void setCategory(const QString& value) { fCategory = value; }
    const QString& Caption() const { return fCaption; }
    void setCaption(const QString& value) { fCaption = value; }
    TStringList& Description() { return fDescription; }
    const TStringList& Description() const { return fDescription; }
    TStringList& Tags() { return fTags; }
    const TStringList& Tags() const { return fTags; }
    TStringList& Notes() { return fNotes; }
    const TStringList& Notes() const { return fNotes; }
    TStringList& Colofon() { return fColofon; }
    const TStringList& Colofon() const { return fColofon; }
    bool CanDelete() const { return fCanDelete; }
    void setCanDelete(bool value) { fCanDelete = value; }
    bool CanEdit() const { return fCanEdit; }
    void setCanEdit(bool value) { fCanEdit = value; }
    bool Selected() const { return fSelected; }
    void setSelected(bool value) { fSelected = value; }
    bool HasChanged() const { return fHasChanged; }

    void setOnBeforeLoad(TNotifyEvent handler) { fOnBeforeLoad = std::move(handler); }
    void setOnAfterLoad(TNotifyEvent handler) { fOnAfterLoad = std::move(handler); }
    void setOnBeforeSave(TNotifyEvent handler) { fOnBeforeSave = std::move(handler); }
    void setOnAfterSave(TNotifyEvent handler) { fOnAfterSave = std::move(handler); }
    // Called with each point read in full, while the load goes on, so that
    // the points can be used before the file's end is read.
    void setOnPointLoaded(TPointEvent handler) { fOnPointLoaded = std::move(handler); }

    // Files. A load keeps everything read before damage in the file and
    // records it in LoadDamage. It raises what is no damage: a file that
    // cannot be opened or read, memory that runs out (std::bad_alloc) and
    // the notifications' own errors.
    // A valid file of this kind: one whose head IsValidHead takes.
    bool IsValidFile(const QString& fileName) const;
    // True when the file was taken: a valid file of this kind, not the one
    // loaded already. The file is opened once: its kind is told from the
    // head read for the load.
    bool LoadFromFile(const QString& value);
    // Set by LoadFromFile when the file was cut short or held a field that
    // could not be read.
    struct TLoadDamage {
        qint64 ClaimedCount = -1; // the points the file claims; -1 when damage came first
    };
    const std::optional<TLoadDamage>& LoadDamage() const { return fLoadDamage; }
    // Each save replaces the file only when it was written in full and
    // tells whether it was.
    bool SaveToFile(const QString& value, quint16 version, bool selection);
    bool SaveToFile(const QString& value, bool selection);
    bool SaveToFile(bool selection);
    bool SaveToFile(quint16 version, bool selection);

    // Streams: the header and metadata, then the points. Loading reads the
    // stream ahead and leaves it just after the last value read.
    void LoadFromStream(QIODevice& stream);
    void SaveToStream(QIODevice& stream, quint16 version, bool selection) const;
    virtual void LoadLayer(TStreamReader& stream);
    virtual void SaveLayer(QIODevice& stream, quint16 version) const;
    // The point count and the point records. A record cut short is not kept.
    virtual void LoadPOIs(TStreamReader& stream, quint16 version);
    virtual void SavePOIs(QIODevice& stream, quint16 version, bool selection) const;

    // CSV text: the header line, then every point's line, CR LF after each,
    // in the ANSI code page. The file is replaced only when written in full;
    // otherwise "Cannot create file "%s". %s" is raised.
    virtual QString ToCSV_Header() const;
    void ExportAsCSV(const QString& aFilename) const;
    // Saves the selected points as "name - COPY.ext" (or "name - COPY (1).ext",
    // ...) beside the layer's file and returns that name. The layer keeps its
    // file name and its change mark. Empty when the layer has no file name
    // or the copy could not be written.
    QString SaveSelection();

protected:
    // A layer whose items come from `factory`, one allocation each.
    explicit TGeoList(TItemFactory factory);
    // A layer whose items are of one class, made in blocks.
    explicit TGeoList(const TItemClass& itemClass);

    // Whether a file with this head is one of this layer's kind.
    virtual bool IsValidHead(const TFileHead& head) const;

    void setHasChanged(bool value) { fHasChanged = value; }
    // Counts every change to the items of the layer (an item added or
    // removed), so that what is derived from them can tell it is stale.
    quint64 ItemsVersion() const { return fItemsVersion; }

    // Reserves room for `count` points about to be read from `stream`, no
    // more than the bytes left there could hold; "Argument out of range" for
    // a negative count.
    void ReservePoints(qint32 count, const TStreamReader& stream, quint16 version);
    // Appends a blank point, marking the layer changed, for LoadPoint.
    TGeoPoint* AddForLoading();
    // Lets a newly added point read its record. When that fails the point is
    // removed again through DiscardPoint and the error goes on.
    void LoadPoint(TGeoPoint& point, TStreamReader& stream, quint16 version);
    virtual void DiscardPoint(int index);

private:
    TGeoPoint* InsertItem(int index, TPointStart start);
    TGeoPoint* MakeItem(TPointStart start);
    void DestroyItem(TGeoPoint* item) noexcept;
    void DestroyAll() noexcept;
    void ItemsRemoved() noexcept;
    void Renumber(std::size_t from);
    void Notify(const TNotifyEvent& handler);
    void LoadFromReader(TStreamReader& stream);

    TItemFactory fFactory;                 // for items made one by one
    std::optional<TItemClass> fItemClass;  // for items made in blocks
    std::unique_ptr<TPointBlocks> fBlocks; // with fItemClass
    std::vector<TGeoPoint*> fItems;        // owned: from fBlocks or fFactory
    quint64 fItemsVersion = 0;

    QUuid fGUID;
    TNotifyEvent fOnAfterLoad;
    TNotifyEvent fOnBeforeLoad;
    TNotifyEvent fOnAfterSave;
    TNotifyEvent fOnBeforeSave;
    TPointEvent fOnPointLoaded;
    QString fCategory;
    QString fCaption;
    TStringList fDescription;
    TStringList fTags;
    TStringList fNotes;
    TStringList fColofon;
    bool fCanDelete = true;
    bool fCanEdit = true;
    bool fSelected = false;
    TDateTime fDateCreated;
    bool fHasChanged = false;
    TkdVersion fFileVersion;
    QString fFilename;
    qint64 fClaimedCount = -1; // the point count read last
    std::optional<TLoadDamage> fLoadDamage;
};
