#pragma once

#include <QString>
#include <QtGlobal>

#include <compare>
#include <optional>

// Which file system entry a path names, however the path is written: through
// a link to its folder, with "..", or in another letter case where the file
// system ignores case. A link itself is the entry, not what it points to.
struct TFileIdentity {
    quint64 device = 0;
    quint64 entry = 0;
    auto operator<=>(const TFileIdentity&) const = default;
};

// None when the path names nothing.
std::optional<TFileIdentity> FileIdentity(const QString& path);
