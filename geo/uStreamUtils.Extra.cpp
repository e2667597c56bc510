#include "geo/uStreamUtils.Extra.h"

#include "geo/uStreamUtils.h"
#include "util/Error.h"

void SkipString(QIODevice& stream)
{
    const qint64 count = ReadStringCount(stream);
    if (count > BytesLeft(stream) || stream.skip(count) != count)
        throw Error(ErrorText::StreamRead());
}
