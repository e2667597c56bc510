#pragma once

#include "geo/uStreamUtils.h"

#include <QIODevice>

// Consumes a WriteString value and discards it.
void SkipString(QIODevice& stream);
void SkipString(TStreamReader& stream);
