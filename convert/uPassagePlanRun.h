#pragma once

#include "convert/uConversionRun.h"

#include <QString>
#include <QStringList>

#include <functional>

// Hands the passage plan of every route file the chosen paths stand for
// (TRouteFiles), in order, to `write`, an empty line between two plans;
// writes no file. Files are passed over and damage is warned of as in the
// conversion run, and its errors end this run too. A route without
// waypoints has a plan without rows.
void PrintPassagePlans(const TChosenFiles& files, TRouteFileHost& host, const std::function<void(const QString&)>& write);
