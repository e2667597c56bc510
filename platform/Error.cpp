#include "platform/Error.h"

Error::Error(TErrorKind kind, QString message) : Error(kind, std::move(message), QString(), QString()) {}

Error::Error(TErrorKind kind, QString message, QString path, QString reason)
    : fKind(kind),
      fMessage(std::move(message)),
      fPath(std::move(path)),
      fReason(std::move(reason)),
      fUtf8(fMessage.toUtf8())
{
}
