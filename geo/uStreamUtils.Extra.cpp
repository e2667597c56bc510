#include "geo/uStreamUtils.Extra.h"

#include "geo/uStreamUtils.h"

void SkipString(TStreamReader& stream) { stream.Skip(ReadStringCount(stream)); }

void SkipString(QIODevice& stream)
{
    TStreamReader reader(stream);
    SkipString(reader);
}
