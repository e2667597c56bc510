#pragma once

#include "platform/FormatSettings.h"

#include <QString>

// Fixed conventions for texts meant for files and exchange, so that they do
// not follow the user's regional settings. Each record starts from the user's
// locale and has its own separators and patterns. They are global and
// writable: a change made by one user holds for every later one.
TFormatSettings& SharedSettings();   // dd-mm-yyyy, "." thousands, "," decimals
TFormatSettings& USSettings();       // yyyy-mm-dd hh:mm:ss, "," thousands, "." decimals
TFormatSettings& USFormatSettings(); // as USSettings
QString& ContentEncoding();          // "utf-8"

// Fills the records and the text, in that order, at program start. Each is
// also filled on its first use, so this only has to run before anything may
// have changed them.
void InitSharedSettings();
