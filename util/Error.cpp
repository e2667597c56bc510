#include "util/Error.h"

Error::Error(QString message)
    : fMessage(std::move(message)), fUtf8(fMessage.toUtf8())
{
}
