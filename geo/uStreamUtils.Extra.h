#pragma once

#include <QIODevice>

// Consumes a WriteString value and discards it.
void SkipString(QIODevice& stream);
