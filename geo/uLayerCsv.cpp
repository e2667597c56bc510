#include "geo/uGeoObjects.h"

#include "geo/uStreamUtils.h"
#include "platform/CodePage.h"
#include "platform/Error.h"
#include "util/uFileUtils.h"
#include "util/uSafeFile.h"

#include <QStringList>

// A layer as CSV text, and copies of its selected points.

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
                       FromAnsi(Tags()),
                       FromAnsi(Text()),
                       Caption(),
                       FloatToStr(fLatitude, user),
                       FloatToStr(fLongitude, user),
                       BoolToStr(fCanDelete),
                       BoolToStr(fCanEdit)}
        .join(u';');
}

QString TGeoPoint::GetExportCSV() const
{
    return QStringLiteral("'%1','%2',%3,%4")
        .arg(GUIDToString(fGuid), Caption(), FloatToStr(fLatitude, ExchangeNumbers()),
             FloatToStr(fLongitude, ExchangeNumbers()));
}

QString TGeoList::ToCSV_Header() const
{
    return QStringLiteral("GUID;Encrypt;DateCreated;DateChanged;Tags;Text;Caption;Latitude;Longitude;"
                          "CanDelete;CanEdit");
}

void TGeoList::ExportAsCSV(const QString& aFilename) const
{
    WriteSafeFile(aFilename, [this](QIODevice& file) {
        const auto writeLine = [&file](const QString& line) { WriteFully(file, ToAnsi(line) + "\r\n"); };
        writeLine(ToCSV_Header());
        for (const TGeoPoint* const item : fItems)
            writeLine(item->ToCSV());
    });
}

QString TGeoList::SaveSelection()
{
    // Without a file of its own the layer has no folder to put a copy in.
    if (fFilename.isEmpty())
        return {};
    const QString ownName = fFilename;
    const bool hadChanged = fHasChanged;
    // Beside the layer's file, in its folder as it was given.
    const QString copyName =
        GetUniqueFilename(ExtractFilePath(ownName), QStringLiteral(" - COPY"), ExtractFileName(ownName));
    const bool saved = SaveToFile(copyName, true);
    // The layer's own file has not been saved: its name and changes stay.
    fFilename = ownName;
    fHasChanged = hadChanged;
    return saved ? copyName : QString();
}
