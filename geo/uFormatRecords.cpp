#include "geo/uFormatRecords.h"

#include "geo/uGeoObjects.h"
#include "util/uSharedSettings.h"

void InitFormatSettings()
{
    InitGeoFormatSettings();
    InitSharedSettings();
}
